#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "test_support.h"

namespace {

using linkerkit::test::Printf;
using linkerkit::test::ReadFile;
using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

constexpr const char *kUsage = "SplitSecStructProbs [data file (*.ss2)] [output dir] [ws]\n";
constexpr const char *kSs2 =
    "# PSIPRED VFORMAT (PSIPRED V4.0)\n\n"
    "   1 M C   0.900  0.100  0.000\n"
    "   2 K C   0.000  0.200  0.800\n"
    "   3 L H   0.600  0.300  0.100\n"
    "   4 V E   0.300  0.400  0.300\n";

TEST(SplitSecStructProbsCli, WritesThreeTrackFiles) {
  TempDir dir;
  WriteFile(dir / "p.ss2", kSs2);
  WriteFile(dir / "PSS_H_3.txt", "an older helix track that is much longer than the new one\n");
  const auto result = RunTool("SplitSecStructProbs", {dir / "p.ss2", dir / "", "3"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(ReadFile(dir / "PSS_C_3.txt"),
            "0.900000 #QUERY 0 4\n0.500000 #QUERY 1 4\n0.300000 #QUERY 2 4\n0.300000 #QUERY 3 4\n");
  EXPECT_EQ(ReadFile(dir / "PSS_H_3.txt"),
            "0.100000 #QUERY 0 4\n0.200000 #QUERY 1 4\n0.300000 #QUERY 2 4\n0.400000 #QUERY 3 4\n");
  EXPECT_EQ(ReadFile(dir / "PSS_E_3.txt"),
            "0.000000 #QUERY 0 4\n0.300000 #QUERY 1 4\n0.400000 #QUERY 2 4\n0.300000 #QUERY 3 4\n");
  // "15abc" reads as 15, and the file names carry 15.
  EXPECT_EQ(RunTool("SplitSecStructProbs", {dir / "p.ss2", dir / "w", "15abc"}).status, 0);
  EXPECT_EQ(ReadFile(dir / "wPSS_E_15.txt"),
            "0.000000 #QUERY 0 4\n0.800000 #QUERY 1 4\n0.100000 #QUERY 2 4\n0.300000 #QUERY 3 4\n");
}

TEST(SplitSecStructProbsCli, FailuresWriteNoFile) {
  TempDir dir;
  WriteFile(dir / "p.ss2", kSs2);
  WriteFile(dir / "bad.ss2", std::string(kSs2) + "   5 G C   0.500  0.500\n");
  std::filesystem::create_directory(dir / "out");
  WriteFile(dir / "out/PSS_C_3.txt", "kept\n");
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  for (const Case &c : {
           Case{{dir / "p.ss2", dir / "out/"}, kUsage},
           Case{{dir / "missing.ss2", dir / "out/", "3"}, "cannot open " + (dir / "missing.ss2") + "\n"},
           Case{{dir / "missing.ss2", dir / "out/", "-1"}, "invalid window size: -1\n"},
           Case{{dir / "bad.ss2", dir / "out/", "3"}, dir / "bad.ss2" + " line 7: fewer than three probabilities\n"},
           Case{{dir / "p.ss2", dir / "none/", "3"}, "cannot open " + (dir / "none/PSS_C_3.txt") + "\n"},
       }) {
    const auto result = RunTool("SplitSecStructProbs", c.arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, c.message);
  }
  EXPECT_EQ(ReadFile(dir / "out/PSS_C_3.txt"), "kept\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "out"), std::filesystem::directory_iterator()), 1);

  // A folder where the helix track goes: the other two tracks stay as they were.
  WriteFile(dir / "out/PSS_E_3.txt", "kept\n");
  std::filesystem::create_directory(dir / "out/PSS_H_3.txt");
  const auto result = RunTool("SplitSecStructProbs", {dir / "p.ss2", dir / "out/", "3"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(result.out, "cannot open " + (dir / "out/PSS_H_3.txt") + "\n");
  EXPECT_EQ(ReadFile(dir / "out/PSS_C_3.txt"), "kept\n");
  EXPECT_EQ(ReadFile(dir / "out/PSS_E_3.txt"), "kept\n");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "out"), std::filesystem::directory_iterator()), 3);
}

TEST(SplitSecStructProbsCli, ValuesBeyondSinglePrecisionBecomeInfinite) {
  TempDir dir;
  // The rows give 1e39 and -1e39 (beyond float), -0.0, 3.4e38 (a float
  // above 2^32), 1e-40 (a subnormal float) and 1e-320 (below float).
  WriteFile(dir / "p.ss2",
            "# PSIPRED\n\n"
            "   1 M C   1.0e39  -1.0e39  -0.0\n"
            "   2 K C   3.4e38   1.0e-40   0.5\n"
            "   3 L C   3.4e38   1.0e-320  0.5\n"
            "   4 V C   3.4e38   0.0   0.5\n");
  const auto expected = [](std::initializer_list<double> values) {
    std::string track;
    int i = 0;
    for (const double value : values)
      track += Printf("%f #QUERY %d 4\n", static_cast<double>(static_cast<float>(value)), i++);
    return track;
  };
  for (const std::string ws : {"2147483647", "2147483646"}) {
    const auto result = RunTool("SplitSecStructProbs", {dir / "p.ss2", dir / "", ws});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_EQ(ReadFile(dir / ("PSS_C_" + ws + ".txt")), expected({1e39, 3.4e38, 3.4e38, 3.4e38})) << ws;
    EXPECT_EQ(ReadFile(dir / ("PSS_H_" + ws + ".txt")), expected({-1e39, 1e-40, 1e-320, 0.0})) << ws;
    EXPECT_EQ(ReadFile(dir / ("PSS_E_" + ws + ".txt")), expected({-0.0, 0.5, 0.5, 0.5})) << ws;
  }
  // In a window, inf takes over the sum, and so does a single-precision sum
  // that leaves the float range (3 x 3.4e38).
  EXPECT_EQ(RunTool("SplitSecStructProbs", {dir / "p.ss2", dir / "", "3"}).status, 0);
  EXPECT_EQ(ReadFile(dir / "PSS_C_3.txt"), expected({1e39, 1e39, 1e39, 3.4e38}));
  EXPECT_EQ(ReadFile(dir / "PSS_H_3.txt"), expected({-1e39, -1e39, 1e-40 / 3, 0.0}));
  EXPECT_EQ(ReadFile(dir / "PSS_E_3.txt"), expected({-0.0, 1.0f / 3, 0.5, 0.5}));
}

TEST(SplitSecStructProbsCli, RefusesAnInputNamedLikeOneOfItsOutputs) {
  for (const char *name : {"PSS_C_3.txt", "PSS_H_3.txt", "PSS_E_3.txt"}) {
    TempDir dir;
    WriteFile(dir / name, kSs2);
    const auto result = RunTool("SplitSecStructProbs", {dir / name, dir / "", "3"});
    EXPECT_EQ(result.status, 1) << name;
    EXPECT_EQ(result.out, "output file " + (dir / name) + " is the input file " + (dir / name) + "\n");
    EXPECT_EQ(ReadFile(dir / name), kSs2) << name;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << name;
  }
  // The prefix may reach the input by another path.
  TempDir dir;
  std::filesystem::create_directory(dir / "sub");
  WriteFile(dir / "PSS_E_15.txt", kSs2);
  const auto result = RunTool("SplitSecStructProbs", {dir / "PSS_E_15.txt", dir / "sub/../", "15"});
  EXPECT_EQ(result.status, 1);
  EXPECT_EQ(ReadFile(dir / "PSS_E_15.txt"), kSs2);
}

}  // namespace
