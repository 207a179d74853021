#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "LineReader.h"
#include "cnumber.h"
#include "failure.h"
#include "failure_message.h"
#include "linker_report.h"
#include "options.h"
#include "test_support.h"

namespace {

using namespace linkerkit;
using Texts = std::vector<std::string>;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

CandidateList Scan(const std::vector<std::string> &lines, float threshold, int offset = 0) {
  RunScanner scanner(threshold, offset);
  for (const std::string &line : lines) scanner.Add(line.c_str());
  return scanner.Finish();
}

Texts Records(const CandidateList &candidates) {
  Texts records;
  for (std::size_t i = 0; i < candidates.size(); ++i) records.push_back(candidates.Record(candidates[i]));
  return records;
}

TEST(ReportDomainHinges, OptionsDefaultsAndValues) {
  const ReportSettings defaults = ApplyOptionLines({}).settings;
  EXPECT_EQ(defaults.ws, 1);
  EXPECT_EQ(defaults.smoothing_ws, 5);
  EXPECT_EQ(defaults.cutoff, static_cast<float>(-0.1));
  EXPECT_EQ(defaults.threshold, static_cast<float>(-0.1));
  EXPECT_EQ(defaults.length_min, 1);
  EXPECT_EQ(defaults.rank, 1);
  EXPECT_EQ(defaults.offset, 0);
  EXPECT_EQ(defaults.mergin, 60);
  EXPECT_FALSE(defaults.answer_file || defaults.smoothing_file || defaults.output_file);

  const OptionsRead read = ApplyOptionLines(
      {"OffSet = 5", "Margin =  -7x", "Threshold = 0.3", "CutOFF = abc", "LengthMin x= 4", "Rank =:9", "WindowSize =5",
       "SmoothingValue =", "NormalizedFile =  in put.txt ", "OutputFile = first", "OutputFile = second", "AnswerFile"});
  const ReportSettings &s = read.settings;
  EXPECT_EQ(s.offset, 5);
  EXPECT_EQ(s.mergin, -7);
  EXPECT_EQ(s.threshold, static_cast<float>(0.3));
  EXPECT_EQ(s.cutoff, 0.0f);
  EXPECT_EQ(s.length_min, 4);    // text between the key's space and "=" is ignored
  EXPECT_EQ(s.rank, 9);          // the value starts two characters after "=", whatever they are
  EXPECT_EQ(s.ws, 0);            // "=5": the value starts at the line's end
  EXPECT_EQ(s.smoothing_ws, 0);  // "=" last: the value would start past the end
  EXPECT_EQ(s.smoothing_file, " in put.txt ");
  EXPECT_EQ(s.output_file, "second");
  EXPECT_FALSE(s.answer_file);  // a line without a space is all key
  EXPECT_EQ(read.messages, "There's no parameter named AnswerFile\n");
}

TEST(ReportDomainHinges, OptionsUnknownKeysAreReportedAndBlankLinesSkipped) {
  const OptionsRead read =
      ApplyOptionLines({"rank = 2", "", "  \t", "# a comment", "OffSetX = 3", "NoSpace=1", "OffSet = 2"});
  EXPECT_EQ(read.messages,
            "There's no parameter named rank\nThere's no parameter named #\nThere's no parameter named OffSetX\n"
            "There's no parameter named NoSpace=1\n");
  EXPECT_EQ(read.settings.rank, 1);
  EXPECT_EQ(read.settings.offset, 2);
}

TEST(ReportDomainHinges, RunScanWorkedExampleInScanOrder) {
  const auto candidates =
      Scan({"0.200000 #P1 0 8", "0.600000 #P1 1 8", "0.700000 #P1 2 8", "0.400000 #P1 3 8", "0.550000 #P1 4 8",
            "0.900000 #P1 5 8", "0.900000 #P1 6 8", "0.100000 #P1 7 8", "0.800000 #P2 0 5", "0.650000 #P2 1 5",
            "0.300000 #P2 2 5", "0.300000 #P2 3 5", "0.500000 #P2 4 5"},
           0.5f);
  EXPECT_EQ(Records(candidates),
            (Texts{"P1 0.200000 1 2 2 8", "P1 0.400000 4 6 5 8", "P2 0.150000 1 1 1 5", "P2 0.000000 4 4 4 5"}));
  EXPECT_EQ(candidates.Name(candidates[1]), "P1");
  EXPECT_EQ(CandidateList::Score(candidates[1]), 0.4);
  EXPECT_EQ(candidates[1].peak_position, 5);
}

TEST(ReportDomainHinges, RunScanPositionFilter) {
  std::vector<std::string> lines;
  for (int p = 0; p < 10; ++p) lines.push_back("1.0 #A " + std::to_string(p) + " 10");
  EXPECT_EQ(Records(Scan(lines, 0.5f, 2)), Texts{"A 0.500000 3 7 3 10"});
  EXPECT_EQ(Records(Scan(lines, 0.5f, -1)), Texts{"A 0.500000 0 9 0 10"});
  EXPECT_TRUE(Scan(lines, 0.5f, 5).empty());
  // A dropped line is not seen at all, so it does not end a run.
  EXPECT_EQ(Records(Scan({"0.9 #A 1 4", "0.1 #A 5 4", "0.8 #A 2 4", "0.1 #A 0 4"}, 0.5f)), Texts{"A 0.400000 1 2 1 4"});
}

TEST(ReportDomainHinges, RunScanRunBoundariesAndPeaks) {
  EXPECT_EQ(Records(Scan({"0.5 #A 1 9", "0.499999 #A 2 9", "0.5 #A 3 9", "0.5 #A 4 9"}, 0.5f)),
            (Texts{"A 0.000000 1 1 1 9", "A 0.000000 3 4 3 9"}));
  EXPECT_EQ(Records(Scan({"0.7 #A 1 9", "0.9 #A 2 9", "0.6 #A 3 9", "0.9 #A 4 9"}, 0.5f)), Texts{"A 0.400000 1 4 2 9"});
  EXPECT_TRUE(Scan({"0.7 #A 1 9", "0.9 #A 2 9"}, 0.95f).empty());
  // Names must match exactly: P1 does not run on into P10.
  EXPECT_EQ(Records(Scan({"0.9 #P1 1 3", "0.9 #P1 2 3", "0.9 #P10 1 4", "0.9 #P10 2 4"}, 0.5f)),
            (Texts{"P1 0.400000 1 2 1 3", "P10 0.400000 1 2 1 4"}));
  // "nan" is never at or above the threshold: it ends a run and starts none.
  EXPECT_EQ(Records(Scan({"0.9 #A 1 9", "nan #A 2 9", "nan #A 3 9", "0.6 #A 4 9"}, 0.5f)),
            (Texts{"A 0.400000 1 1 1 9", "A 0.100000 4 4 4 9"}));
}

TEST(ReportDomainHinges, RunScanSinglePrecision) {
  // 0.1 in double is below 0.1 narrowed to float, so the comparison must be
  // in float for the line to reach the threshold.
  EXPECT_EQ(Records(Scan({"0.1 #A 1 3"}, 0.1f)), Texts{"A 0.000000 1 1 1 3"});
  EXPECT_EQ(Records(Scan({"16777217 #A 1 3"}, 0.0f)), Texts{"A 16777216.000000 1 1 1 3"});
  EXPECT_EQ(Records(Scan({"1000.1 #A 1 3"}, 0.3f)), Texts{"A 999.799988 1 1 1 3"});
}

TEST(ReportDomainHinges, RunScanValuesReadAsTheCLibraryReadsThem) {
  // The usual "%f" texts take a short path; every other shape must still
  // give strtod's value.
  for (const char *value :
       {"0.123456", "-1.999999", "-0.000000", "123456789.000001", "1234567890.000001", "1.2345675", "1.234567e1",
        "1.234567.5", "1.234567x", " 0.5", "+0.75", "0x1.8p0", ".5", "5.", "1e-3", "inf"}) {
    const std::string line = std::string(value) + " #A 1 3";
    const float peak = static_cast<float>(std::strtod(value, nullptr));
    const std::string expected = linkerkit::test::Printf("A %f 1 1 1 3", static_cast<double>(peak - -100.0f));
    EXPECT_EQ(Records(Scan({line}, -100.0f)), Texts{expected}) << value;
  }
  // A value cut short at the end of the line is read no further.
  for (const char *cut : {"1.", "1.2", "1.23456", "-0.12345"}) {
    EXPECT_EQ(linkerkit::test::FailureMessage([&] { Scan({cut}, 0.0f); }),
              "malformed score line 1: expected VALUE #NAME POSITION LENGTH");
  }
  // A name that merely begins like the line before's is read whole.
  EXPECT_EQ(Records(Scan({"0.9 #P1 1 9", "0.9 #P10 2 9", "0.9 #P 3 9", "0.9 #P 4 9"}, 0.5f)),
            (Texts{"P1 0.400000 1 1 1 9", "P10 0.400000 2 2 2 9", "P 0.400000 3 4 3 9"}));
}

TEST(ReportDomainHinges, RunScanThresholdOnTheUsualValuesAsInSinglePrecision) {
  // The "%f" values are compared by their digits: the line reaches the
  // threshold exactly when its value narrowed to float does.
  const float thresholds[] = {0.1f,
                              -0.1f,
                              0.5f,
                              1.5f,
                              0.0f,
                              -0.0f,
                              1e-7f,
                              std::nextafter(0.1f, 1.0f),
                              123456.789f,
                              -2.0f,
                              std::numeric_limits<float>::infinity(),
                              -std::numeric_limits<float>::infinity(),
                              std::nanf("")};
  for (const float threshold : thresholds) {
    for (const double centre : {static_cast<double>(threshold), -static_cast<double>(threshold), 0.0}) {
      for (int step = -4; step <= 4; ++step) {
        const double near = std::isfinite(centre) ? centre + step * 1e-6 : step * 1e6;
        const std::string value = linkerkit::test::Printf("%f", near);
        const bool reaches = static_cast<float>(std::strtod(value.c_str(), nullptr)) >= threshold;
        EXPECT_EQ(Scan({value + " #A 1 3"}, threshold).size(), reaches ? 1u : 0u) << value << " against " << threshold;
      }
    }
  }
}

TEST(ReportDomainHinges, RunScanMalformedLinesFailWithTheirNumber) {
  for (const char *bad : {"0.9 A 1 9", "0.9 #A", "0.9 #A 1", ""}) {
    try {
      Scan({"0.9 #A 1 9", bad}, 0.5f);
      ADD_FAILURE() << bad;
    } catch (const Failure &failure) {
      EXPECT_EQ(std::string(failure.what()), "malformed score line 2: expected VALUE #NAME POSITION LENGTH");
    }
  }
}

// A score file read line by line through Add, as the reference for AddAll.
CandidateList ScanLineByLine(const std::string &path, float threshold) {
  RunScanner scanner(threshold, 0);
  LineReader reader(path.c_str());
  std::string_view line;
  while (reader.Next(line)) scanner.Add(line);
  return scanner.Finish();
}

CandidateList ScanFile(const std::string &path, float threshold) {
  RunScanner scanner(threshold, 0);
  LineReader reader(path.c_str());
  scanner.AddAll(reader);
  return scanner.Finish();
}

TEST(ReportDomainHinges, RunScanOfAFileReadsEveryLineAsAddDoes) {
  // The usual lines are read in place and the others by Add: lines of every
  // shape Add takes, mixed over several read blocks, give the same runs,
  // and a malformed line fails with the same number.
  std::mt19937 random(17);
  const auto pick = [&](std::initializer_list<const char *> texts) {
    return *(texts.begin() + random() % texts.size());
  };
  const auto one_in = [&](unsigned n) { return random() % n == 0; };
  std::string content;
  std::string name = "P1";
  for (int lines = 0; lines < 60000; ++lines) {
    if (one_in(40)) name = pick({"P1", "P10", "P", "", "A_NAME_LONGER_THAN_SIXTEEN_BYTES", "Q9LQ92", "n\xc3\xa9"});
    const int position = static_cast<int>(random() % 1000);
    std::string value = linkerkit::test::Printf("%f", -2.0 + 4.0 * (random() % 1000000) / 1e6);
    if (one_in(50)) {
      value = pick({"12345678.123456", "1234567.123456", "1e-3", "0.5", "-0.000000", "nan", "-inf", " 0.75",
                    "1.2345678", "+1.500000", "1.500000.5", "-", ".500000"});
    }
    std::string line = value + (one_in(60) ? pick({"  #", "x#", "##"}) : " #") + name + " ";
    line += one_in(60) ? pick({"12345678", "-3", "007", "", "1x"}) : std::to_string(position);
    line += " ";
    line += one_in(60) ? pick({"12345678", "-9", "0999", "99999999999", "9 extra", "9\r", "9\r\r"}) : "999";
    if (one_in(200)) line += std::string(1, '\0') + "after a NUL";
    if (one_in(500)) line += std::string(100000, ' ');  // cut in pieces: the rest is a line of its own
    if (one_in(500)) line += "\n";                      // and an empty line, which is malformed
    content += line + "\n";
  }
  // Past the first few, the blank lines and long lines' rests are malformed:
  // the file up to the first of them is scanned, and then the file without
  // them.
  TempDir dir;
  const std::string path = dir / "scores";
  for (const bool whole : {true, false}) {
    std::string text = content;
    if (!whole) {
      std::string kept;
      std::size_t start = 0;
      for (std::size_t feed; (feed = text.find('\n', start)) != std::string::npos; start = feed + 1) {
        const std::string_view line(text.data() + start, feed - start);
        if (!line.empty() && line.size() < 90000) kept += std::string(line) + "\n";
      }
      text = kept;
      text.pop_back();  // and the last line has no line feed
    }
    WriteFile(path, text);
    for (const float threshold : {0.5f, 1.9f, -1.0f}) {
      const std::string expected = linkerkit::test::FailureMessage([&] { ScanLineByLine(path, threshold); });
      EXPECT_EQ(linkerkit::test::FailureMessage([&] { ScanFile(path, threshold); }), expected);
      if (expected != "(no failure)") continue;
      const CandidateList reference = ScanLineByLine(path, threshold);
      EXPECT_GT(reference.size(), 1000u);
      EXPECT_EQ(Records(ScanFile(path, threshold)), Records(reference)) << threshold;
    }
  }
}

TEST(ReportDomainHinges, RunScanOfAFileAtTheEdgesOfTheUsualLines) {
  // Each file gives the runs, or the failure, that Add gives line by line.
  const std::string name_to_fill(99984, 'L');  // "0.800000 #NAME 2 9" fills a piece of 99999 bytes
  const std::vector<std::string> files = {
      // A usual line that fills a piece, and one a byte longer, cut after
      // its "9": the line feed's piece is then an empty, malformed line.
      "0.900000 #A 1 9\n0.800000 #" + name_to_fill + " 2 9\n",
      "0.900000 #A 1 9\n0.800000 #" + name_to_fill + "L 2 9\n",
      // Eight digits read in place, nine left to Add.
      "12345678.900000 #A 12345678 99999999\n123456789.000000 #A 12345679 99999999\n",
      "0.900000 #A 1 123456789\n0.900000 #A 123456789 999999999\n",
      // A name that begins with the last one's is read whole; a line with
      // no length after it is malformed.
      "0.900000 #P 1 9\n0.800000 #P1 2 9\n0.700000 #P 3 9\n",
      "0.900000 #P 1 9\n0.900000 #P11 9\n",
      "0.900000 #P 1 9\n0.900000 #P 9\n",
      "0.900000 #P 1 9\n0.900000 #P 1x9\n",
  };
  // Lines are read in place only where enough bytes follow them.
  std::string filler;
  for (int i = 0; i < 40; ++i) filler += "-1.000000 #Z 1 9\n";
  TempDir dir;
  const std::string path = dir / "scores";
  for (const std::string &file : files) {
    WriteFile(path, file + filler);
    const std::string label = file.substr(0, 60);
    const std::string expected = linkerkit::test::FailureMessage([&] { ScanLineByLine(path, 0.5f); });
    EXPECT_EQ(linkerkit::test::FailureMessage([&] { ScanFile(path, 0.5f); }), expected) << label;
    if (expected == "(no failure)") {
      EXPECT_EQ(Records(ScanFile(path, 0.5f)), Records(ScanLineByLine(path, 0.5f))) << label;
    }
  }
  WriteFile(path, files[0] + filler);
  EXPECT_EQ(ScanFile(path, 0.5f).size(), 2u);
  WriteFile(path, files[1] + filler);
  EXPECT_EQ(linkerkit::test::FailureMessage([&] { ScanFile(path, 0.5f); }),
            "malformed score line 3: expected VALUE #NAME POSITION LENGTH");
}

TEST(ReportDomainHinges, RankingNameThenScoreThenRecord) {
  auto candidates = Scan({"9.5 #P1 1 30", "-1 #P1 2 30", "10.5 #P1 3 30", "-1 #P1 4 30", "0.7 #P1 12 30",
                          "-1 #P1 13 30", "0.7 #P1 9 30", "0.7 #P10 1 5", "0.7 #P2 1 5"},
                         0.0f);
  RankCandidates(candidates);
  EXPECT_EQ(Records(candidates), (Texts{"P2 0.700000 1 1 1 5", "P10 0.700000 1 1 1 5", "P1 10.500000 3 3 3 30",
                                        "P1 9.500000 1 1 1 30", "P1 0.700000 9 9 9 30", "P1 0.700000 12 12 12 30"}));
  EXPECT_EQ(FormatReport(candidates, 2, 0.0f),
            "P2|1,1|1|0.700000|5|1|1\nP10|1,1|1|0.700000|5|1|1\nP1|3,3|1|10.500000|30|3|1\nP1|1,1|1|9.500000|30|1|2\n");
  EXPECT_EQ(FormatReport(candidates, 0, 0.0f), "");
  EXPECT_EQ(FormatReport(candidates, -1, 0.0f), "");
  EXPECT_EQ(FormatReport({}, 2, 0.0f), "No prediction\n");
}

TEST(ReportDomainHinges, RankingScoresThatPrintAlikeTieAndRecurringNamesGroup) {
  // 0.7000001 and 0.7000003 differ as floats but both print 0.700000: the
  // records decide, as text ("9" after "10" descending comes first).
  auto candidates = Scan({"0.7000001 #A 10 30", "-1 #A 11 30", "0.7000003 #A 9 30", "-1 #B 1 5", "0.2 #B 2 5",
                          "-1 #B 3 5", "0.9 #A 20 30"},
                         0.0f);
  RankCandidates(candidates);
  EXPECT_EQ(Records(candidates),
            (Texts{"B 0.200000 2 2 2 5", "A 0.900000 20 20 20 30", "A 0.700000 9 9 9 30", "A 0.700000 10 10 10 30"}));
  EXPECT_EQ(FormatReport(candidates, 2, 0.0f),
            "B|2,2|1|0.200000|5|2|1\nA|20,20|1|0.900000|30|20|1\nA|9,9|1|0.700000|30|9|2\n");
  EXPECT_EQ(FormatListing(candidates),
            "B 0.200000 2 2 2 5\nA 0.900000 20 20 20 30\nA 0.700000 9 9 9 30\nA 0.700000 10 10 10 30\n");
}

TEST(ReportDomainHinges, RankingSameOrderWhateverTheOrderOfTheProteinsInTheFile) {
  const std::vector<std::string> b = {"0.6 #B 1 9", "0.1 #B 2 9", "0.8 #B 3 9"};
  const std::vector<std::string> a = {"0.7 #A 1 9", "0.1 #A 2 9", "0.7 #A 3 9", "0.1 #A 4 9", "0.9 #A 5 9"};
  const std::vector<std::string> c = {"0.5 #C 1 9"};
  const Texts ranked = {"C 0.000000 1 1 1 9", "B 0.300000 3 3 3 9", "B 0.100000 1 1 1 9",
                        "A 0.400000 5 5 5 9", "A 0.200000 3 3 3 9", "A 0.200000 1 1 1 9"};
  for (const auto &order :
       {std::vector{&a, &b, &c}, std::vector{&c, &b, &a}, std::vector{&b, &c, &a}, std::vector{&a, &c, &b}}) {
    std::vector<std::string> lines;
    for (const auto *protein : order) lines.insert(lines.end(), protein->begin(), protein->end());
    auto candidates = Scan(lines, 0.5f);
    RankCandidates(candidates);
    EXPECT_EQ(Records(candidates), ranked);
  }
}

TEST(ReportDomainHinges, RankingManyRunsIsTheOrderOfRanksBefore) {
  // Runs whose scores tie, print alike, lie just over 10^-5 apart or are
  // "nan", many to a protein, ranked as a sort by name and RanksBefore would
  // rank them: with the proteins in order and out of order.
  std::mt19937 random(23);
  const char *values[] = {"0.6",       "0.6000001", "0.6000004", "0.6000006", "0.7",        "0.70000449",
                          "0.7000051", "0.70001",   "nan",       "1e10",      "4294967296", "4294967295.5"};
  for (const auto &names : {std::vector<std::string>{"A", "B", "C"}, std::vector<std::string>{"B", "C", "A", "B"}}) {
    std::vector<std::string> lines;
    for (const std::string &name : names) {
      for (int position = 1; position < 2000; position += 2) {
        const std::string value = random() % 3 ? values[random() % std::size(values)]
                                               : linkerkit::test::Printf("%.9g", 0.5 + (random() % 1000) / 1e4);
        lines.push_back(value + " #" + name + " " + std::to_string(position) + " 2001");
        lines.push_back("-1 #" + name + " " + std::to_string(position + 1) + " 2001");
      }
    }
    CandidateList candidates = Scan(lines, 0.5f);
    std::vector<Candidate> expected;
    for (std::size_t i = 0; i < candidates.size(); ++i) expected.push_back(candidates[i]);
    std::sort(expected.begin(), expected.end(), [&](const Candidate &a, const Candidate &b) {
      if (candidates.Name(a) != candidates.Name(b)) return candidates.Name(a) > candidates.Name(b);
      return RanksBefore(a, b);
    });
    Texts expected_records;
    for (const Candidate &candidate : expected) expected_records.push_back(candidates.Record(candidate));
    RankCandidates(candidates);
    EXPECT_EQ(Records(candidates), expected_records) << names.size() << " groups";
  }
}

TEST(ReportDomainHinges, RankingNotANumberScoreRanksLast) {
  // With threshold -inf a run of -inf values scores -inf - -inf, not a number.
  const float minus_inf = -std::numeric_limits<float>::infinity();
  auto candidates = Scan({"-inf #A 1 9", "nan #A 2 9", "0.5 #A 3 9", "nan #A 4 9", "-inf #A 5 9"}, minus_inf);
  RankCandidates(candidates);
  ASSERT_EQ(candidates.size(), 3u);
  EXPECT_EQ(candidates.Record(candidates[0]), "A inf 3 3 3 9");
  EXPECT_TRUE(std::isnan(candidates[1].score) && std::isnan(candidates[2].score));
  EXPECT_EQ(candidates[1].start, 5);

  // "nan" beside finite scores, as a list built by hand may hold them.
  CandidateList built;
  const std::uint32_t name = built.NameIndex("A");
  const float nan = std::nanf("");
  int start = 0;
  for (const float score : {0.5f, nan, 0.2f, 0.9f, -nan, 0.3f})
    built.Add(Candidate{name, score, ++start, start, start, 9});
  RankCandidates(built);
  EXPECT_EQ(Records(built), (Texts{"A 0.900000 4 4 4 9", "A 0.500000 1 1 1 9", "A 0.300000 6 6 6 9",
                                   "A 0.200000 3 3 3 9", "A nan 2 2 2 9", "A -nan 5 5 5 9"}));
  // And scores below 0, which no scan gives.
  CandidateList negative;
  const std::uint32_t negative_name = negative.NameIndex("A");
  for (const float score : {-0.5f, 0.2f, -0.1f, nan, -0.0f}) negative.Add(Candidate{negative_name, score, 1, 1, 1, 9});
  RankCandidates(negative);
  EXPECT_EQ(Records(negative), (Texts{"A 0.200000 1 1 1 9", "A -0.000000 1 1 1 9", "A -0.100000 1 1 1 9",
                                      "A -0.500000 1 1 1 9", "A nan 1 1 1 9"}));
}

// The fields after the name, the way the listing prints them.
Texts Fields(const std::vector<Candidate> &candidates) {
  Texts fields;
  for (const Candidate &candidate : candidates) CandidateList::AppendFields(fields.emplace_back(), candidate);
  return fields;
}

TEST(ReportDomainHinges, ReportedRunsOfValuesAreWhatTheScanReports) {
  // One protein's values as score lines, scanned and ranked, against the
  // value-level rule: runs, their order (scores that print alike, "nan"
  // scores) and the first `rank`, at several offsets.
  const float nan = std::nanf("");
  const float inf = std::numeric_limits<float>::infinity();
  const std::vector<std::vector<float>> proteins = {
      {0.2f, 0.6f, 0.7f, 0.4f, 0.55f, 0.9f, 0.9f, 0.1f},
      {0.7000001f, 0.1f, 0.7000003f, 0.1f, 0.9f, 0.9f, 0.5f, 0.1f, 0.8f, 0.8f, 0.8f, 0.1f},
      {0.9f, nan, 0.6f, 0.6f, nan, 0.5f, 0.5f, 0.5f},
      {-inf, 0.3f, -inf, -inf, 0.1f, inf},
      {0.5f},
      {}};
  for (const std::vector<float> &values : proteins) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < values.size(); ++i) {
      lines.push_back(linkerkit::test::Printf("%.9g #A %zu %zu", static_cast<double>(values[i]), i, values.size()));
    }
    for (const float threshold : {0.5f, 0.0f, -inf}) {
      for (const int offset : {0, 1, 3}) {
        CandidateList scanned = Scan(lines, threshold, offset);
        RankCandidates(scanned);
        std::vector<Candidate> ranked;
        for (std::size_t i = 0; i < scanned.size(); ++i) ranked.push_back(scanned[i]);
        EXPECT_EQ(Fields(FindRuns(values, threshold, offset)).size(), ranked.size());
        for (const int rank : {-1, 0, 1, 2, 9}) {
          std::vector<Candidate> reported(ranked.begin(),
                                          ranked.begin() + std::clamp(rank, 0, static_cast<int>(ranked.size())));
          EXPECT_EQ(Fields(ReportedRuns(values, threshold, offset, rank)), Fields(reported))
              << lines.size() << " values, threshold " << threshold << ", offset " << offset << ", rank " << rank;
        }
      }
    }
  }
  // The report's peak of a value-level run, as the report line shows it.
  const std::vector<float> tiny = {0.0000014f};
  EXPECT_EQ(ReportedPeak(FindRuns(tiny, 0.0000006f, -1).at(0), 0.0000006f), static_cast<float>(0.000001 + 0.0000006f));
}

TEST(ReportDomainHinges, ScoreIsTheRecordTextReadBack) {
  // Every exponent, random mantissas and both signs, inf and nan.
  for (const float score : linkerkit::test::FloatsOfEveryExponent(29, 500)) {
    const Candidate candidate{0, score, 1, 1, 1, 3};
    std::string text;
    CandidateList::AppendFields(text, candidate);
    const double expected = ReadCDouble(text.c_str());
    const double score_read = CandidateList::Score(candidate);
    ASSERT_TRUE(std::memcmp(&expected, &score_read, sizeof expected) == 0 ||
                (std::isnan(expected) && std::isnan(score_read)))
        << text;
  }
}

TEST(ReportDomainHinges, ReportPeakIsRebuiltFromTheRecordText) {
  // The run's peak 0.0000014 prints 0.000001, but the report adds the
  // threshold to the record's six-decimal score: 0.000001 + 0.0000006.
  const auto candidates = Scan({"0.0000014 #A 1 3"}, 0.0000006f);
  EXPECT_EQ(Records(candidates), Texts{"A 0.000001 1 1 1 3"});
  EXPECT_EQ(FormatReport(candidates, 1, 0.0000006f), "A|1,1|1|0.000002|3|1|1\n");
}

}  // namespace
