// The road's own pieces: its command line, the FASTA records it accepts,
// its messages, the linker table and the picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "calibration.h"
#include "failure.h"
#include "failure_message.h"
#include "linker_table.h"
#include "proteome.h"
#include "recipe.h"
#include "road_files.h"
#include "road_options.h"
#include "score_plot.h"
#include "test_support.h"

namespace {

using linkerkit::Failure;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

linkerkit::RoadOptions Parse(std::vector<std::string> words) {
  std::vector<char *> arguments;
  for (std::string &word : words) arguments.push_back(word.data());
  return linkerkit::ParseRoadOptions(arguments);
}

std::string ParseFailure(std::vector<std::string> words) {
  return linkerkit::test::FailureMessage([&] { Parse(words); });
}

// The model's settings as the options leave them.
linkerkit::ModelSettings SettingsAfter(const linkerkit::RoadOptions &options) {
  linkerkit::ModelSettings settings;
  linkerkit::ApplySettingOverrides(options, settings);
  return settings;
}

TEST(RoadOptions, TakesEveryFormAndKeepsTheThresholdAsTyped) {
  const auto options = Parse({"-j3", "in.fa", "--window=9", "--threshold", "-.5e1", "--keep-work", "--rank", "007"});
  EXPECT_EQ(options.fasta, "in.fa");
  EXPECT_EQ(options.jobs, 3);
  EXPECT_EQ(options.window, 9);
  EXPECT_EQ(SettingsAfter(options).threshold.text, "-.5e1");
  EXPECT_EQ(SettingsAfter(options).threshold.number, -5.0);
  EXPECT_EQ(SettingsAfter(options).rank, 7);
  EXPECT_EQ(SettingsAfter(options).offset, linkerkit::ModelSettings().offset);
  EXPECT_TRUE(options.keep_work);
  EXPECT_EQ(Parse({"--", "--odd.fa"}).fasta, "--odd.fa");
  EXPECT_EQ(Parse({"--show-settings"}).stop, linkerkit::RoadStop::kSettings);
  EXPECT_EQ(Parse({"--jobs=2", "a.fa"}).jobs, 2);
  const auto caller = Parse({"--caller", "segment", "--min-domain=30", "--min-confidence", ".25", "a.fa"});
  EXPECT_EQ(SettingsAfter(caller).caller, linkerkit::LinkerCaller::kSegment);
  EXPECT_EQ(SettingsAfter(caller).min_domain, 30);
  EXPECT_EQ(caller.min_confidence, 0.25);
  EXPECT_EQ(SettingsAfter(Parse({"--caller=segment", "--caller=threshold", "a.fa"})).caller,
            linkerkit::LinkerCaller::kThreshold);
}

TEST(RoadOptions, RefusesWhatAtoiWouldHaveRead) {
  EXPECT_EQ(ParseFailure({"--window", " 15", "a.fa"}),
            "invalid window size ' 15': expected a whole number from 1 to 1000000");
  EXPECT_EQ(ParseFailure({"--offset", "1e3", "a.fa"}),
            "invalid offset '1e3': expected a whole number from 0 to 1000000");
  EXPECT_EQ(ParseFailure({"-j", "1025", "a.fa"}), "invalid -j '1025': expected a whole number from 1 to 1024");
  for (const std::string threshold : {"inf", "-nan", "0x1p3", "1,5", "", "1e400", ".", "-1e38", "1000001"}) {
    EXPECT_NE(ParseFailure({"--threshold=" + threshold, "a.fa"}), "(no failure)") << threshold;
  }
  EXPECT_EQ(ParseFailure({"--features-only=1", "a.fa"}), "--features-only takes no value");
  EXPECT_EQ(ParseFailure({"--caller", "Segment", "a.fa"}), "invalid caller 'Segment': expected threshold or segment");
  EXPECT_EQ(ParseFailure({"--min-domain", "0", "a.fa"}),
            "invalid minimum domain length '0': expected a whole number from 1 to 1000000");
  for (const std::string confidence : {"1.01", "-0.1", "nan", "0.5x", "1e400"}) {
    EXPECT_EQ(ParseFailure({"--min-confidence", confidence, "a.fa"}),
              "invalid --min-confidence '" + confidence + "': expected a decimal number from 0 to 1");
  }
  EXPECT_EQ(ParseFailure({"a.fa", "b.fa"}), linkerkit::kRoadUsage);
}

// Every row of the option table, as the help shows it and as the parser and
// the settings file check its range.
class RoadOptionRowTest : public testing::TestWithParam<linkerkit::RoadOptionRow> {};

std::string RangeText(double end) { return linkerkit::test::Printf("%.15g", end); }

TEST_P(RoadOptionRowTest, TheHelpShowsItAndItsRangeIsEnforced) {
  const linkerkit::RoadOptionRow &row = GetParam();
  const std::string name(row.name);
  const std::string help = linkerkit::RoadHelp("m1 m2", "/data");
  const std::string head = "\n  " + name + (row.value_name.empty() ? "" : " " + std::string(row.value_name)) + " ";
  EXPECT_NE(help.find(head), std::string::npos) << head;
  std::string text(row.help);
  if (!row.default_text.empty()) {
    EXPECT_NE(text.find("{default}"), std::string::npos) << "the help leaves out the default";
    text.replace(text.find("{default}"), 9, "[" + std::string(row.default_text) + "]");
  }
  if (const std::size_t models = text.find("{models}"); models != std::string::npos) text.replace(models, 8, "m1 m2");
  for (std::size_t from = 0, end; from < text.size(); from = end + 1) {
    end = std::min(text.find('\n', from), text.size());
    EXPECT_NE(help.find(text.substr(from, end - from) + "\n"), std::string::npos) << text.substr(from, end - from);
  }

  const std::string what(row.what);
  const auto refused = [&](const std::string &value, const std::string &expected) {
    EXPECT_EQ(ParseFailure({name, value, "a.fa"}), "invalid " + what + " '" + value + "': expected " + expected);
  };
  // The values a row takes, and those it refuses with their message.
  std::vector<std::string> taken;
  if (row.type == linkerkit::OptionType::kCount) {
    const std::string range = "a whole number from " + RangeText(row.lowest) + " to " + RangeText(row.highest);
    taken = {RangeText(row.lowest), RangeText(row.highest)};
    refused(RangeText(row.lowest - 1), range);
    refused(RangeText(row.highest + 1), range);
    refused("2.0", range);
  } else if (row.type == linkerkit::OptionType::kDecimal) {
    const std::string range = "a decimal number from " + RangeText(row.lowest) + " to " + RangeText(row.highest);
    taken = {RangeText(row.lowest), RangeText(row.highest)};
    refused(RangeText(row.lowest - 0.5), range);
    refused(RangeText(row.highest + 0.5), range);
    refused("nan", range);
  } else if (row.type == linkerkit::OptionType::kCaller) {
    taken = {"threshold", "segment"};
    refused("Segment", "threshold or segment");
  } else if (row.type == linkerkit::OptionType::kFlag) {
    EXPECT_EQ(ParseFailure({name + "=1", "a.fa"}), name + " takes no value");
  } else {
    EXPECT_EQ(ParseFailure({name + "=", "a.fa"}), name + " needs a value");
  }
  for (const std::string &value : taken) {
    const linkerkit::RoadOptions options = Parse({name, value, "a.fa"});
    if (row.shown_setting) {
      EXPECT_EQ(row.shown_setting(SettingsAfter(options)), value);
    }
  }

  // A model setting: the settings file takes and refuses the same values.
  if (row.model_setting.empty()) return;
  EXPECT_EQ(linkerkit::FindModelSetting(row.model_setting)->name, row.name);
  TempDir dir;
  for (const std::string &value : taken) {
    WriteFile(dir / "settings", std::string(row.model_setting) + " " + value + "\n");
    EXPECT_EQ(row.shown_setting(linkerkit::ReadModelSettings(dir / "settings")), value);
  }
  WriteFile(dir / "settings", std::string(row.model_setting) + " x\n");
  EXPECT_EQ(linkerkit::test::FailureMessage([&] {
              linkerkit::ReadModelSettings(dir / "settings");
            }).find("invalid " + (dir / "settings") + " line 1: " + std::string(row.model_setting) + " 'x'"),
            0u);
}

INSTANTIATE_TEST_SUITE_P(EveryOption, RoadOptionRowTest,
                         testing::ValuesIn(linkerkit::RoadOptionTable().begin(), linkerkit::RoadOptionTable().end()),
                         [](const testing::TestParamInfo<linkerkit::RoadOptionRow> &row) {
                           std::string name(row.param.name.substr(row.param.name.find_first_not_of('-')));
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

TEST(RoadOptionTable, ShowSettingsListsEveryOverriddenSettingInForce) {
  linkerkit::ModelSettings settings;
  settings.threshold = {0.5, "0.50"};
  const std::string shown = linkerkit::ShownSettings("/m", settings, "none");
  EXPECT_EQ(shown,
            "model /m\nclassifier libsvm\nscores zscore\nsmoothing 15\nthreshold 0.50\nrank 3\noffset 10\n"
            "caller threshold\nmin_domain 40\ncalibration none\n");
  for (const linkerkit::RoadOptionRow &row : linkerkit::RoadOptionTable()) {
    if (row.model_setting.empty()) continue;
    const std::string line = std::string(row.model_setting) + ' ';
    EXPECT_NE(shown.find('\n' + line), std::string::npos) << row.model_setting;
  }
}

// The source file at path from the source tree.
std::string SourceFile(const std::string &path) { return linkerkit::test::ReadFile(LINKERKIT_SOURCE_DIR "/" + path); }

TEST(RoadOptionTable, TheReadmeListsEveryOptionWithItsDefaultAndNoOther) {
  const std::string readme = SourceFile("README.md");
  const std::size_t section = readme.find("\n## Predicting linkers: linkerkit-predict\n");
  ASSERT_NE(section, std::string::npos);
  const std::string text = readme.substr(section, readme.find("\n## ", section + 1) - section);
  // The README's table of options: "| `--NAME VALUE`, `--OTHER VALUE` | DEFAULT | MEANING |".
  const std::size_t table = text.find("| Option | Default | Meaning |\n");
  ASSERT_NE(table, std::string::npos);
  std::map<std::string, std::string> listed;  // name, default
  const std::regex row(R"(\| (`-[^|]*(?:\\\|[^|]*)*) \| *([^|]*?) *\|)");
  const std::regex name("`(--?[a-z][a-z0-9-]*)");
  for (std::size_t at = text.find('\n', table) + 1; at < text.size() && text[at] == '|'; at = text.find('\n', at) + 1) {
    const std::string line = text.substr(at, text.find('\n', at) - at);
    std::smatch cells;
    if (!std::regex_search(line, cells, row)) continue;
    std::string default_text = cells[2].str();
    std::erase(default_text, '`');
    const std::string names = cells[1].str();
    for (auto found = std::sregex_iterator(names.begin(), names.end(), name); found != std::sregex_iterator();
         ++found) {
      listed[(*found)[1].str()] = default_text;
    }
  }
  std::map<std::string, std::string> table_rows;
  for (const linkerkit::RoadOptionRow &option : linkerkit::RoadOptionTable()) {
    table_rows[std::string(option.name)] = option.default_text;
  }
  EXPECT_EQ(listed, table_rows);
  // The paragraph that names the options names no other.
  const std::size_t options = text.find("**Options**");
  ASSERT_NE(options, std::string::npos);
  const std::string paragraph = text.substr(options, text.find("\n\n", options) - options);
  for (auto found = std::sregex_iterator(paragraph.begin(), paragraph.end(), name); found != std::sregex_iterator();
       ++found) {
    EXPECT_NE(linkerkit::FindRoadOption((*found)[1].str()), nullptr) << (*found)[1].str() << " is no option";
  }
}

TEST(RoadOptionTable, EveryWorkflowKeyHandedToTheRoadIsAnOption) {
  const std::string snakefile = SourceFile("workflow/Snakefile");
  // The keys PREDICT_ARGUMENTS turns into --KEY-WITH-DASHES.
  std::smatch keys;
  ASSERT_TRUE(std::regex_search(snakefile, keys, std::regex(R"(for key in \(([^)]*)\))")));
  const std::string listed = keys[1].str();
  std::smatch known;
  ASSERT_TRUE(std::regex_search(snakefile, known, std::regex(R"(KNOWN_KEYS = \{([^}]*)\})")));
  const std::regex quoted("\"([a-z_]+)\"");
  int count = 0;
  for (auto key = std::sregex_iterator(listed.begin(), listed.end(), quoted); key != std::sregex_iterator(); ++key) {
    std::string option = "--" + (*key)[1].str();
    std::replace(option.begin(), option.end(), '_', '-');
    EXPECT_NE(linkerkit::FindRoadOption(option), nullptr) << option;
    EXPECT_NE(known[1].str().find("\"" + (*key)[1].str() + "\""), std::string::npos) << "not a known key";
    ++count;
  }
  EXPECT_GT(count, 5);
  // The settings it reads from --show-settings are settings the table shows.
  const std::regex shown(R"re(SETTINGS\["([a-z_]+)"\])re");
  for (auto key = std::sregex_iterator(snakefile.begin(), snakefile.end(), shown); key != std::sregex_iterator();
       ++key) {
    EXPECT_NE(linkerkit::FindModelSetting((*key)[1].str()), nullptr) << (*key)[1].str();
  }
}

std::vector<linkerkit::ProteinRecord> ReadAll(const std::string &text) {
  TempDir dir;
  WriteFile(dir / "in.fa", text);
  linkerkit::FastaRecordReader reader(dir / "in.fa");
  std::vector<linkerkit::ProteinRecord> records;
  for (linkerkit::ProteinRecord record; reader.Next(record);) records.push_back(record);
  return records;
}

// The message after the file's name.
std::string ReadFailure(const std::string &text) {
  const std::string message = linkerkit::test::FailureMessage([&] { ReadAll(text); });
  return message.substr(std::min(message.find(" line "), message.size()));
}

TEST(RoadFasta, NormalisesBeforeAnyProgramSeesARecord) {
  const auto records = ReadAll("\xEF\xBB\xBF>sp|P69905|HBA_HUMAN Hemoglobin\r\nmv Ls\tpa\r\n\r\nDK\n>tr|Q0|Q0_X\nW\n");
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].name, "P69905");
  EXPECT_EQ(records[0].residues, "MVLSPADK");
  EXPECT_EQ(records[0].header_line, 1u);
  EXPECT_EQ(records[1].name, "Q0");
  EXPECT_EQ(records[1].residues, "W");
}

TEST(RoadFasta, RefusesNamingTheLine) {
  EXPECT_EQ(ReadFailure("MKV\n>A\nMKV\n"), " line 1: expected a '>' header line before the sequence");
  EXPECT_EQ(ReadFailure(">A\nMKV\n>\nMKV\n"), " line 3: no protein name");
  EXPECT_EQ(ReadFailure(">a/b\nMKV\n"), " line 1: protein name 'a/b' holds '/'");
  EXPECT_EQ(ReadFailure(">sp|P1\nMKV\n"), " line 1: protein name 'sp|P1' holds '|'");
  EXPECT_EQ(ReadFailure(">A\nMK*\n"), " line 2: protein A: '*' is no residue letter (A to Z)");
  EXPECT_EQ(ReadFailure(">A\nMK\xC3\xA9\n"), " line 2: protein A: byte 195 is no residue letter (A to Z)");
  EXPECT_EQ(ReadFailure(">..\nMK\n"), " line 1: protein name '..' names a folder");
  EXPECT_EQ(ReadFailure(">" + std::string(231, 'N') + "\nMK\n"),
            " line 1: protein name 'NNNNNNNNNNNNNNNNNNNN...' is 231 bytes long: a name longer than 230 bytes does not "
            "fit in its file names");
  EXPECT_EQ(ReadAll(">" + std::string(230, 'N') + "\nMK\n").front().name.size(), 230u);
}

TEST(RoadFasta, CompanionFilesMustHoldTheSameSequence) {
  TempDir dir;
  const linkerkit::ProteinRecord protein{"P", "MKVA", 1};
  WriteFile(dir / "good.ss2",
            "# PSIPRED\n\n   1 M C 0.1 0.2 0.7\n   2 K C 0.1 0.2 0.7\n   3 X C 1 0 0\n   4 A H 0 1 0\n");
  EXPECT_NO_THROW(linkerkit::CheckSecStructFile(protein, dir / "good.ss2"));
  WriteFile(dir / "other.ss2",
            "# PSIPRED\n\n   1 M C 0.1 0.2 0.7\n   2 W C 0.1 0.2 0.7\n   3 V C 1 0 0\n   4 A H 0 1 0\n");
  EXPECT_THROW(linkerkit::CheckSecStructFile(protein, dir / "other.ss2"), Failure);
  WriteFile(dir / "m.mtx", "4\nMKVA\n1e-3\n");
  EXPECT_NO_THROW(linkerkit::CheckProfileMatrixFile(protein, dir / "m.mtx"));
  WriteFile(dir / "short.mtx", "3\nMKV\n");
  EXPECT_EQ(linkerkit::test::FailureMessage([&] { linkerkit::CheckProfileMatrixFile(protein, dir / "short.mtx"); }),
            "P: the checkpoint matrix " + (dir / "short.mtx") + " has 3 residues, the FASTA sequence 4");
}

TEST(RoadFiles, AScratchFileIsToldByWhatItHolds) {
  const std::string scratch = "/tmp/linkerkit-Ab1.2/workers/1";
  EXPECT_EQ(linkerkit::DescribeScratchFiles("P1: cannot write " + scratch + "/protein2.fa: No space left", scratch),
            "P1: cannot write its FASTA record: No space left");
  EXPECT_EQ(linkerkit::DescribeScratchFiles(
                "P1: ClassifyFeatureRows failed: " + scratch + "/protein3.vectors line 12: feature 2 is not", scratch),
            "P1: ClassifyFeatureRows failed: its vector line 12: feature 2 is not");
  EXPECT_EQ(linkerkit::DescribeScratchFiles("P1: TrackProfileColumn failed: " + scratch + "/protein0.profile line 4: x",
                                            scratch),
            "P1: TrackProfileColumn failed: its profile table line 4: x");
  EXPECT_EQ(linkerkit::DescribeScratchFiles("P1 and 2 more: reprof failed on " + scratch + "/protein0.fa", scratch),
            "P1 and 2 more: reprof failed on its FASTA record");
  EXPECT_EQ(linkerkit::DescribeScratchFiles("P1: cannot open " + scratch + "/protein0.reprof.ss2", scratch),
            "P1: cannot open reprof's secondary structure for it");
  EXPECT_EQ(linkerkit::DescribeScratchFiles("P1: cannot write " + scratch + "/odd.tmp: why", scratch),
            "P1: cannot write its files in the work folder: why");
  // Another worker's folder, or the user's own files, stay as they are.
  EXPECT_EQ(linkerkit::DescribeScratchFiles("cannot open " + scratch + "0/protein0.fa", scratch),
            "cannot open " + scratch + "0/protein0.fa");
}

TEST(RoadLinkerTable, CountsFromOne) {
  auto linker = linkerkit::ReadCalledLinker("A|9,9|1|0.5|12|9|2", "report", 2);
  ASSERT_TRUE(linker);
  EXPECT_EQ(linker->line, "A|9,9|1|0.5|12|9|2");
  EXPECT_EQ(linkerkit::LinkerTableLine(*linker), "A\t10\t10\t10\t0.5\t-\t12\n");
  linker->confidence = 0.4125;
  EXPECT_EQ(linkerkit::LinkerTableLine(*linker), "A\t10\t10\t10\t0.5\t0.412\t12\n");
  EXPECT_EQ(linkerkit::LinkerTableLine(*linkerkit::ReadCalledLinker("B|0,4|5|1.250000|30|2|1", "report", 1)),
            "B\t1\t5\t3\t1.250000\t-\t30\n");
  EXPECT_FALSE(linkerkit::ReadCalledLinker("No prediction", "report", 1));
  EXPECT_THROW(linkerkit::ReadCalledLinker("B|0,4|5|1.25|30", "report", 1), Failure);
}

TEST(RoadLinkerTable, ProteinsWithOrWithoutAScoreAndACalibration) {
  EXPECT_EQ(linkerkit::ProteinTableLine({"P1", 120, 2, 2.571104, 0.8}), "P1\t120\t2\t2.571104\t0.800\n");
  EXPECT_EQ(linkerkit::ProteinTableLine({"P2", 5, 0, std::nullopt, std::nullopt}), "P2\t5\t0\t-\t-\n");
}

// The message of a calibration file's failure, after the file's name.
std::string CalibrationFailure(const std::string &text) {
  TempDir dir;
  WriteFile(dir / "calibration", text);
  const std::string message = linkerkit::test::FailureMessage([&] { linkerkit::ReadCalibration(dir / "calibration"); });
  return message.substr(std::min(message.find(dir / "calibration") + (dir / "calibration").size(), message.size()));
}

TEST(RoadCalibration, ReadsRowsAndLooksUpTheLargestFromAtOrBelow) {
  TempDir dir;
  WriteFile(dir / "calibration",
            "# made on held-out folds\n\nlinker -inf 0.05\nprotein\t-1.5\t0.2\nlinker 0.25 0.3\n  linker 0.5 1\r\n"
            "protein 0 0.6\n");
  const linkerkit::Calibration calibration = linkerkit::ReadCalibration(dir / "calibration");
  ASSERT_EQ(calibration.linker.size(), 3u);
  ASSERT_EQ(calibration.protein.size(), 2u);
  const auto linker = [&](double value) { return linkerkit::CalibratedProbability(calibration.linker, value); };
  EXPECT_EQ(linker(-1e300), 0.05);
  EXPECT_EQ(linker(0.2499), 0.05);
  EXPECT_EQ(linker(0.25), 0.3);
  EXPECT_EQ(linker(0.4), 0.3);
  EXPECT_EQ(linker(INFINITY), 1.0);
  EXPECT_EQ(linker(NAN), 0.05);
  const auto protein = [&](double value) { return linkerkit::CalibratedProbability(calibration.protein, value); };
  // Below the lowest FROM, and nan (a protein of nan scores only): the lowest row.
  EXPECT_EQ(protein(-2), 0.2);
  EXPECT_EQ(protein(NAN), 0.2);
  EXPECT_EQ(protein(0.1), 0.6);
}

TEST(RoadCalibration, RefusesAMalformedLineNamingIt) {
  const std::string shape = ": expected 'linker FROM PROBABILITY' or 'protein FROM PROBABILITY'";
  EXPECT_EQ(CalibrationFailure("linker 0 0.5\nlinker 0.1\n"), " line 2" + shape);
  EXPECT_EQ(CalibrationFailure("linker 0 0.5 extra\n"), " line 1" + shape);
  EXPECT_EQ(CalibrationFailure("domain 0 0.5\n"), " line 1" + shape);
  EXPECT_EQ(CalibrationFailure("linker inf 0.5\n"), " line 1: FROM 'inf' is not a finite number or -inf");
  EXPECT_EQ(CalibrationFailure("linker 0.1x 0.5\n"), " line 1: FROM '0.1x' is not a finite number or -inf");
  EXPECT_EQ(CalibrationFailure("protein 0 1.5\n"), " line 1: PROBABILITY '1.5' is not a number from 0 to 1");
  EXPECT_EQ(CalibrationFailure("protein 0 nan\n"), " line 1: PROBABILITY 'nan' is not a number from 0 to 1");
  EXPECT_EQ(CalibrationFailure("linker 0.5 0.1\nprotein 0 0.1\nlinker 0.5 0.2\n"),
            " line 3: linker rows must rise in FROM");
  EXPECT_EQ(CalibrationFailure("# only linkers\nlinker 0 0.5\n"), ": no 'protein' row");
  EXPECT_EQ(CalibrationFailure(""), ": no 'linker' row");
}

TEST(RoadModelSettings, TheCallerAndItsDomainLength) {
  TempDir dir;
  // A model folder without its settings is no model: they are not made up.
  EXPECT_EQ(linkerkit::test::FailureMessage([&] { linkerkit::ReadModelSettings(dir / "none"); }),
            "cannot open " + (dir / "none"));
  WriteFile(dir / "settings", "scores raw\n");
  EXPECT_EQ(linkerkit::ReadModelSettings(dir / "settings").caller, linkerkit::LinkerCaller::kThreshold);
  EXPECT_EQ(linkerkit::ReadModelSettings(dir / "settings").min_domain, 40);
  EXPECT_EQ(linkerkit::ReadModelSettings(dir / "settings").scaled, std::nullopt);
  WriteFile(dir / "settings", "scaling none\n");
  EXPECT_EQ(linkerkit::ReadModelSettings(dir / "settings").scaled, false);
  WriteFile(dir / "settings", "scores raw\ncaller segment\nmin_domain 25\n");
  const linkerkit::ModelSettings settings = linkerkit::ReadModelSettings(dir / "settings");
  EXPECT_EQ(settings.caller, linkerkit::LinkerCaller::kSegment);
  EXPECT_EQ(settings.min_domain, 25);
  for (const auto &[line, problem] :
       {std::pair<std::string, std::string>{"caller segments", "caller 'segments': expected threshold or segment"},
        {"min_domain 0", "min_domain '0': expected a whole number from 1 to 1000000"}}) {
    WriteFile(dir / "settings", "rank 2\n" + line + "\n");
    EXPECT_EQ(linkerkit::test::FailureMessage([&] { linkerkit::ReadModelSettings(dir / "settings"); }),
              "invalid " + (dir / "settings") + " line 2: " + problem);
  }
  // The keys are the classifier's and the settings the options override; an
  // option that is no setting is no key.
  for (const std::string line : {"window 9", "Rank 2", "rank"}) {
    WriteFile(dir / "settings", "rank 2\n" + line + "\n");
    EXPECT_EQ(linkerkit::test::FailureMessage([&] { linkerkit::ReadModelSettings(dir / "settings"); }),
              (dir / "settings") +
                  " line 2: expected 'KEY VALUE' with KEY scores, smoothing, threshold, rank, offset, caller, "
                  "min_domain, classifier or scaling")
        << line;
  }
}

TEST(RoadPicture, DrawsBoxesAtTheirResiduesAndLeavesGapsForMissingScores) {
  linkerkit::ScorePlot plot;
  plot.protein = "A<&>";
  plot.score_label = "score";
  plot.scores = {0.1, 0.9, NAN, 1.5, 0.2, -0.3, 0.4, 0.8, 1.1, 0.0};
  plot.threshold = 0.5;
  plot.threshold_text = "0.5";
  plot.linkers = {{2, 4, ""}, {7, 7, "0.41"}};
  plot.truth = {{8, 9}};
  const std::string svg = linkerkit::DrawScorePlot(plot);
  // Residue i of 10 spans 70 + (i - 1) * 81 to 70 + i * 81.
  EXPECT_NE(svg.find("<rect class=\"linker\" x=\"151.00\" y=\"50.00\" width=\"243.00\""), std::string::npos) << svg;
  EXPECT_NE(svg.find("<rect class=\"truth\" x=\"637.00\""), std::string::npos);
  EXPECT_NE(svg.find(">2-4</text>"), std::string::npos);
  EXPECT_NE(svg.find(">7-7 \xC2\xB7 0.41</text>"), std::string::npos);
  EXPECT_NE(svg.find(">A&lt;&amp;&gt; (10 residues)</text>"), std::string::npos);
  const std::regex polyline("<polyline class=\"score\"");
  EXPECT_EQ(std::distance(std::sregex_iterator(svg.begin(), svg.end(), polyline), std::sregex_iterator()), 2);
}

}  // namespace
