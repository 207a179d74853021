// Scoring one protein's vector lines with a LIBSVM model into score lines.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "program.h"

struct svm_model;

namespace linkerkit {

class FeatureRanges;

// The (index, value) pairs of one vector line, indices ascending from 1.
using FeatureVector = std::vector<std::pair<int, double>>;

// Reads vector lines "LABEL k:v k:v ... #QUERY i m"; the label is not used.
// Fails naming the file and line when the comment is missing or a pair is
// malformed or out of order.
std::vector<FeatureVector> ParseVectorLines(const std::vector<std::string> &lines, const std::string &path);

class LinkerModel {
 public:
  // Fails when the file is no two-class LIBSVM model with the labels +1
  // (linker) and -1.
  explicit LinkerModel(const std::string &path);
  // Decision values oriented so that larger means more linker-like. Fails
  // when a vector's features do not match the model's.
  std::vector<double> Score(const std::vector<FeatureVector> &vectors, const std::string &path) const;
  // The same for unscaled vectors scaled with the ranges the model's
  // training vectors were scaled with. Fails when the model has features
  // beyond the ranges (it was not trained on vectors scaled with them), or a
  // vector ends before the last feature with a range.
  std::vector<double> Score(const std::vector<FeatureVector> &vectors, const std::string &path,
                            const FeatureRanges &ranges, const std::string &ranges_path) const;
  // The oriented decision value of one vector, unchecked.
  double Decide(const FeatureVector &features) const;

 private:
  struct ModelDeleter {
    void operator()(svm_model *model) const;
  };
  std::string path_;
  std::unique_ptr<svm_model, ModelDeleter> model_;
  int feature_count_ = 0;
  double orientation_ = 1.0;
};

// (x - mean) / standard deviation over the protein; a constant profile gives 0.
std::vector<double> ZScores(const std::vector<double> &values);

// The scores written for the smoothed decision values: the values
// themselves (raw) or their z-scores. A protein whose smoothed values are all
// equal shows no place likelier to be a linker than any other; its scores
// are NaN ("nan"), which no threshold reaches, so it gets no linker whatever
// the threshold.
std::vector<double> ScoresOf(const std::vector<double> &smoothed, bool raw);

// The options: "--ranges FILE" scales the vectors with svm-scale's saved
// ranges first; "--raw" prints the smoothed decision values themselves in
// place of their z-scores, so that a threshold means the same in every
// protein.
inline constexpr ProgramOption kClassifyOptions[] = {{"--ranges", true}, {"--raw", false}};

// ClassifyFeatureRows [--ranges FILE] [--raw] [model file] [vector file] [protein name] [smoothing ws]
void RunClassifyFeatureRows(const GivenOptions &options, Arguments arguments, std::FILE *out);
// Without options.
void RunClassifyFeatureRows(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
