#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using linkerkit::test::ReadFile;
using linkerkit::test::RunCommand;
using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

constexpr const char *kUsage =
    "ClassifyFeatureRows [--ranges FILE] [--raw] [model file] [vector file] [protein name] [smoothing ws]\n";
// Decision value x1 - x2 - 0.5.
constexpr const char *kModel =
    "svm_type c_svc\nkernel_type linear\nnr_class 2\ntotal_sv 2\nrho 0.5\nlabel 1 -1\nnr_sv 1 1\nSV\n1 1:1 2:0 \n-1 1:0 2:1 \n";

TEST(ClassifyFeatureRowsCli, ScoresSmoothsAndNormalises) {
  TempDir dir;
  WriteFile(dir / "model", kModel);
  // Decision values x1 - x2 - 0.5: 0.5, -0.5, 1.5, -1.5.
  WriteFile(dir / "vectors",
            "0 1:1 2:0 #QUERY 0 4\n0 1:0 2:0 #QUERY 1 4\n0 1:2 2:0 #QUERY 2 4\n0 1:0 2:1 #QUERY 3 4\n");
  // ws 1 keeps the values; mean 0, standard deviation sqrt(1.25).
  const auto result = RunTool("ClassifyFeatureRows", {dir / "model", dir / "vectors", "P1", "1"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "0.447214 #P1 0 4\n-0.447214 #P1 1 4\n1.341641 #P1 2 4\n-1.341641 #P1 3 4\n");
  // ws 3: means 0, 0.5, -0.1666.., 0 -> z-scores of those.
  const auto smoothed = RunTool("ClassifyFeatureRows", {dir / "model", dir / "vectors", "P1", "3"});
  EXPECT_EQ(smoothed.out, "-0.333333 #P1 0 4\n1.666667 #P1 1 4\n-1.000000 #P1 2 4\n-0.333333 #P1 3 4\n");
  // --raw: the smoothed decision values themselves, the means above.
  const auto raw = RunTool("ClassifyFeatureRows", {"--raw", dir / "model", dir / "vectors", "P1", "3"});
  EXPECT_EQ(raw.status, 0);
  EXPECT_EQ(raw.out, "0.000000 #P1 0 4\n0.500000 #P1 1 4\n-0.166667 #P1 2 4\n0.000000 #P1 3 4\n");
  // Scores all equal: nothing marks a linker, raw or not, so no threshold may call one.
  WriteFile(dir / "flat", "0 1:2 2:0 #QUERY 0 3\n0 1:2 2:0 #QUERY 1 3\n0 1:2 2:0 #QUERY 2 3\n");
  for (const std::vector<std::string> &options : {std::vector<std::string>{"--raw"}, std::vector<std::string>{}}) {
    std::vector<std::string> arguments = options;
    arguments.insert(arguments.end(), {dir / "model", dir / "flat", "P1", "1"});
    const auto flat = RunTool("ClassifyFeatureRows", arguments);
    EXPECT_EQ(flat.status, 0);
    EXPECT_EQ(flat.out, "nan #P1 0 3\nnan #P1 1 3\nnan #P1 2 3\n");
  }
}

TEST(ClassifyFeatureRowsCli, FailuresAreOneLineAndStatusOne) {
  TempDir dir;
  WriteFile(dir / "model", kModel);
  WriteFile(dir / "vectors", "0 1:1 2:0 #QUERY 0 2\n0 1:1 2:0\n");
  WriteFile(dir / "wide", "0 1:1 2:0 3:1 #QUERY 0 1\n");
  WriteFile(dir / "empty", "");
  WriteFile(dir / "gap", "0 1:1 2:0 #QUERY 0 3\n0 1:1 2:0 #QUERY 2 3\n");
  WriteFile(dir / "headless", "0 1:1 2:0 #QUERY 1 3\n0 1:1 2:0 #QUERY 2 3\n");
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  for (const Case &c :
       {Case{{dir / "model"}, kUsage},
        Case{{dir / "missing", dir / "vectors", "P1", "3"}, "cannot open " + (dir / "missing") + "\n"},
        Case{{dir / "vectors", dir / "vectors", "P1", "3"},
             "cannot load model " + (dir / "vectors") + ": line 1: '0' is no LIBSVM model keyword\n"},
        Case{{dir / "model", dir / "missing", "P1", "3"}, "cannot open " + (dir / "missing") + "\n"},
        Case{{dir / "model", dir / "vectors", "P1", "3"}, dir / "vectors" + " line 2: no #QUERY comment\n"},
        Case{{dir / "model", dir / "wide", "P1", "3"},
             dir / "wide" + " line 1: has features up to 3, the model has 2\n"},
        Case{{dir / "model", dir / "empty", "P1", "3"}, dir / "empty" + ": no vector lines\n"},
        Case{{dir / "model", dir / "gap", "P1", "3"}, dir / "gap" + " line 2: position 2 where 1 was expected\n"},
        Case{{dir / "model", dir / "headless", "P1", "3"},
             dir / "headless" + " line 1: position 1 where 0 was expected\n"},
        Case{{dir / "model", dir / "vectors", "P 1", "3"}, "invalid protein name: P 1\n"},
        Case{{dir / "model", dir / "vectors", "P#1", "3"}, "invalid protein name: P#1\n"},
        Case{{dir / "model", dir / "vectors", "P|1", "3"}, "invalid protein name: P|1\n"},
        Case{{dir / "model", dir / "vectors", "P\t1", "3"}, "invalid protein name: P\\x091\n"},
        Case{{dir / "model", dir / "vectors", "P\n1", "3"}, "invalid protein name: P\\x0a1\n"},
        Case{{dir / "model", dir / "vectors", "", "3"}, "invalid protein name: \n"},
        Case{{dir / "model", dir / "vectors", "P1", "0"}, "invalid window size: 0\n"}}) {
    const auto result = RunTool("ClassifyFeatureRows", c.arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, c.message);
  }
}

TEST(ClassifyFeatureRowsCli, RangesScaleTheVectorsFirst) {
  TempDir dir;
  WriteFile(dir / "model", kModel);
  // [0, 10] and [-2, 2] onto [0, 1]; feature 3 was constant in training.
  WriteFile(dir / "ranges", "y\n-1 1\n-1 1\nx\n0 1\n1 0 10\n2 -2 2\n3 5 5\n");
  // Scaled (0.5, 0.5), (1, 0) and (2, 0.5): feature 2 is missing in the last
  // line and scales from 0, and 20 lies beyond the training range.
  WriteFile(dir / "vectors", "0 1:5 2:0 3:7 #QUERY 0 3\n0 1:10 2:-2 3:5 #QUERY 1 3\n0 1:20 3:1 #QUERY 2 3\n");
  const std::string expected = "-0.500000 #P 0 3\n0.500000 #P 1 3\n1.000000 #P 2 3\n";
  for (const std::vector<std::string> &options :
       {std::vector<std::string>{"--ranges", dir / "ranges", "--raw"},
        std::vector<std::string>{"--raw", "--ranges", dir / "ranges", "--"}}) {
    std::vector<std::string> arguments = options;
    for (const std::string &argument : {dir / "model", dir / "vectors", std::string("P"), std::string("1")}) {
      arguments.push_back(argument);
    }
    const auto result = RunTool("ClassifyFeatureRows", arguments);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, expected);
  }
  // Without --raw, z-scores of -0.5, 0.5 and 1: mean 1/3, deviation sqrt(7/18).
  const auto z = RunTool("ClassifyFeatureRows", {"--ranges", dir / "ranges", dir / "model", dir / "vectors", "P", "1"});
  EXPECT_EQ(z.out, "-1.336306 #P 0 3\n0.267261 #P 1 3\n1.069045 #P 2 3\n");
}

TEST(ClassifyFeatureRowsCli, OptionAndRangeMistakesAreOneLine) {
  TempDir dir;
  WriteFile(dir / "model", kModel);
  WriteFile(dir / "vectors", "0 1:1 2:0 #QUERY 0 1\n");
  WriteFile(dir / "ranges", "x\n0 1\n1 0 10\n2 -2 2\n");
  WriteFile(dir / "short", "x\n0 1\n1 0 10\n");
  WriteFile(dir / "long", "x\n0 1\n1 0 10\n2 -2 2\n3 0 1\n");
  WriteFile(dir / "bad", "x\n0 1\n1 0 10\n2 -2\n");
  const std::string model = dir / "model";
  const std::string vectors = dir / "vectors";
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  for (const Case &c : {
           Case{{"--raw", model, vectors, "P"}, kUsage},
           Case{{"--scale", model, vectors, "P", "1"}, "unknown option: --scale\n"},
           Case{{"--raw", "--raw", model, vectors, "P", "1"}, "option --raw given twice\n"},
           Case{{"--ranges"}, "option --ranges needs a value\n"},
           Case{{"--ranges", dir / "missing", model, vectors, "P", "1"}, "cannot open " + (dir / "missing") + "\n"},
           Case{{"--ranges", dir / "bad", model, vectors, "P", "1"}, dir / "bad" + " line 4: expected INDEX MIN MAX\n"},
           Case{{"--ranges", dir / "short", model, vectors, "P", "1"},
                "model " + model + " has features up to 2, the range file " + (dir / "short") + " up to 1\n"},
           Case{{"--ranges", dir / "long", model, vectors, "P", "1"},
                vectors + " line 1: has features up to 2, the range file has 3\n"},
       }) {
    const auto result = RunTool("ClassifyFeatureRows", c.arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, c.message);
  }
}

// The values of a score listing.
std::vector<double> Values(const std::string &scores) {
  std::vector<double> values;
  std::istringstream lines(scores);
  std::string line;
  while (std::getline(lines, line)) values.push_back(std::strtod(line.c_str(), nullptr));
  return values;
}

TEST(ClassifyFeatureRowsCli, RangesGiveTheDecisionValuesOfSvmScaledVectors) {
  if (RunCommand({"sh", "-c", "command -v svm-scale"}).status != 0) {
    GTEST_SKIP() << "svm-scale (libsvm-tools) is not installed, so scaling is not compared with it";
  }
  TempDir dir;
  // Training vectors: feature 4 is constant, so svm-scale saves no range for it.
  WriteFile(dir / "train", "1 1:0.5 2:3 3:-1 4:2\n-1 1:0.1 2:4 3:2.5 4:2\n1 1:0.9 2:3.5 3:0.25 4:2\n");
  const auto saved = RunCommand({"svm-scale", "-s", dir / "ranges", dir / "train"});
  ASSERT_EQ(saved.status, 0) << saved.out;
  // Vectors at the training minimum and maximum, within and beyond the
  // range, one without feature 2, and feature 4 off its constant.
  const std::vector<std::string> pairs = {"1:0.5 2:3 3:-1 4:2",  "1:0.1 2:4 3:2.5 4:7", "1:0.3 2:3.7 3:0.4 4:2",
                                          "1:1.7 2:1 3:3.3 4:0", "1:0.2 3:-2 4:2",      "1:-0.4 2:3.2 3:1.9 4:2"};
  std::string plain;
  std::string vectors;
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    plain += "0 " + pairs[i] + "\n";
    vectors += "0 " + pairs[i] + " #QUERY " + std::to_string(i) + " 6\n";
  }
  WriteFile(dir / "plain", plain);
  WriteFile(dir / "vectors", vectors);
  const auto scaled =
      RunCommand({"sh", "-c", "svm-scale -r \"$0/ranges\" \"$0/plain\" 2>/dev/null", dir.path().string()});
  ASSERT_EQ(scaled.status, 0) << scaled.out;
  std::istringstream scaled_lines(scaled.out);
  std::string line;
  std::string scaled_vectors;
  for (int i = 0; std::getline(scaled_lines, line); ++i)
    scaled_vectors += line + "#QUERY " + std::to_string(i) + " 6\n";
  WriteFile(dir / "scaled", scaled_vectors);
  // A model over the three scaled features (RBF, so that every feature
  // counts beyond a sum), whose support vectors hold feature 3.
  WriteFile(dir / "model",
            "svm_type c_svc\nkernel_type rbf\ngamma 0.7\nnr_class 2\ntotal_sv 3\nrho -0.2\nlabel 1 -1\nnr_sv 2 1\nSV\n"
            "0.8 1:0.3 2:-0.5 3:0.9 \n0.6 1:-1 2:0.2 3:-0.4 \n-1.4 1:0.5 2:1 3:-1 \n");
  const auto by_svm_scale = RunTool("ClassifyFeatureRows", {"--raw", dir / "model", dir / "scaled", "P", "1"});
  const auto by_ranges =
      RunTool("ClassifyFeatureRows", {"--raw", "--ranges", dir / "ranges", dir / "model", dir / "vectors", "P", "1"});
  ASSERT_EQ(by_svm_scale.status, 0) << by_svm_scale.out;
  ASSERT_EQ(by_ranges.status, 0) << by_ranges.out;
  const auto expected = Values(by_svm_scale.out);
  const auto got = Values(by_ranges.out);
  ASSERT_EQ(got.size(), pairs.size());
  ASSERT_EQ(expected.size(), pairs.size());
  // svm-scale prints its values with %g, six significant digits.
  for (std::size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], expected[i], 2e-5) << i;
}

}  // namespace

namespace {

const std::string kTinyModel = std::string(LINKERKIT_TEST_DATA_DIR) + "/tiny.xgboost.json";
const std::string kTinyVectors = std::string(LINKERKIT_TEST_DATA_DIR) + "/tiny.xgboost.vectors";

TEST(ClassifyFeatureRowsCli, XGBoostModelsScoreAsPythonPredicts) {
  // ws 1 and --raw: the margins themselves, "%f" of Python's.
  std::istringstream margins(ReadFile(std::string(LINKERKIT_TEST_DATA_DIR) + "/tiny.xgboost.margins"));
  std::string expected;
  int position = 0;
  for (std::string line; std::getline(margins, line); ++position) {
    expected +=
        linkerkit::test::Printf("%f #P %d 42\n", static_cast<double>(std::strtof(line.c_str(), nullptr)), position);
  }
  // The booster saved as JSON, and as UBJSON.
  for (const std::string &model : {kTinyModel, std::string(LINKERKIT_TEST_DATA_DIR) + "/tiny.xgboost.ubj"}) {
    const auto raw = RunTool("ClassifyFeatureRows", {"--raw", model, kTinyVectors, "P", "1"});
    EXPECT_EQ(raw.status, 0) << raw.out;
    EXPECT_EQ(raw.out, expected) << model;
  }
  // Smoothed and z-scored, the same from run to run.
  const auto scores = RunTool("ClassifyFeatureRows", {kTinyModel, kTinyVectors, "P", "5"});
  EXPECT_EQ(scores.status, 0) << scores.out;
  EXPECT_EQ(Values(scores.out).size(), 42u);
  EXPECT_EQ(RunTool("ClassifyFeatureRows", {kTinyModel, kTinyVectors, "P", "5"}).out, scores.out);
}

TEST(ClassifyFeatureRowsCli, XGBoostFailuresAreOneLine) {
  TempDir dir;
  WriteFile(dir / "ranges", "x\n0 1\n1 0 10\n");
  WriteFile(dir / "short", "0 1:0.5 2:0.5 3:0.5 #QUERY 0 2\n0 1:0.5 2:0.5 #QUERY 1 2\n");
  WriteFile(dir / "broken.json", ReadFile(kTinyModel).substr(0, 500));
  WriteFile(dir / "regression.json",
            std::regex_replace(ReadFile(kTinyModel), std::regex("binary:logistic"), "reg:squarederror"));
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  for (const Case &c : {
           Case{{"--ranges", dir / "ranges", kTinyModel, kTinyVectors, "P", "1"},
                "--ranges is for LIBSVM models: the XGBoost model " + kTinyModel + " takes its vectors unscaled\n"},
           Case{{kTinyModel, dir / "short", "P", "1"}, dir / "short" + " line 2: has 2 features, the model has 3\n"},
           Case{{dir / "broken.json", kTinyVectors, "P", "1"},
                "cannot load model " + (dir / "broken.json") + ": malformed JSON at byte 501\n"},
           Case{{dir / "regression.json", kTinyVectors, "P", "1"},
                "cannot load model " + (dir / "regression.json") +
                    ": objective reg:squarederror, not binary:logistic\n"},
       }) {
    const auto result = RunTool("ClassifyFeatureRows", c.arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, c.message);
  }
}

}  // namespace
