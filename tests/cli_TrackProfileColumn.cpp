#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "test_support.h"

namespace {

using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

constexpr const char *kUsage = "TrackProfileColumn [PSSM file] [Selection (1 letter AA)] [smoothing ws]\n";
constexpr const char *kTable =
    "3\nMKV\n"
    "4 -2 3 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 1\n"
    "-1 -3 5 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 2\n"
    "2 2 2 2 2 2 2 2 2 2 2 2 2 2 2 2 2 2 2 2\n";

TEST(TrackProfileColumnCli, PrintsTheScaledColumnWithALowerCaseTag) {
  TempDir dir;
  WriteFile(dir / "p.tab", kTable);
  for (const char *selection : {"A", "Ala"}) {
    const auto result = RunTool("TrackProfileColumn", {dir / "p.tab", selection, "3"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "1.000000 #query 0 3\n0.750000 #query 1 3\n1.000000 #query 2 3\n");
  }
}

TEST(TrackProfileColumnCli, ReadsTheTableExtractProfileMatrixWrites) {
  TempDir dir;
  std::string mtx = "2\nMK\n1.0e-01\n";
  for (const char *a_score : {"300", "-100"}) {
    mtx += std::string("-32768  ") + a_score +
           "  -32768  -100  -200  -100  -200  -200  0  -100  -100  -100  -100  -100  -100  -100  -100  100  0  0  "
           "-300  -100  -200  -32768  -32768  -401  -32768  -32768  \n";
  }
  WriteFile(dir / "p.mtx", mtx);
  ASSERT_EQ(RunTool("ExtractProfileMatrix", {dir / "p.mtx", dir / "p.tab"}).status, 0);
  const auto result = RunTool("TrackProfileColumn", {dir / "p.tab", "A", "1"});
  EXPECT_EQ(result.status, 0);
  // (300 + 300) / (300 + 300) and (-100 + 300) / (100 + 300)
  EXPECT_EQ(result.out, "1.000000 #query 0 2\n0.500000 #query 1 2\n");
}

TEST(TrackProfileColumnCli, FailuresAreOneLineAndStatusOne) {
  TempDir dir;
  WriteFile(dir / "p.tab", kTable);
  WriteFile(dir / "empty.tab", "");
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  for (const Case &c : {
           Case{{dir / "p.tab", "A"}, kUsage},
           // selection, then window size, then the file
           Case{{dir / "missing.tab", "a", "0"}, "Non AA code\n"},
           Case{{dir / "missing.tab", "", "3"}, "Non AA code\n"},
           Case{{dir / "missing.tab", "X", "3"}, "Non AA code\n"},
           Case{{dir / "missing.tab", "V", "0"}, "invalid window size: 0\n"},
           Case{{dir / "missing.tab", "V", "3"}, "cannot open " + (dir / "missing.tab") + "\n"},
           Case{{dir / "empty.tab", "V", "3"}, dir / "empty.tab" + ": empty profile table\n"},
       }) {
    const auto result = RunTool("TrackProfileColumn", c.arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, c.message);
  }
}

TEST(TrackProfileColumnCli, ScoresAndCountsAtTheIntLimits) {
  TempDir dir;
  // Row ranges that no int holds: 2147483647 - -2147483648 is 4294967295,
  // and atoi reads 99999999999 as 1215752191.
  const std::string zeros = " 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0\n";
  WriteFile(dir / "p.tab", "2\nMK\n2147483647 -2147483648" + zeros + "99999999999 -99999999999" + zeros);
  for (const auto &[selection, line] :
       {std::pair{"A", "1.000000"}, std::pair{"R", "0.000000"}, std::pair{"N", "0.500000"}}) {
    for (const char *ws : {"2147483647", "2147483646"}) {
      const auto result = RunTool("TrackProfileColumn", {dir / "p.tab", selection, ws});
      EXPECT_EQ(result.status, 0);
      EXPECT_EQ(result.out, std::string(line) + " #query 0 2\n" + line + " #query 1 2\n") << selection << " " << ws;
    }
  }
  // A residue count that atoi reads as negative.
  WriteFile(dir / "wrapped.tab", "2147483648\nMK\n");
  const auto result = RunTool("TrackProfileColumn", {dir / "wrapped.tab", "A", "3"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, dir / "wrapped.tab" + " line 1: negative residue count\n");
}

}  // namespace
