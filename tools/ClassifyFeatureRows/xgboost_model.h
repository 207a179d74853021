// XGBoost's gradient-boosted trees for linker residues: a binary:logistic
// booster saved as UBJSON or JSON (booster.save_model("xgboost.ubj") or
// "xgboost.json" in Python), scored through XGBoost's C API.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "linker_classifier.h"

namespace linkerkit {

// Why the text of an XGBoost model file is no model the road can score with,
// or empty when it is one: UBJSON or JSON, told apart by the content as
// XGBoost tells them, nested no deeper than a model is, with the
// objective binary:logistic, a base_score between 0 and 1, a gbtree or dart
// booster over at least one feature, and trees that are trees (every node reached once from the root,
// both children or none, numeric splits on the model's features). XGBoost
// itself trusts its model file: a tree whose child points back, or a tree
// count that does not match the trees, makes it loop for ever or crash.
std::string XGBoostModelProblem(std::string_view text);

class XGBoostModel : public LinkerClassifier {
 public:
  // text: the content of the model file at path. Fails with "cannot load
  // model PATH: reason" when it is no such model or XGBoost cannot load it.
  XGBoostModel(const std::string &path, const std::string &text);
  // The booster's margins for the vectors, the log-odds of "linker", as
  // XGBoost computes them in single precision with one thread. Feature k of
  // a vector line is the booster's feature k - 1, unscaled; every vector must
  // hold the features 1 to feature_count() and fit in single precision, else
  // the run fails naming its line.
  std::vector<double> Score(const std::vector<FeatureVector> &vectors, const std::string &path) const override;
  int feature_count() const override { return feature_count_; }

 private:
  struct BoosterDeleter {
    void operator()(void *booster) const;
  };
  std::string path_;
  std::unique_ptr<void, BoosterDeleter> booster_;
  int feature_count_ = 0;
};

}  // namespace linkerkit
