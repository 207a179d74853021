#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "classify.h"
#include "failure.h"
#include "failure_message.h"
#include "libsvm_model.h"
#include "lines.h"
#include "test_support.h"
#include "track.h"
#include "window.h"
#include "xgboost_model.h"

namespace {

using namespace linkerkit;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

// Decision value x1 - x2 - 0.5, positive for the first label.
std::string LinearModel(const std::string &labels) {
  return "svm_type c_svc\nkernel_type linear\nnr_class 2\ntotal_sv 2\nrho 0.5\nlabel " + labels +
         "\nnr_sv 1 1\nSV\n1 1:1 2:0 \n-1 1:0 2:1 \n";
}

TEST(ClassifyFeatureRows, VectorLinesParsesPairsAndRejectsMalformedLines) {
  const auto vectors = ParseVectorLines({"0 1:0.500000 2:-0.300000 #QUERY 0 2", "+1 1:1 3:2e1 #QUERY 1 2"}, "v");
  ASSERT_EQ(vectors.size(), 2u);
  EXPECT_EQ(vectors[0], (FeatureVector{{1, 0.5}, {2, -0.3}}));
  EXPECT_EQ(vectors[1], (FeatureVector{{1, 1.0}, {3, 20.0}}));
  struct Case {
    std::string line;
    std::string message;
  };
  for (const Case &c : {Case{"0 1:0.5 2:0.1", "v line 1: no #QUERY comment"},
                        Case{"0 1:0.5 x:2 #QUERY 0 1", "v line 1: bad feature 'x:2'"},
                        Case{"0 1:0.5 2 #QUERY 0 1", "v line 1: bad feature '2'"},
                        Case{"0 2:0.5 1:0.1 #QUERY 0 1", "v line 1: feature indices out of order at '1:0.1'"}}) {
    try {
      ParseVectorLines({c.line}, "v");
      ADD_FAILURE() << c.line;
    } catch (const Failure &failure) {
      EXPECT_EQ(std::string(failure.what()), c.message);
    }
  }
}

TEST(ClassifyFeatureRows, LibsvmModelDecisionValuesPointTowardsTheLinkerLabel) {
  TempDir dir;
  WriteFile(dir / "plus_first", LinearModel("1 -1"));
  WriteFile(dir / "minus_first", LinearModel("-1 1"));
  const std::vector<FeatureVector> vectors = {{{1, 2.0}, {2, 0.5}}, {{1, 0.0}, {2, 1.0}}};
  const auto plus = LibsvmModel(dir / "plus_first").Score(vectors, "v");
  EXPECT_NEAR(plus[0], 2.0 - 0.5 - 0.5, 1e-12);
  EXPECT_NEAR(plus[1], 0.0 - 1.0 - 0.5, 1e-12);
  // With -1 as the first label LIBSVM's value is positive for non-linkers.
  const auto minus = LibsvmModel(dir / "minus_first").Score(vectors, "v");
  EXPECT_NEAR(minus[0], -plus[0], 1e-12);
}

TEST(ClassifyFeatureRows, LibsvmModelRejectsModelsAndVectorsThatDoNotFit) {
  TempDir dir;
  WriteFile(dir / "model", LinearModel("1 -1"));
  WriteFile(dir / "garbage", "not a model\n");
  WriteFile(dir / "labels", LinearModel("2 3"));
  EXPECT_THROW(LibsvmModel(dir / "missing"), Failure);
  EXPECT_THROW(LibsvmModel(dir / "garbage"), Failure);
  EXPECT_THROW(LibsvmModel(dir / "labels"), Failure);
  const LibsvmModel model(dir / "model");
  EXPECT_THROW(model.Score({{{1, 1.0}, {2, 1.0}, {3, 1.0}}}, "v"), Failure);
  EXPECT_THROW(model.Score({{{1, 1.0}}}, "v"), Failure);
}

TEST(ClassifyFeatureRows, LibsvmModelTurnsAwayModelFilesLibsvmWouldMisread) {
  TempDir dir;
  const std::string good = LinearModel("1 -1");
  const auto replaced = [&](const std::string &line, const std::string &by) {
    std::string text = good;
    return text.replace(text.find(line), line.size(), by);
  };
  // Each of these made LIBSVM read past its arrays, read unset values or
  // leak, or is a model it cannot score vectors with.
  const std::vector<std::string> models = {
      replaced("rho 0.5\n", ""),
      replaced("nr_sv 1 1\n", ""),
      replaced("label 1 -1\n", ""),
      replaced("total_sv 2\n", ""),
      replaced("nr_sv 1 1", "nr_sv 5 5"),
      replaced("nr_sv 1 1", "nr_sv 1"),
      replaced("total_sv 2", "total_sv 99999999999"),
      replaced("total_sv 2\nrho 0.5\nlabel 1 -1\nnr_sv 1 1", "total_sv 3\nrho 0.5\nlabel 1 -1\nnr_sv 2 1"),
      replaced("nr_class 2\n", "") + "nr_class 2\n",
      replaced("rho 0.5\n", "rho 0.5\nrho 0.7\n"),
      replaced("rho 0.5", "rho"),
      replaced("rho 0.5", "rho x"),
      replaced("nr_class 2", "nr_class 3"),
      replaced("svm_type c_svc", "svm_type one_class"),
      replaced("kernel_type linear", "kernel_type precomputed"),
      replaced("kernel_type linear", "kernel_type rbf"),
      replaced("SV\n", "SV \n"),
      replaced("-1 1:0", std::string("\0-1 1:0", 7)),
      // A number that is not finite makes every decision value nan.
      replaced("rho 0.5", "rho nan"),
      replaced("1 1:1 2:0", "1 1:1 2:nan"),
      replaced("1 1:1 2:0", "inf 1:1 2:0"),
      replaced("1 1:1 2:0", "1 2:1 1:0"),
  };
  for (std::size_t i = 0; i < models.size(); ++i) {
    const std::string path = dir / ("model" + std::to_string(i));
    WriteFile(path, models[i]);
    EXPECT_THROW(LibsvmModel{path}, Failure) << models[i];
  }
  // The reason, and the line where one is at fault.
  WriteFile(dir / "nan", replaced("1 1:1 2:0", "1 1:1 2:nan"));
  EXPECT_EQ(linkerkit::test::FailureMessage([&] { LibsvmModel(dir / "nan"); }),
            "cannot load model " + (dir / "nan") + ": line 9: feature 2 of '2:nan' is not a finite number");
  WriteFile(dir / "short", replaced("nr_sv 1 1", "nr_sv 1"));
  EXPECT_EQ(linkerkit::test::FailureMessage([&] { LibsvmModel(dir / "short"); }),
            "cannot load model " + (dir / "short") + ": line 7: nr_sv takes 2 numbers");
  WriteFile(dir / "rbf", replaced("kernel_type linear", "kernel_type rbf\ngamma 0.5"));
  EXPECT_NO_THROW(LibsvmModel(dir / "rbf"));
}

TEST(ClassifyFeatureRows, NormalisingZScoresPerProtein) {
  const auto z = ZScores({1, 2, 3});
  const double sd = std::sqrt(2.0 / 3.0);
  EXPECT_DOUBLE_EQ(z[0], -1.0 / sd);
  EXPECT_DOUBLE_EQ(z[1], 0.0);
  EXPECT_DOUBLE_EQ(z[2], 1.0 / sd);
  EXPECT_EQ(ZScores({0.1, 0.1, 0.1}), (std::vector<double>{0, 0, 0}));
  EXPECT_TRUE(ZScores({}).empty());
}

}  // namespace

#include "feature_ranges.h"

namespace {

using linkerkit::test::FailureMessage;

FeatureRanges Ranges(const std::string &text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return FeatureRanges(lines, "r");
}

TEST(ClassifyFeatureRows, FeatureRangesScaleAsSvmScaleDoes) {
  // The y section is skipped; feature 2 has no range and 4 was constant in
  // training, so both are dropped; 5 is missing from the vector and scales
  // from 0.
  const FeatureRanges ranges = Ranges("y\n-1 1\n0 1\nx\n-0.1 0.2\n1 0 10\n3 -2 2\n4 7 7\n5 1 3\n");
  EXPECT_EQ(ranges.highest_index(), 5);
  const FeatureVector scaled = ranges.Scale({{1, 2.5}, {2, 9.0}, {3, 2.0}, {4, 8.0}});
  ASSERT_EQ(scaled.size(), 3u);
  EXPECT_EQ(scaled[0], (std::pair<int, double>{1, -0.1 + (0.2 - -0.1) * (2.5 - 0) / (10 - 0)}));
  // The maximum maps to the upper bound itself: -0.1 + 0.3 would be 0.2 + 2^-54.
  EXPECT_EQ(scaled[1], (std::pair<int, double>{3, 0.2}));
  EXPECT_NE(-0.1 + (0.2 - -0.1), 0.2);
  EXPECT_EQ(scaled[2], (std::pair<int, double>{5, -0.1 + (0.2 - -0.1) * (0 - 1.0) / (3 - 1.0)}));
  // Values beyond the training range carry on linearly; the minimum maps to the lower bound.
  EXPECT_EQ(Ranges("x\n-1 1\n2 0 4\n").Scale({{2, 12.0}}), (FeatureVector{{2, 5.0}}));
  EXPECT_EQ(Ranges("x\n-1 1\n2 0 4\n").Scale({{1, 3.0}}), (FeatureVector{{2, -1.0}}));
}

TEST(ClassifyFeatureRows, FeatureRangesMalformedFilesNameTheLine) {
  struct Case {
    std::string text;
    std::string message;
  };
  for (const Case &c : {
           Case{"", "r: no feature ranges"},
           Case{"x\n-1 1\n", "r: no feature ranges"},
           Case{"1 0 1\n", "r line 1: expected the line \"x\" (or \"y\") that opens a range file"},
           Case{"y\n-1 1\nx\n-1 1\n1 0 1\n", "r line 3: expected two numbers in the y section"},
           Case{"y\n-1 1\n0 1\n-1 1\n1 0 1\n", "r line 4: expected the line \"x\" after the y section"},
           Case{"x\n-1\n1 0 1\n", "r line 2: expected the two numbers LOWER UPPER"},
           Case{"x\n1 -1\n1 0 1\n", "r line 2: the lower bound is not below the upper bound"},
           Case{"x\n\n-1 inf\n1 0 1\n", "r line 3: expected the two numbers LOWER UPPER"},
           Case{"x\n-1 1\n1 0\n", "r line 3: expected INDEX MIN MAX"},
           Case{"x\n-1 1\n0 0 1\n", "r line 3: expected INDEX MIN MAX"},
           Case{"x\n-1 1\n1.5 0 1\n", "r line 3: expected INDEX MIN MAX"},
           Case{"x\n-1 1\n1 0 1x\n", "r line 3: expected INDEX MIN MAX"},
           Case{"x\n-1 1\n1 2 1\n", "r line 3: the minimum is above the maximum"},
           Case{"x\n-1 1\n2 0 1\n1 0 1\n2 0 3\n", "r line 5: feature 2 is listed twice"},
       }) {
    EXPECT_EQ(FailureMessage([&] { Ranges(c.text); }), c.message) << c.text;
  }
}

TEST(ClassifyFeatureRows, VectorLinesOneProteinInResidueOrderOnly) {
  const auto message = [](const std::vector<std::string> &lines) {
    try {
      ParseVectorLines(lines, "v");
    } catch (const Failure &failure) {
      return std::string(failure.what());
    }
    return std::string("(no failure)");
  };
  EXPECT_EQ(message({"0 1:1 #QUERY 0 3", "0 1:1 #QUERY 1 3", "0 1:1 #QUERY 2 3"}), "(no failure)");
  // Two proteins of one length, the second starting over.
  EXPECT_EQ(message({"0 1:1 #QUERY 0 2", "0 1:1 #QUERY 1 2", "0 1:1 #QUERY 0 2", "0 1:1 #QUERY 1 2"}),
            "v line 3: position 0 follows position 1: lines of more than one protein");
  EXPECT_EQ(message({"0 1:1 #QUERY 0 3", "0 1:1 #QUERY 1 3", "0 1:1 #QUERY 2 4"}),
            "v line 3: residue count 4 differs from 3 on line 1: lines of more than one protein");
  EXPECT_EQ(message({"0 1:1 #QUERY 0 3", "0 1:1 #QUERY 0 3"}),
            "v line 2: position 0 follows position 0: lines of more than one protein");
  // Every residue has its line, in order: a gap, a missing head or a
  // missing tail would put the scores on other residues than their own.
  EXPECT_EQ(message({"0 1:1 #QUERY 0 4", "0 1:1 #QUERY 1 4", "0 1:1 #QUERY 3 4"}),
            "v line 3: position 3 where 2 was expected");
  EXPECT_EQ(message({"0 1:1 #QUERY 2 4", "0 1:1 #QUERY 3 4"}), "v line 1: position 2 where 0 was expected");
  EXPECT_EQ(message({"0 1:1 #QUERY 0 4", "0 1:1 #QUERY 1 4"}),
            "v line 2: last position 1 where 3 was expected: the protein has 4 residues");
  // The comment is read as LabelFeatureRows reads it.
  EXPECT_EQ(message({"0 1:0.5 #"}), "v line 1: malformed comment \"#\": expected #QUERY POSITION LENGTH");
  EXPECT_EQ(message({"0 1:0.5 #QUERY 3 3"}), "v line 1: position 3 outside 0 to 2");
}

TEST(ClassifyFeatureRows, VectorLinesFeatureValuesMustBeFinite) {
  for (const std::string value : {"nan", "NAN", "-nan", "inf", "-inf", "infinity", "1e999", "-1e400"}) {
    try {
      ParseVectorLines({"0 1:0.5 2:0.1 #QUERY 0 2", "0 1:0.5 2:" + value + " #QUERY 1 2"}, "v");
      ADD_FAILURE() << value;
    } catch (const Failure &failure) {
      EXPECT_EQ(std::string(failure.what()), "v line 2: feature 2 is not a finite number: '2:" + value + "'");
    }
  }
  // The largest finite values and underflow to zero are numbers.
  EXPECT_EQ(ParseVectorLines({"0 1:1.7976931348623157e308 2:1e-400 #QUERY 0 1"}, "v")[0],
            (FeatureVector{{1, 1.7976931348623157e308}, {2, 0.0}}));
}

}  // namespace

namespace {

const std::string kTinyModel = std::string(LINKERKIT_TEST_DATA_DIR) + "/tiny.xgboost.json";
// The same booster saved as UBJSON.
const std::string kTinyBinaryModel = std::string(LINKERKIT_TEST_DATA_DIR) + "/tiny.xgboost.ubj";
const std::string kTinyVectors = std::string(LINKERKIT_TEST_DATA_DIR) + "/tiny.xgboost.vectors";

// Python's margins for the tiny model's vector lines, as single-precision
// numbers.
std::vector<float> PythonMargins() {
  std::vector<float> margins;
  for (const std::string &line : ReadLines(std::string(LINKERKIT_TEST_DATA_DIR) + "/tiny.xgboost.margins"))
    margins.push_back(static_cast<float>(std::strtod(line.c_str(), nullptr)));
  return margins;
}

// What RunClassifyFeatureRows writes for the arguments.
std::string ClassifyOutput(const GivenOptions &options, std::vector<std::string> arguments) {
  std::vector<char *> pointers;
  for (std::string &argument : arguments) pointers.push_back(argument.data());
  std::FILE *out = std::tmpfile();
  RunClassifyFeatureRows(options, Arguments(pointers.data(), pointers.size()), out);
  std::rewind(out);
  std::string text;
  for (int c; (c = std::fgetc(out)) != EOF;) text += static_cast<char>(c);
  std::fclose(out);
  return text;
}

TEST(ClassifyFeatureRows, XGBoostMarginsArePythonsOnAndAroundEverySplit) {
  const auto vectors = ParseVectorLines(ReadLines(kTinyVectors), kTinyVectors);
  const std::vector<float> expected = PythonMargins();
  ASSERT_EQ(vectors.size(), expected.size());
  const auto classifier = LoadLinkerClassifier(kTinyModel);
  const std::vector<double> margins = classifier->Score(vectors, kTinyVectors);
  ASSERT_EQ(margins.size(), expected.size());
  for (std::size_t i = 0; i < margins.size(); ++i) EXPECT_FLOAT_EQ(static_cast<float>(margins[i]), expected[i]) << i;
  // The same model again, and the same one twice: the same values to the bit;
  // saved as UBJSON too.
  EXPECT_EQ(LoadLinkerClassifier(kTinyModel)->Score(vectors, kTinyVectors), margins);
  EXPECT_EQ(classifier->Score(vectors, kTinyVectors), margins);
  EXPECT_EQ(LoadLinkerClassifier(kTinyBinaryModel)->Score(vectors, kTinyVectors), margins);
}

TEST(ClassifyFeatureRows, XGBoostMarginsGoThroughTheSmoothingAndScores) {
  std::vector<double> margins;
  for (const float margin : PythonMargins()) margins.push_back(margin);
  for (const bool raw : {true, false}) {
    GivenOptions options;
    if (raw) options.Add("--raw", "");
    EXPECT_EQ(ClassifyOutput(options, {kTinyModel, kTinyVectors, "P", "3"}),
              FormatTrack(ScoresOf(SmoothClipped(margins, 3), raw), "P"));
  }
}

TEST(ClassifyFeatureRows, XGBoostVectorsMustHoldTheModelsFeaturesInSinglePrecision) {
  const auto classifier = LoadLinkerClassifier(kTinyModel);
  struct Case {
    std::string line;
    std::string message;
  };
  for (const Case &c : {
           Case{"0 1:0.5 2:0.5 #QUERY 1 2", "v line 2: has 2 features, the model has 3"},
           Case{"0 1:0.5 2:0.5 3:0.5 4:0.5 #QUERY 1 2", "v line 2: has 4 features, the model has 3"},
           Case{"0 1:0.5 2:0.5 4:0.5 #QUERY 1 2", "v line 2: has no feature 3; the model has features 1 to 3"},
           Case{"0 2:0.5 3:0.5 4:0.5 #QUERY 1 2", "v line 2: has no feature 1; the model has features 1 to 3"},
           Case{"0 1:0.5 2:1e39 3:0.5 #QUERY 1 2",
                "v line 2: feature 2 is beyond single precision, which XGBoost uses"},
       }) {
    const auto vectors = ParseVectorLines({"0 1:0.5 2:0.5 3:0.5 #QUERY 0 2", c.line}, "v");
    EXPECT_EQ(linkerkit::test::FailureMessage([&] { classifier->Score(vectors, "v"); }), c.message) << c.line;
  }
  // The largest single-precision value is one.
  EXPECT_EQ(classifier->Score(ParseVectorLines({"0 1:3.4028234e38 2:0 3:-3.4028234e38 #QUERY 0 1"}, "v"), "v").size(),
            1u);
}

TEST(ClassifyFeatureRows, XGBoostModelsTakeNoRanges) {
  EXPECT_EQ(linkerkit::test::FailureMessage([] { LoadLinkerClassifier(kTinyModel, "r"); }),
            "--ranges is for LIBSVM models: the XGBoost model " + kTinyModel + " takes its vectors unscaled");
}

// model with its first text replaced by by; the test fails where there is
// no text to replace.
std::string Replaced(std::string model, const std::string &text, const std::string &by) {
  const std::size_t at = model.find(text);
  EXPECT_NE(at, std::string::npos) << text;
  return at == std::string::npos ? model : model.replace(at, text.size(), by);
}

// Broken or foreign models are one line each, before XGBoost reads what
// would make it loop for ever, crash or score nonsense.
TEST(ClassifyFeatureRows, XGBoostModelsThatAreNoLinkerTreesAreTurnedAway) {
  const std::string good = linkerkit::test::ReadFile(kTinyModel);
  EXPECT_EQ(XGBoostModelProblem(good), "");
  const auto replaced = [&](const std::string &text, const std::string &by) { return Replaced(good, text, by); };
  struct Case {
    std::string model;
    std::string problem;
  };
  for (const Case &c : {
           Case{"{}", "no objective: not an XGBoost model"},
           Case{good.substr(0, 1000), "malformed JSON at byte 1001"},
           Case{good + "}", "malformed JSON at byte " + std::to_string(good.size() + 1)},
           Case{"{\"learner\":" + std::string(100000, '[') + std::string(100000, ']') + "}",
                "JSON nested deeper than a model's"},
           Case{replaced("\"binary:logistic\"", "\"reg:logistic\""), "objective reg:logistic, not binary:logistic"},
           Case{replaced("\"name\":\"gbtree\"", "\"name\":\"gblinear\""), "booster gblinear, not trees"},
           Case{replaced("\"num_class\":\"0\"", "\"num_class\":\"2\""), "more than one output"},
           Case{replaced("\"num_feature\":\"3\",\"num_target\"", "\"num_feature\":\"0\",\"num_target\""),
                "no feature count"},
           Case{replaced("\"base_score\":\"5E-1\"", "\"base_score\":\"x\""), "base_score x, not a probability"},
           Case{replaced("\"num_trees\":\"4\"", "\"num_trees\":\"5\""), "tree count 5 but 4 trees"},
           Case{replaced("\"tree_info\":[0,0,0,0]", "\"tree_info\":[0,0,0,1]"), "tree 3 of another output"},
           Case{replaced("\"num_nodes\":\"7\"", "\"num_nodes\":\"6\""), "tree 0: left_children not one per node"},
           // A child pointing back at the root, beyond the nodes, or missing.
           Case{replaced("\"left_children\":[1,3,5", "\"left_children\":[0,3,5"), "tree 0: a node that is no tree's"},
           Case{replaced("\"left_children\":[1,3,5", "\"left_children\":[1,3,7"), "tree 0: a node that is no tree's"},
           Case{replaced("\"left_children\":[1,3,5,-1", "\"left_children\":[1,3,5,4"),
                "tree 0: a node that is no tree's"},
           Case{replaced("\"split_indices\":[1,", "\"split_indices\":[3,"),
                "tree 0: a split on no feature of the model"},
           Case{replaced("\"split_type\":[0,", "\"split_type\":[1,"), "tree 0: a categorical split"},
           Case{replaced("\"categories\":[]", "\"categories\":[1]"), "tree 0: a categorical split"},
           // Parents XGBoost reads for every node, and the trees' numbers.
           Case{replaced("\"parents\":[2147483647,0,0,1,", "\"parents\":[2147483647,0,0,133333333333,"),
                "tree 0: a node that is no tree's"},
           Case{replaced("\"parents\":[2147483647,0,0,1,1,2,2]", "\"parents\":[2147483647,0,0,1,1,2,1]"),
                "tree 0: a node that is no tree's"},
           Case{replaced("\"id\":1,", "\"id\":0,"), "tree 1: not numbered in order"},
           // XGBoost would keep the second, empty list of trees.
           Case{replaced("}}]},\"name\":\"gbtree\"", "}}],\"trees\":[]},\"name\":\"gbtree\""),
                "JSON object with a key twice, at byte " + std::to_string(good.find("}}]},\"name\":\"gbtree\"") + 11)},
       }) {
    EXPECT_EQ(XGBoostModelProblem(c.model), c.problem) << c.model.substr(0, 200);
  }
  for (std::size_t size = 0; size < good.size(); ++size)
    EXPECT_NE(XGBoostModelProblem(good.substr(0, size)), "") << size;
  // Through the loader: one line naming the file, XGBoost's own refusals
  // too (without its time stamp and source position).
  TempDir dir;
  WriteFile(dir / "cycle.json", replaced("\"left_children\":[1,3,5", "\"left_children\":[0,3,5"));
  EXPECT_EQ(linkerkit::test::FailureMessage([&] { LoadLinkerClassifier(dir / "cycle.json"); }),
            "cannot load model " + (dir / "cycle.json") + ": tree 0: a node that is no tree's");
  WriteFile(dir / "boolean.json", replaced("\"split_conditions\":[6.467505E-1", "\"split_conditions\":[true"));
  EXPECT_EQ(linkerkit::test::FailureMessage([&] { LoadLinkerClassifier(dir / "boolean.json"); }),
            "cannot load model " + (dir / "boolean.json") + ": Invalid cast, from Boolean to Number");
  // Blanks before the "{" still make it an XGBoost model; anything else is
  // read as LIBSVM's.
  WriteFile(dir / "blanks.json", " \r\n\t" + good);
  EXPECT_NE(dynamic_cast<const XGBoostModel *>(LoadLinkerClassifier(dir / "blanks.json").get()), nullptr);
  WriteFile(dir / "text.json", "x" + good);
  EXPECT_EQ(linkerkit::test::FailureMessage([&] { LoadLinkerClassifier(dir / "text.json"); }),
            "cannot load model " + (dir / "text.json") + ": line 1: '" + ("x" + good).substr(0, 40) +
                "' is no LIBSVM model keyword");
}

// UBJSON's pieces as XGBoost writes them: lengths and counts as int64, and
// typed arrays' elements, all big-endian.
std::string BigEndian(long long value, int bytes) {
  std::string text(static_cast<std::size_t>(bytes), '\0');
  for (int i = bytes - 1; i >= 0; --i, value >>= 8) text[static_cast<std::size_t>(i)] = static_cast<char>(value & 0xff);
  return text;
}
std::string Int64(long long value) { return std::string("L").append(BigEndian(value, 8)); }
std::string Key(const std::string &key) { return Int64(static_cast<long long>(key.size())) + key; }
std::string String(const std::string &text) { return std::string("S").append(Key(text)); }
// The key of a typed int32 array and its count, with its first elements.
std::string Int32Array(const std::string &key, long long count, std::vector<int> first = {}) {
  std::string text = Key(key) + "[$l#" + Int64(count);
  for (const int value : first) text += BigEndian(value, 4);
  return text;
}

// The checks of the JSON model hold for UBJSON, through the same code: a
// sample of each kind of fault, in XGBoost's own layout and in the other
// forms of UBJSON; and no byte string, cut short or forged, is read beyond
// its end.
TEST(ClassifyFeatureRows, XGBoostModelsInUBJSONAreCheckedAsInJSON) {
  const std::string good = linkerkit::test::ReadFile(kTinyBinaryModel);
  EXPECT_EQ(XGBoostModelProblem(good), "");
  const auto replaced = [&](const std::string &text, const std::string &by) { return Replaced(good, text, by); };
  const std::string children = Int32Array("left_children", 7, {1, 3, 5, -1, -1, -1, -1});
  const std::size_t objective = good.find(String("binary:logistic"));
  const std::size_t left = good.find(children);
  const std::size_t learner_param = good.find(Key("num_feature") + String("3") + Key("num_target"));
  struct Case {
    std::string model;
    std::string problem;
  };
  for (const Case &c : {
           Case{replaced(String("binary:logistic"), String("reg:logistic")),
                "objective reg:logistic, not binary:logistic"},
           Case{replaced(String("gbtree"), String("gblinear")), "booster gblinear, not trees"},
           Case{replaced(Key("num_class") + String("0"), Key("num_class") + String("2")), "more than one output"},
           Case{replaced(Key("num_feature") + String("3") + Key("num_target"),
                         Key("num_feature") + String("0") + Key("num_target")),
                "no feature count"},
           Case{replaced(String("5E-1"), String("x")), "base_score x, not a probability"},
           Case{replaced(Key("num_trees") + String("4"), Key("num_trees") + String("5")), "tree count 5 but 4 trees"},
           Case{replaced("[#" + Int64(4) + std::string("i\0i\0i\0i\0", 8),
                         "[#" + Int64(4) + std::string("i\0i\0i\0i\1", 8)),
                "tree 3 of another output"},
           Case{replaced(Key("num_nodes") + String("7"), Key("num_nodes") + String("6")),
                "tree 0: left_children not one per node"},
           Case{replaced(Int32Array("left_children", 7, {1}), Int32Array("left_children", 7, {0})),
                "tree 0: a node that is no tree's"},
           Case{replaced(Int32Array("split_indices", 7, {1}), Int32Array("split_indices", 7, {3})),
                "tree 0: a split on no feature of the model"},
           Case{replaced(Key("split_type") + "[$U#" + Int64(7) + std::string(1, '\0'),
                         Key("split_type") + "[$U#" + Int64(7) + "\1"),
                "tree 0: a categorical split"},
           Case{replaced(Int32Array("categories", 0), Int32Array("categories", 1, {1})), "tree 0: a categorical split"},
           Case{replaced(Key("id") + "i\1", Key("id") + std::string("i\0", 2)), "tree 1: not numbered in order"},
           // XGBoost would keep the first, the checks the second; a name
           // kept for a message must fit on its line.
           Case{replaced(Key("num_feature") + String("3") + Key("num_target"),
                         Key("num_feature") + String("5") + Key("num_feature") + String("3") + Key("num_target")),
                "UBJSON object with a key twice, at byte " +
                    std::to_string(learner_param + Key("num_feature").size() * 2 + String("5").size())},
           Case{replaced(String("binary:logistic"), String("binary:\nlogistic")),
                "malformed UBJSON at byte " + std::to_string(objective + String("binary:\nlogistic").size())},
           // Arrays with their elements marked, ended by "]" or counted, with
           // no-ops and narrower integers: the same trees, the same checks.
           Case{replaced(children, Key("left_children") + "[i\1I" + BigEndian(3, 2) + "NU\5L" + BigEndian(-1, 8) +
                                       "i\xff" + "i\xff" + "i\xff]"),
                ""},
           Case{replaced(children,
                         Key("left_children") + "[#i\7" + std::string("i\0", 2) + "i\3i\5i\xffi\xffi\xffi\xff"),
                "tree 0: a node that is no tree's"},
           Case{replaced(children, Key("left_children") + "[$i#U\7" + std::string("\1\3\0\xff\xff\xff\xff", 7)),
                "tree 0: a node that is no tree's"},
           Case{replaced(children, Key("left_children") + "[$d#" + Int64(7) + std::string(28, '\0')),
                "tree 0: a node that is no tree's"},
           // Too deep, bytes after the end, a blank where XGBoost's first
           // key begins, and lengths and counts beyond the bytes there are.
           Case{"{" + Key("learner") + std::string(100000, '[') + std::string(100000, ']') + "}",
                "UBJSON nested deeper than a model's"},
           Case{good + "}", "malformed UBJSON at byte " + std::to_string(good.size() + 1)},
           Case{"{ " + good.substr(1), "malformed UBJSON at byte 2"},
           Case{replaced(String("binary:logistic"), "S" + Int64(1LL << 62) + "binary:logistic"),
                "malformed UBJSON at byte " + std::to_string(objective + 2)},
           Case{replaced(String("binary:logistic"), "S" + Int64(-1) + "binary:logistic"),
                "malformed UBJSON at byte " + std::to_string(objective + 2)},
           Case{replaced(children, Int32Array("left_children", 1LL << 61, {1, 3, 5, -1, -1, -1, -1})),
                "malformed UBJSON at byte " + std::to_string(left + Key("left_children").size() + 5)},
           Case{replaced(children, Key("left_children") + "[$S#" + Int64(1) + String("1")),
                "malformed UBJSON at byte " + std::to_string(left + Key("left_children").size() + 3)},
       }) {
    EXPECT_EQ(XGBoostModelProblem(c.model), c.problem) << c.problem;
  }
  for (std::size_t size = 0; size < good.size(); ++size)
    EXPECT_NE(XGBoostModelProblem(good.substr(0, size)), "") << size;
  // Through the loader: blanks before the "{" as with JSON, a fault found
  // here, and UBJSON that XGBoost does not read, each one line.
  TempDir dir;
  WriteFile(dir / "blanks.ubj", " \r\n\t" + good);
  EXPECT_NE(dynamic_cast<const XGBoostModel *>(LoadLinkerClassifier(dir / "blanks.ubj").get()), nullptr);
  WriteFile(dir / "cycle.ubj", replaced(Int32Array("left_children", 7, {1}), Int32Array("left_children", 7, {0})));
  EXPECT_EQ(linkerkit::test::FailureMessage([&] { LoadLinkerClassifier(dir / "cycle.ubj"); }),
            "cannot load model " + (dir / "cycle.ubj") + ": tree 0: a node that is no tree's");
  WriteFile(dir / "short_key.ubj", "{i\7learner" + good.substr(1 + Key("learner").size()));
  EXPECT_EQ(
      linkerkit::test::FailureMessage([&] { LoadLinkerClassifier(dir / "short_key.ubj"); }),
      "cannot load model " + (dir / "short_key.ubj") + ": Expecting: \"L\", got: \"i \", around character position: 2");
}

}  // namespace
