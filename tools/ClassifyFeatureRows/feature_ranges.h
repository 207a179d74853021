// The feature ranges LIBSVM's svm-scale saves with -s: a model trained on
// scaled vectors scores unscaled vector lines once they are scaled the same
// way, so the tracks themselves never need rewriting.
#pragma once

#include <string>
#include <vector>

#include "linker_classifier.h"

namespace linkerkit {

class FeatureRanges {
 public:
  // The file's lines: an optional "y" section of three lines (the label
  // scaling, which scores do not use), then "x", "LOWER UPPER" and one
  // "INDEX MIN MAX" line per feature. Blank lines are skipped. Fails naming
  // the file and line when a line is not of that form, a feature is listed
  // twice, MIN is above MAX or LOWER is not below UPPER, and naming the file
  // when no feature is listed.
  FeatureRanges(const std::vector<std::string> &lines, const std::string &path);

  // The vector as svm-scale writes it: every feature with a range is
  // mapped from [MIN, MAX] onto [LOWER, UPPER] (MIN itself to LOWER, MAX to
  // UPPER, values outside carried on linearly), a feature the vector leaves
  // out counting as 0; features without a range, and those whose MIN equals
  // MAX, are left out. Zeros stay in as pairs, which a model reads the same.
  FeatureVector Scale(const FeatureVector &features) const;

  // The largest index with a range line.
  int highest_index() const { return ranges_.back().index; }

 private:
  struct Range {
    int index;
    double min;
    double max;
  };
  double lower_ = -1.0;
  double upper_ = 1.0;
  std::vector<Range> ranges_;  // by ascending index
};

}  // namespace linkerkit
