// What scores one protein's vector lines, whichever kind of model the file
// holds: a LIBSVM model (libsvm_model.h) or XGBoost's gradient-boosted trees
// saved as UBJSON or JSON (xgboost_model.h). The file's content tells the kind.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace linkerkit {

// The (index, value) pairs of one vector line, indices ascending from 1.
using FeatureVector = std::vector<std::pair<int, double>>;

class LinkerClassifier {
 public:
  virtual ~LinkerClassifier() = default;
  // Decision values, one per vector, larger meaning more linker-like. Fails
  // naming the vector file (path) and line of a vector whose features do not
  // fit the model.
  virtual std::vector<double> Score(const std::vector<FeatureVector> &vectors, const std::string &path) const = 0;
  // How many features, 1 to the count, a vector line holds for the model:
  // what a feature recipe for it must make.
  virtual int feature_count() const = 0;
};

// The model in the file at model_path: XGBoost's UBJSON or JSON when the
// file's first byte that is no blank is "{", else a LIBSVM model. ranges_path, when not
// empty, names svm-scale's range file the vectors are scaled with first,
// which only a LIBSVM model takes. Fails with one line naming the file.
std::unique_ptr<const LinkerClassifier> LoadLinkerClassifier(const std::string &model_path,
                                                             const std::string &ranges_path = "");

}  // namespace linkerkit
