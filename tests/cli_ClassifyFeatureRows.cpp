#include <gtest/gtest.h>

#include "test_support.h"

namespace {

using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

constexpr const char *kModel =
    "svm_type c_svc\nkernel_type linear\nnr_class 2\ntotal_sv 2\nrho 0.5\nlabel 1 -1\nnr_sv 1 1\nSV\n1 1:1 2:0 \n-1 1:0 2:1 \n";

TEST(ClassifyFeatureRowsCli, ScoresSmoothsAndNormalises) {
  TempDir dir;
  WriteFile(dir / "model", kModel);
  // Decision values x1 - x2 - 0.5: 0.5, -0.5, 1.5, -1.5.
  WriteFile(dir / "vectors", "0 1:1 2:0 #QUERY 0 4\n0 1:0 2:0 #QUERY 1 4\n0 1:2 2:0 #QUERY 2 4\n0 1:0 2:1 #QUERY 3 4\n");
  // ws 1 keeps the values; mean 0, standard deviation sqrt(1.25).
  const auto result = RunTool("ClassifyFeatureRows", {dir / "model", dir / "vectors", "P1", "1"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "0.447214 #P1 0 4\n-0.447214 #P1 1 4\n1.341641 #P1 2 4\n-1.341641 #P1 3 4\n");
  // ws 3: means 0, 0.5, -0.1666.., 0 -> z-scores of those.
  const auto smoothed = RunTool("ClassifyFeatureRows", {dir / "model", dir / "vectors", "P1", "3"});
  EXPECT_EQ(smoothed.out, "-0.333333 #P1 0 4\n1.666667 #P1 1 4\n-1.000000 #P1 2 4\n-0.333333 #P1 3 4\n");
}

TEST(ClassifyFeatureRowsCli, FailuresAreOneLineAndStatusOne) {
  TempDir dir;
  WriteFile(dir / "model", kModel);
  WriteFile(dir / "vectors", "0 1:1 2:0 #QUERY 0 2\n0 1:1 2:0\n");
  WriteFile(dir / "wide", "0 1:1 2:0 3:1 #QUERY 0 1\n");
  WriteFile(dir / "empty", "");
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  for (const Case &c :
       {Case{{dir / "model"}, "ClassifyFeatureRows [model file] [vector file] [protein name] [smoothing ws]\n"},
        Case{{dir / "missing", dir / "vectors", "P1", "3"}, "cannot open " + (dir / "missing") + "\n"},
        Case{{dir / "vectors", dir / "vectors", "P1", "3"}, "cannot load model " + (dir / "vectors") + "\n"},
        Case{{dir / "model", dir / "missing", "P1", "3"}, "cannot open " + (dir / "missing") + "\n"},
        Case{{dir / "model", dir / "vectors", "P1", "3"}, dir / "vectors" + " line 2: no #QUERY comment\n"},
        Case{{dir / "model", dir / "wide", "P1", "3"}, dir / "wide" + " line 1: has features up to 3, the model has 2\n"},
        Case{{dir / "model", dir / "empty", "P1", "3"}, dir / "empty" + ": no vector lines\n"},
        Case{{dir / "model", dir / "vectors", "P 1", "3"}, "invalid protein name: P 1\n"},
        Case{{dir / "model", dir / "vectors", "P1", "0"}, "invalid window size: 0\n"}}) {
    const auto result = RunTool("ClassifyFeatureRows", c.arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, c.message);
  }
}

}  // namespace
