#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using linkerkit::test::Printf;
using linkerkit::test::ReadFile;
using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

constexpr const char *kUsage = "ReportDomainHinges [option file] [rank] [threshold]\n";
constexpr const char *kWorkedScores =
    "0.200000 #P1 0 8\n0.600000 #P1 1 8\n0.700000 #P1 2 8\n0.400000 #P1 3 8\n0.550000 #P1 4 8\n0.900000 #P1 5 8\n"
    "0.900000 #P1 6 8\n0.100000 #P1 7 8\n0.800000 #P2 0 5\n0.650000 #P2 1 5\n0.300000 #P2 2 5\n0.300000 #P2 3 5\n"
    "0.500000 #P2 4 5\n";
constexpr const char *kWorkedListing =
    "P2 0.150000 1 1 1 5\nP2 0.000000 4 4 4 5\nP1 0.400000 4 6 5 8\nP1 0.200000 1 2 2 8\n";

// A folder with the worked example's score file and an options file naming
// it and report.txt, plus extra option lines (DIR stands for the folder).
struct ReportFolder {
  TempDir dir;
  explicit ReportFolder(const std::string &extra_options = "", const std::string &scores = kWorkedScores) {
    WriteFile(dir / "scores.txt", scores);
    std::string options = "NormalizedFile = DIR/scores.txt\nOutputFile = DIR/report.txt\n" + extra_options;
    for (std::size_t at; (at = options.find("DIR")) != std::string::npos;) options.replace(at, 3, dir.path().string());
    WriteFile(dir / "options.txt", options);
  }
  linkerkit::test::RunResult Run(const std::string &rank, const std::string &threshold) {
    return RunTool("ReportDomainHinges", {dir / "options.txt", rank, threshold});
  }
  std::string Report() { return ReadFile(dir / "report.txt"); }
  bool OnlyTheReportIsThere() {
    int files = 0;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
      files += entry.path().filename() != "report.txt";
    return files == 2;
  }
};

TEST(ReportDomainHingesCli, WorkedExample) {
  ReportFolder setup;
  auto result = setup.Run("2", "0.5");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, kWorkedListing);
  EXPECT_EQ(setup.Report(),
            "P2|1,1|1|0.650000|5|1|1\nP2|4,4|1|0.500000|5|4|2\nP1|4,6|3|0.900000|8|5|1\nP1|1,2|2|0.700000|8|2|2\n");
  result = setup.Run("1", "0.5");
  EXPECT_EQ(result.out, kWorkedListing);
  EXPECT_EQ(setup.Report(), "P2|1,1|1|0.650000|5|1|1\nP1|4,6|3|0.900000|8|5|1\n");
  result = setup.Run("0", "0.5");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, kWorkedListing);
  EXPECT_EQ(setup.Report(), "");
  EXPECT_TRUE(setup.OnlyTheReportIsThere());
}

TEST(ReportDomainHingesCli, OptionsFileLines) {
  // The file's Rank, Threshold and LengthMin change nothing; OffSet 1 keeps
  // positions 2 to 6 of P1 and 2 to 3 of P2; the later OutputFile wins;
  // unknown keys are reported in order.
  ReportFolder setup(
      "rank = 2\nRank = 9\nThreshold = 0.1\nLengthMin = 4\n\nOffSet = 1\n# note\nOutputFile = DIR/later.txt\n");
  const auto result = setup.Run("1", "0.5");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out,
            "There's no parameter named rank\nThere's no parameter named #\n"
            "P1 0.400000 4 6 5 8\nP1 0.200000 2 2 2 8\n");
  EXPECT_EQ(ReadFile(setup.dir / "later.txt"), "P1|4,6|3|0.900000|8|5|1\n");
  EXPECT_FALSE(std::filesystem::exists(setup.dir / "report.txt"));
}

TEST(ReportDomainHingesCli, NoPrediction) {
  for (const std::string &scores : {std::string(kWorkedScores), std::string()}) {
    ReportFolder setup("Bogus = 1\n", scores);
    const auto result = setup.Run("0", "0.95");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "There's no parameter named Bogus\n");
    EXPECT_EQ(setup.Report(), "No prediction\n");
  }
}

TEST(ReportDomainHingesCli, FailuresLeaveTheOldReport) {
  struct Case {
    std::string options;  // replaces the options file when not empty
    std::string scores;
    std::vector<std::string> arguments;
    std::string message;  // with DIR/ for the folder
  };
  const std::string good_options = "NormalizedFile = DIR/scores.txt\nOutputFile = DIR/report.txt\n";
  const std::vector<Case> cases = {
      {"", kWorkedScores, {"DIR/options.txt", "2"}, kUsage},
      {"", kWorkedScores, {"DIR/options.txt", "2", "0.5", "x"}, kUsage},
      {"", kWorkedScores, {"DIR/missing.txt", "2", "0.5"}, "cannot open DIR/missing.txt\n"},
      {"x y\nOutputFile = DIR/report.txt\n",
       kWorkedScores,
       {"DIR/options.txt", "2", "0.5"},
       "There's no parameter named x\noptions file DIR/options.txt sets no NormalizedFile\n"},
      {"NormalizedFile = DIR/scores.txt\n",
       kWorkedScores,
       {"DIR/options.txt", "2", "0.5"},
       "options file DIR/options.txt sets no OutputFile\n"},
      {"NormalizedFile = DIR/none.txt\nOutputFile = DIR/report.txt\n",
       kWorkedScores,
       {"DIR/options.txt", "2", "0.5"},
       "cannot open DIR/none.txt\n"},
      {"NormalizedFile = DIR\nOutputFile = DIR/report.txt\n",
       kWorkedScores,
       {"DIR/options.txt", "2", "0.5"},
       "cannot open DIR\n"},
      {"NormalizedFile = DIR/scores.txt\nOutputFile = DIR/no/report.txt\n",
       kWorkedScores,
       {"DIR/options.txt", "2", "0.5"},
       "cannot open DIR/no/report.txt\n"},
      {"NormalizedFile = DIR/scores.txt\nOutputFile =\n",
       kWorkedScores,
       {"DIR/options.txt", "2", "0.5"},
       "cannot open \n"},
      {good_options,
       "0.9 #P1 1 8\n0.9 #P1 2 8\n0.9 P1 3 8\n",
       {"DIR/options.txt", "2", "0.5"},
       "malformed score line 3: expected VALUE #NAME POSITION LENGTH\n"},
  };
  for (const Case &c : cases) {
    TempDir dir;
    const auto expand = [&](std::string text) {
      for (std::size_t at; (at = text.find("DIR")) != std::string::npos;) text.replace(at, 3, dir.path().string());
      return text;
    };
    WriteFile(dir / "scores.txt", c.scores);
    WriteFile(dir / "options.txt", expand(c.options.empty() ? good_options : c.options));
    WriteFile(dir / "report.txt", "old report\n");
    std::vector<std::string> arguments;
    for (const auto &argument : c.arguments) arguments.push_back(expand(argument));
    const auto result = RunTool("ReportDomainHinges", arguments);
    EXPECT_EQ(result.status, 1) << c.message;
    EXPECT_EQ(result.out, expand(c.message));
    EXPECT_EQ(ReadFile(dir / "report.txt"), "old report\n") << c.message;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3) << c.message;
  }
}

TEST(ReportDomainHingesCli, ValuesAtTheEdges) {
  // In single precision 1e308 is inf, -1e308 is -inf and 1e-320 is 0, which
  // reaches a threshold of 0 as -0.0 does; nan reaches no threshold.
  ReportFolder setup("",
                     "1e308 #A 1 9\n-0.0 #A 2 9\n1e-320 #A 3 9\n-1e308 #A 4 9\ninf #A 5 9\nnan #A 6 9\n0.5 #A 7 9\n"
                     "-inf #A 8 9\n");
  for (const char *threshold : {"0", "-0.0"}) {
    const auto result = setup.Run("9", threshold);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "A inf 5 5 5 9\nA inf 1 3 1 9\nA 0.500000 7 7 7 9\n") << threshold;
    EXPECT_EQ(setup.Report(), "A|5,5|1|inf|9|5|1\nA|1,3|3|inf|9|1|2\nA|7,7|1|0.500000|9|7|3\n") << threshold;
  }
  // A threshold of inf: the runs of inf score inf - inf, printed as C prints
  // that value.
  volatile float inf = std::numeric_limits<float>::infinity();
  const std::string not_a_number = Printf("%f", static_cast<double>(inf - inf));
  const auto result = setup.Run("9", "1e308");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "A " + not_a_number + " 5 5 5 9\nA " + not_a_number + " 1 1 1 9\n");
  EXPECT_EQ(setup.Report(), "A|5,5|1|" + not_a_number + "|9|5|1\nA|1,1|1|" + not_a_number + "|9|1|2\n");
}

TEST(ReportDomainHingesCli, PositionsLengthsAndCountsAtTheIntLimits) {
  // n - p of the last position is 0, never above the offset; atoi reads
  // 99999999999 as 1215752191.
  ReportFolder setup("",
                     "0.9 #B 2147483646 2147483647\n0.9 #B 2147483647 2147483647\n0.9 #C -2147483648 5\n"
                     "0.9 #C 3 99999999999\n");
  auto result = setup.Run("2147483647", "0.5");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "C 0.400000 3 3 3 1215752191\nB 0.400000 2147483646 2147483646 2147483646 2147483647\n");
  EXPECT_EQ(setup.Report(),
            "C|3,3|1|0.900000|1215752191|3|1\nB|2147483646,2147483646|1|0.900000|2147483647|2147483646|1\n");
  result = setup.Run("-2147483648", "0.5");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(setup.Report(), "");

  // With the lowest offset a run may span every int; its length is still
  // counted right.
  ReportFolder wide("OffSet = -2147483648\n", "0.9 #D -2147483647 5\n0.9 #D 2147483646 5\n");
  result = wide.Run("1", "0.5");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "D 0.400000 -2147483647 2147483646 -2147483647 5\n");
  EXPECT_EQ(wide.Report(), "D|-2147483647,2147483646|4294967294|0.900000|5|-2147483647|1\n");
  ReportFolder none("OffSet = 2147483647\n", "0.9 #D -2147483647 5\n0.9 #D 2147483646 5\n");
  EXPECT_EQ(none.Run("1", "0.5").out, "");
  EXPECT_EQ(none.Report(), "No prediction\n");
}

TEST(ReportDomainHingesCli, RefusesAReportOverTheScoresOrTheOptions) {
  for (const char *output : {"scores.txt", "options.txt", "./scores.txt"}) {
    ReportFolder setup(std::string("OutputFile = DIR/") + output + "\n");
    const std::string options = ReadFile(setup.dir / "options.txt");
    const auto result = setup.Run("2", "0.5");
    EXPECT_EQ(result.status, 1) << output;
    const std::string named = setup.dir / output;
    const std::string input =
        std::string(output).ends_with("options.txt") ? setup.dir / "options.txt" : setup.dir / "scores.txt";
    EXPECT_EQ(result.out, "output file " + named + " is the input file " + input + "\n");
    EXPECT_EQ(ReadFile(setup.dir / "scores.txt"), kWorkedScores) << output;
    EXPECT_EQ(ReadFile(setup.dir / "options.txt"), options) << output;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(setup.dir.path()), {}), 2) << output;
  }
}

// The report can go to standard output ahead of the listing.
TEST(ReportDomainHingesCli, AReportOnStandardOutputComesBeforeTheListing) {
  ReportFolder setup("OutputFile = /dev/stdout\n");
  const auto result = setup.Run("1", "0.5");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, std::string("P2|1,1|1|0.650000|5|1|1\nP1|4,6|3|0.900000|8|5|1\n") + kWorkedListing);
  EXPECT_TRUE(std::filesystem::is_symlink("/dev/stdout"));
}

}  // namespace
