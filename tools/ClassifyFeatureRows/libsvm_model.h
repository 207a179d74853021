// A two-class LIBSVM model (labels +1 for linker residues and -1), scoring
// vector lines as they are or scaled first with svm-scale's saved ranges.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "feature_ranges.h"
#include "linker_classifier.h"

struct svm_model;

namespace linkerkit {

class LibsvmModel : public LinkerClassifier {
 public:
  // Fails with "cannot load model PATH: reason" (naming the line where one
  // is at fault) when the file is no two-class LIBSVM model with the labels
  // +1 (linker) and -1, every number in it finite. ranges_path, when not empty, names the ranges the
  // model's training vectors were scaled with (svm-scale -s), read after the
  // model; unscaled vectors are then scaled with them first. Fails when the
  // model has features beyond the ranges (it was not trained on vectors
  // scaled with them).
  explicit LibsvmModel(const std::string &path, const std::string &ranges_path = "");
  // The oriented decision values. Without ranges, fails when a vector's
  // highest feature is not the model's; with them, when a vector ends before
  // the last feature with a range.
  std::vector<double> Score(const std::vector<FeatureVector> &vectors, const std::string &path) const override;
  // The oriented decision value of one vector, unchecked.
  double Decide(const FeatureVector &features) const;
  // The features a vector line holds: up to the last with a range, with
  // ranges; else up to the highest the support vectors use.
  int feature_count() const override { return ranges_ ? ranges_->highest_index() : feature_count_; }

 private:
  struct ModelDeleter {
    void operator()(svm_model *model) const;
  };
  std::string path_;
  std::unique_ptr<svm_model, ModelDeleter> model_;
  int feature_count_ = 0;
  double orientation_ = 1.0;
  std::optional<FeatureRanges> ranges_;
};

}  // namespace linkerkit
