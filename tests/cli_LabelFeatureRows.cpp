#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "test_support.h"

namespace {

using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

constexpr const char *kVectors =
    "0 1:0.1 2:0.2 #QUERY 0 4\n0 1:0.3 2:0.4 #QUERY 1 4\n0 1:0.5 2:0.6 #QUERY 2 4\n"
    "0 1:0.7 2:0.8 #QUERY 3 4\n";

TEST(LabelFeatureRowsCli, LabelsEveryResidue) {
  TempDir dir;
  WriteFile(dir / "vectors", kVectors);
  WriteFile(dir / "regions", "Q1|1,1|linker|1|9\nP1|2,3|linker|2|4\n");
  const auto result = RunTool("LabelFeatureRows", {dir / "vectors", dir / "regions", "P1"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out,
            "-1 1:0.1 2:0.2 #QUERY 0 4\n+1 1:0.3 2:0.4 #QUERY 1 4\n+1 1:0.5 2:0.6 #QUERY 2 4\n"
            "-1 1:0.7 2:0.8 #QUERY 3 4\n");
}

TEST(LabelFeatureRowsCli, AByteOrderMarkIsNotPartOfTheFirstName) {
  TempDir dir;
  WriteFile(dir / "vectors", kVectors);
  WriteFile(dir / "regions", "\xEF\xBB\xBFP1|2,3|linker|2|4\n");
  const auto result = RunTool("LabelFeatureRows", {dir / "vectors", dir / "regions", "P1"});
  EXPECT_EQ(result.status, 0) << result.out;
  EXPECT_EQ(result.out,
            "-1 1:0.1 2:0.2 #QUERY 0 4\n+1 1:0.3 2:0.4 #QUERY 1 4\n+1 1:0.5 2:0.6 #QUERY 2 4\n"
            "-1 1:0.7 2:0.8 #QUERY 3 4\n");
}

TEST(LabelFeatureRowsCli, FailuresPrintOneLineAndNoVectors) {
  TempDir dir;
  WriteFile(dir / "vectors", kVectors);
  WriteFile(dir / "empty", "");
  WriteFile(dir / "no_comment", "0 1:0.1 2:0.2 #QUERY 0 4\n0 1:0.3 2:0.4\n");
  WriteFile(dir / "regions", "Q1|1,1|linker|1|9\nP1|2,3|linker|2|4\n");
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  for (const Case &c : {
           Case{{dir / "vectors", dir / "regions"}, "LabelFeatureRows [vector file] [region file] [key]\n"},
           Case{{dir / "missing", dir / "missing_regions", "P1"}, "cannot open " + (dir / "missing") + "\n"},
           Case{{dir / "vectors", dir / "missing_regions", "P1"}, "cannot open " + (dir / "missing_regions") + "\n"},
           Case{{dir / "vectors", dir / "regions", "P2"}, "no linker region for P2 in " + (dir / "regions") + "\n"},
           Case{{dir / "vectors", dir / "regions", "Q1"},
                dir / "vectors" + " line 1: residue count 4 differs from the region length 9\n"},
           Case{{dir / "no_comment", dir / "regions", "P1"}, dir / "no_comment" + " line 2: no #QUERY comment\n"},
           Case{{dir / "empty", dir / "regions", "P1"}, dir / "empty" + ": no vector lines\n"},
       }) {
    const auto result = RunTool("LabelFeatureRows", c.arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, c.message);
  }
}

TEST(LabelFeatureRowsCli, ImpossibleRegionsNameTheRegionLine) {
  TempDir dir;
  WriteFile(dir / "vectors", kVectors);
  const std::string regions = dir / "regions";
  // Only P1's lines are looked at: Q1's bad line is another protein's.
  for (const auto &[text, message] : std::vector<std::pair<std::string, std::string>>{
           {"Q1|9,1|linker|1|9\nP1|2,3|linker|2|4\n", ""},
           {"P1|3,2|linker|2|4\n", "line 1: reversed range 3,2"},
           {"P1|0,2|linker|2|4\n", "line 1: range starts at 0, before residue 1"},
           {"P1|2,3|linker|2|4\nP1|4,5|linker|2|4\n", "line 2: range ends at 5, beyond the protein length 4"},
           {"P1|2,x|linker|2|4\n", "line 1: end \"x\" is not a whole number"},
           {"P1|2,3|linker|2|4.0\n", "line 1: protein length \"4.0\" is not a whole number"},
           {"P1|2,3|linker|2\n", "line 1: not NAME|START,END|TYPE|LENGTH|PROTEIN_LENGTH"},
           {"P1|2,3|linker|2|4\nP1|4,4|linker|1|5\n", "line 2: protein length 5 differs from 4 on line 1"},
       }) {
    WriteFile(regions, text);
    const auto result = RunTool("LabelFeatureRows", {dir / "vectors", regions, "P1"});
    if (message.empty()) {
      EXPECT_EQ(result.status, 0) << text;
    } else {
      EXPECT_EQ(result.status, 1) << text;
      EXPECT_EQ(result.out, regions + " " + message + "\n");
    }
  }
  // A region that fits the region file's length but not the vector lines'.
  WriteFile(regions, "P1|2,6|linker|5|6\n");
  EXPECT_EQ(RunTool("LabelFeatureRows", {dir / "vectors", regions, "P1"}).out,
            dir / "vectors" + " line 1: residue count 4 differs from the region length 6\n");
}

}  // namespace
