#include <gtest/gtest.h>

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

}  // namespace
