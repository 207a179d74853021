// Scoring one protein's vector lines with a LIBSVM model into score lines.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "program.h"

struct svm_model;

namespace linkerkit {

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

 private:
  struct ModelDeleter {
    void operator()(svm_model *model) const;
  };
  std::unique_ptr<svm_model, ModelDeleter> model_;
  int feature_count_ = 0;
  double orientation_ = 1.0;
};

// Mean over the centred window of ws / 2 on each side, clipped at the chain
// ends: a true mean of the values inside.
std::vector<double> SmoothClipped(const std::vector<double> &values, int ws);

// (x - mean) / standard deviation over the protein; a constant profile gives 0.
std::vector<double> ZScores(const std::vector<double> &values);

// ClassifyFeatureRows [model file] [vector file] [protein name] [smoothing ws]
void RunClassifyFeatureRows(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
