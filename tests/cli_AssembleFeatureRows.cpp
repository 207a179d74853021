#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace {

using linkerkit::test::Printf;
using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

constexpr const char *kUsage = "AssembleFeatureRows [index list] [Vector element dir]\n";

// The first track has 3 lines although its tags say 5: it alone fixes m.
void WriteTracks(const TempDir &dir) {
  std::filesystem::create_directory(dir / "feat");
  WriteFile(dir / "feat/entropy.txt", "0.500000 #QUERY 0 5\n0.250000 #QUERY 1 5\n1.000000 #QUERY 2 5\n");
  WriteFile(dir / "feat/scale.txt", "-0.300000 #QUERY 0 3\n0.100000 #QUERY 2 3\n");
  WriteFile(dir / "feat/empty.txt", "");
  WriteFile(dir / "featentropy.txt", "2.000000 #QUERY 0 1\n");
}

TEST(AssembleFeatureRowsCli, JoinsTheListedTracks) {
  TempDir dir;
  WriteTracks(dir);
  WriteFile(dir / "index.txt", "entropy\nscale\nempty\n");
  const auto result = RunTool("AssembleFeatureRows", {dir / "index.txt", dir / "feat/"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out,
            "0 1:0.500000 2:-0.300000 3:0.000000 #QUERY 0 3\n"
            "0 1:0.250000 2:0.000000 3:0.000000 #QUERY 1 3\n"
            "0 1:1.000000 2:0.100000 3:0.000000 #QUERY 2 3\n");
  // The directory is a plain prefix: no slash is added.
  WriteFile(dir / "one.txt", "entropy\n");
  const auto prefixed = RunTool("AssembleFeatureRows", {dir / "one.txt", dir / "feat"});
  EXPECT_EQ(prefixed.status, 0);
  EXPECT_EQ(prefixed.out, "0 1:2.000000 #QUERY 0 1\n");
}

TEST(AssembleFeatureRowsCli, FailuresPrintOneLineAndNoVectors) {
  TempDir dir;
  WriteTracks(dir);
  WriteFile(dir / "feat/bad.txt", "0.1 #QUERY 0 3\n0.2 #QUERY 7 3\n");
  WriteFile(dir / "missing_second.txt", "entropy\nmissing\n");
  WriteFile(dir / "empty_first.txt", "empty\nentropy\n");
  WriteFile(dir / "bad.txt", "entropy\nbad\n");
  WriteFile(dir / "empty_index.txt", "");
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::string feat = dir / "feat/";
  for (const Case &c : {
           Case{{dir / "index.txt"}, kUsage},
           Case{{dir / "missing_index.txt", feat}, "cannot open " + (dir / "missing_index.txt") + "\n"},
           Case{{dir / "empty_index.txt", feat}, dir / "empty_index.txt" + ": empty index list\n"},
           Case{{dir / "missing_second.txt", feat}, "cannot open " + feat + "missing.txt\n"},
           Case{{dir / "empty_first.txt", feat}, feat + "empty.txt: empty track file\n"},
           Case{{dir / "bad.txt", feat}, feat + "bad.txt line 2: position 7 outside 0 to 3\n"},
       }) {
    const auto result = RunTool("AssembleFeatureRows", c.arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, c.message);
  }
}

TEST(AssembleFeatureRowsCli, ValuesAndPositionsAtTheEdges) {
  TempDir dir;
  const std::vector<std::string> values = {"1e308", "-1e308", "-0.0",   "nan",   "-nan",
                                           "-inf",  "1e-320", "3.4e38", "-1e-40"};
  std::string track;
  std::string expected;
  for (std::size_t i = 0; i < values.size(); ++i) {
    track += values[i] + " #QUERY " + std::to_string(i) + " 9\n";
    // Each value passes through single precision.
    const float feature = static_cast<float>(std::strtod(values[i].c_str(), nullptr));
    expected += Printf("0 1:%f #QUERY %zu 9\n", static_cast<double>(feature), i);
  }
  WriteFile(dir / "edge.txt", track);
  WriteFile(dir / "index.txt", "edge\n");
  const auto result = RunTool("AssembleFeatureRows", {dir / "index.txt", dir / ""});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, expected);

  WriteFile(dir / "index2.txt", "edge\nfar\n");
  for (const auto &[position, read] : {std::pair{"2147483647", "2147483647"}, std::pair{"-2147483648", "-2147483648"},
                                       std::pair{"99999999999", "1215752191"}}) {
    WriteFile(dir / "far.txt", std::string("0.5 #QUERY ") + position + " 9\n");
    const auto far = RunTool("AssembleFeatureRows", {dir / "index2.txt", dir / ""});
    EXPECT_EQ(far.status, 1);
    EXPECT_EQ(far.out, dir / "far.txt" + " line 1: position " + read + " outside 0 to 9\n");
  }
}

}  // namespace
