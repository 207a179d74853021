#include "feature_ranges.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <optional>
#include <set>
#include <sstream>
#include <string_view>

#include "arguments.h"
#include "cnumber.h"
#include "failure.h"

namespace linkerkit {

namespace {

std::vector<std::string> Words(const std::string &line) {
  std::istringstream stream(line);
  std::vector<std::string> words;
  std::string word;
  while (stream >> word) words.push_back(word);
  return words;
}

// Every word from the first one on as a finite number, or empty.
std::optional<std::vector<double>> FiniteNumbers(const std::vector<std::string> &words, std::size_t first) {
  std::vector<double> numbers;
  for (std::size_t i = first; i < words.size(); ++i) {
    const auto number = ReadWholeCDouble(words[i]);
    if (!number || !std::isfinite(*number)) return std::nullopt;
    numbers.push_back(*number);
  }
  return numbers;
}

}  // namespace

FeatureRanges::FeatureRanges(const std::vector<std::string> &lines, const std::string &path) {
  // The sections in the order they must come.
  enum class Expect { kSection, kLabelTargets, kLabelRange, kX, kBounds, kFeature };
  Expect expect = Expect::kSection;
  std::set<int> listed;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::size_t number = i + 1;
    const std::vector<std::string> words = Words(lines[i]);
    if (words.empty()) continue;
    switch (expect) {
      case Expect::kSection:
        if (words == std::vector<std::string>{"y"}) {
          expect = Expect::kLabelTargets;
        } else if (words == std::vector<std::string>{"x"}) {
          expect = Expect::kBounds;
        } else {
          FailAtLine(path, number, "expected the line \"x\" (or \"y\") that opens a range file");
        }
        break;
      case Expect::kLabelTargets:
      case Expect::kLabelRange: {
        const auto numbers = FiniteNumbers(words, 0);
        if (!numbers || numbers->size() != 2) FailAtLine(path, number, "expected two numbers in the y section");
        expect = expect == Expect::kLabelTargets ? Expect::kLabelRange : Expect::kX;
        break;
      }
      case Expect::kX:
        if (words != std::vector<std::string>{"x"})
          FailAtLine(path, number, "expected the line \"x\" after the y section");
        expect = Expect::kBounds;
        break;
      case Expect::kBounds: {
        const auto numbers = FiniteNumbers(words, 0);
        if (!numbers || numbers->size() != 2) FailAtLine(path, number, "expected the two numbers LOWER UPPER");
        lower_ = (*numbers)[0];
        upper_ = (*numbers)[1];
        if (!(lower_ < upper_)) FailAtLine(path, number, "the lower bound is not below the upper bound");
        expect = Expect::kFeature;
        break;
      }
      case Expect::kFeature: {
        const auto index = words.size() == 3 ? ReadPlainCount(words[0]) : std::nullopt;
        const auto numbers = FiniteNumbers(words, 1);
        if (!index || *index < 1 || !numbers) FailAtLine(path, number, "expected INDEX MIN MAX");
        const double min = (*numbers)[0];
        const double max = (*numbers)[1];
        if (min > max) FailAtLine(path, number, "the minimum is above the maximum");
        if (!listed.insert(*index).second)
          FailAtLine(path, number, "feature " + std::to_string(*index) + " is listed twice");
        ranges_.push_back({*index, min, max});
        break;
      }
    }
  }
  if (ranges_.empty()) FailInFile(path, "no feature ranges");
  std::sort(ranges_.begin(), ranges_.end(), [](const Range &a, const Range &b) { return a.index < b.index; });
}

FeatureVector FeatureRanges::Scale(const FeatureVector &features) const {
  FeatureVector scaled;
  scaled.reserve(ranges_.size());
  auto feature = features.begin();
  for (const Range &range : ranges_) {
    while (feature != features.end() && feature->first < range.index) ++feature;
    const double value = feature != features.end() && feature->first == range.index ? feature->second : 0.0;
    // svm-scale drops a feature that was the same in every training vector.
    if (range.min == range.max) continue;
    double result;
    if (value == range.min) {
      result = lower_;
    } else if (value == range.max) {
      result = upper_;
    } else {
      result = lower_ + (upper_ - lower_) * (value - range.min) / (range.max - range.min);
    }
    scaled.emplace_back(range.index, result);
  }
  return scaled;
}

}  // namespace linkerkit
