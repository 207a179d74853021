#include <gtest/gtest.h>

#include "test_support.h"

namespace {

using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

constexpr const char *kVectors = "0 1:0.1 2:0.2 #QUERY 0 4\n0 1:0.3 2:0.4 #QUERY 1 4\n0 1:0.5 2:0.6 #QUERY 2 4\n"
                                 "0 1:0.7 2:0.8 #QUERY 3 4\n";

TEST(LabelFeatureRowsCli, LabelsEveryResidue) {
  TempDir dir;
  WriteFile(dir / "vectors", kVectors);
  WriteFile(dir / "regions", "Q1|1,1|linker|1|9\nP1|2,3|linker|2|4\n");
  const auto result = RunTool("LabelFeatureRows", {dir / "vectors", dir / "regions", "P1"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "-1 1:0.1 2:0.2 #QUERY 0 4\n+1 1:0.3 2:0.4 #QUERY 1 4\n+1 1:0.5 2:0.6 #QUERY 2 4\n"
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

}  // namespace
