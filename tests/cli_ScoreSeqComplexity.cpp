#include <gtest/gtest.h>

#include "test_support.h"

namespace {

using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

constexpr const char *kUsage = "ScoreSeqComplexity [FASTA file] [ws]\n";

TEST(ScoreSeqComplexityCli, PrintsTheTrack) {
  TempDir dir;
  WriteFile(dir / "p.fa", ">P1 test\nACDX\r\nAAKL\n");
  const auto result = RunTool("ScoreSeqComplexity", {dir / "p.fa", "4"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out,
            "0.000000 #QUERY 0 8\n0.000000 #QUERY 1 8\n0.649825 #QUERY 2 8\n0.866434 #QUERY 3 8\n"
            "0.866434 #QUERY 4 8\n0.649825 #QUERY 5 8\n0.000000 #QUERY 6 8\n0.000000 #QUERY 7 8\n");
}

TEST(ScoreSeqComplexityCli, ShortAndEmptySequences) {
  TempDir dir;
  WriteFile(dir / "short.fa", ">s\nACDEFGHIKL\n");
  WriteFile(dir / "lower.fa", ">s\nmkvllaa\n");
  WriteFile(dir / "empty.fa", "");
  const auto short_run = RunTool("ScoreSeqComplexity", {dir / "short.fa", "21"});
  EXPECT_EQ(short_run.status, 0);
  std::string zeros;
  for (int i = 0; i < 10; ++i) zeros += "0.000000 #QUERY " + std::to_string(i) + " 10\n";
  EXPECT_EQ(short_run.out, zeros);
  for (const char *name : {"lower.fa", "empty.fa"}) {
    const auto result = RunTool("ScoreSeqComplexity", {dir / name, "3"});
    EXPECT_EQ(result.status, 0) << name;
    EXPECT_EQ(result.out, "") << name;
  }
}

TEST(ScoreSeqComplexityCli, FailuresAreOneLineAndStatusOne) {
  TempDir dir;
  WriteFile(dir / "p.fa", ">P1\nACDE\n");
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  for (const Case &c :
       {Case{{}, kUsage}, Case{{dir / "p.fa"}, kUsage}, Case{{dir / "p.fa", "3", "x"}, kUsage},
        Case{{dir / "missing.fa", "3"}, "cannot open " + (dir / "missing.fa") + "\n"},
        Case{{dir / "p.fa", "0"}, "invalid window size: 0\n"}, Case{{dir / "p.fa", "-3"}, "invalid window size: -3\n"},
        // the window size is checked before any file is read
        Case{{dir / "missing.fa", "abc"}, "invalid window size: abc\n"}}) {
    const auto result = RunTool("ScoreSeqComplexity", c.arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, c.message);
  }
}

TEST(ScoreSeqComplexityCli, WindowSizesAtTheIntLimits) {
  TempDir dir;
  WriteFile(dir / "p.fa", ">P1\nACDEFGHIK\n");
  std::string zeros;
  for (int i = 0; i < 9; ++i) zeros += "0.000000 #QUERY " + std::to_string(i) + " 9\n";
  // atoi narrows 99999999999 to 1215752191, and 2147483648 to -2147483648.
  for (const char *ws : {"2147483647", "2147483646", "99999999999"}) {
    const auto result = RunTool("ScoreSeqComplexity", {dir / "p.fa", ws});
    EXPECT_EQ(result.status, 0) << ws;
    EXPECT_EQ(result.out, zeros) << ws;
  }
  for (const std::string ws : {"2147483648", "-2147483648"}) {
    const auto result = RunTool("ScoreSeqComplexity", {dir / "p.fa", ws});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "invalid window size: " + ws + "\n");
  }
}

}  // namespace
