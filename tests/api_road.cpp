// The road's own pieces: its command line, the FASTA records it accepts,
// its messages, the linker table and the picture.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

TEST(RoadOptions, TakesEveryFormAndKeepsTheThresholdAsTyped) {
  const auto options = Parse({"-j3", "in.fa", "--window=9", "--threshold", "-.5e1", "--keep-work", "--rank", "007"});
  EXPECT_EQ(options.fasta, "in.fa");
  EXPECT_EQ(options.jobs, 3);
  EXPECT_EQ(options.window, 9);
  EXPECT_EQ(options.threshold, "-.5e1");
  EXPECT_EQ(options.rank, 7);
  EXPECT_TRUE(options.keep_work);
  EXPECT_EQ(Parse({"--", "--odd.fa"}).fasta, "--odd.fa");
  EXPECT_EQ(Parse({"--show-settings"}).stop, linkerkit::RoadStop::kSettings);
  const auto caller = Parse({"--caller", "segment", "--min-domain=30", "--min-confidence", ".25", "a.fa"});
  EXPECT_EQ(caller.caller, linkerkit::LinkerCaller::kSegment);
  EXPECT_EQ(caller.min_domain, 30);
  EXPECT_EQ(caller.min_confidence, 0.25);
  EXPECT_EQ(Parse({"--caller=threshold", "a.fa"}).caller, linkerkit::LinkerCaller::kThreshold);
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
  EXPECT_EQ(
      linkerkit::DescribeScratchFiles("P1: cannot write " + scratch + "/feat/PSS_C_15.txt: No space left", scratch),
      "P1: cannot write its track PSS_C_15: No space left");
  EXPECT_EQ(linkerkit::DescribeScratchFiles(
                "P1: ClassifyFeatureRows failed: " + scratch + "/protein3.vectors line 12: feature 2 is not", scratch),
            "P1: ClassifyFeatureRows failed: its vector line 12: feature 2 is not");
  EXPECT_EQ(linkerkit::DescribeScratchFiles(
                "P1: TrackProfileColumn failed: " + scratch + "/feat/PSSM_A_7.txt line 4: x", scratch),
            "P1: TrackProfileColumn failed: its track PSSM_A_7 at residue 4: x");
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
  auto linkers = linkerkit::ReadCalledLinkers("B|0,4|5|1.250000|30|2|1\nA|9,9|1|0.5|12|9|2\n", "report");
  EXPECT_EQ(linkerkit::FormatLinkerTable(linkers),
            "protein\tstart\tend\tpeak_position\tscore\tconfidence\tprotein_length\nB\t1\t5\t3\t1.250000\t-\t30\n"
            "A\t10\t10\t10\t0.5\t-\t12\n");
  linkers[1].confidence = 0.4125;
  EXPECT_NE(linkerkit::FormatLinkerTable(linkers).find("\t0.5\t0.412\t12\n"), std::string::npos);
  // The report of the linkers kept: their own lines.
  EXPECT_EQ(linkerkit::FormatReportLines({linkers[1]}), "A|9,9|1|0.5|12|9|2\n");
  EXPECT_EQ(linkerkit::FormatReportLines({}), "No prediction\n");
  EXPECT_TRUE(linkerkit::ReadCalledLinkers("No prediction\n", "report").empty());
  EXPECT_THROW(linkerkit::ReadCalledLinkers("B|0,4|5|1.25|30\n", "report"), Failure);
}

TEST(RoadLinkerTable, ProteinsWithOrWithoutAScoreAndACalibration) {
  EXPECT_EQ(linkerkit::FormatProteinTable({{"P1", 120, 2, 2.571104, 0.8}, {"P2", 5, 0, std::nullopt, std::nullopt}}),
            "protein\tlength\tlinkers\thighest_score\tmulti_domain_probability\nP1\t120\t2\t2.571104\t0.800\n"
            "P2\t5\t0\t-\t-\n");
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
