#include "libsvm_model.h"

#include <fcntl.h>
#include <libsvm/svm.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>
#include <string_view>

#include "arguments.h"
#include "cnumber.h"
#include "failure.h"
#include "lines.h"

namespace linkerkit {

namespace {

// The blank-separated words of a line.
std::vector<std::string> Words(std::string_view text) {
  std::istringstream stream{std::string(text)};
  std::vector<std::string> words;
  for (std::string word; stream >> word;) words.push_back(word);
  return words;
}

// A word that is a finite number as a whole.
std::optional<double> FiniteNumber(const std::string &word) {
  const char *end = nullptr;
  const double number = ReadCDouble(word.c_str(), &end);
  if (word.empty() || *end != '\0' || !std::isfinite(number)) return std::nullopt;
  return number;
}

bool IsCount(double number) { return number >= 0 && number <= INT_MAX && number == std::floor(number); }

std::string AtLine(std::size_t index, const std::string &problem) {
  return "line " + std::to_string(index + 1) + ": " + problem;
}

// Why a support vector line is none LIBSVM reads as meant, or empty: its
// coefficient, then INDEX:VALUE pairs in rising order, every number finite.
// A nan or inf would make every decision value nan, and every score.
std::string SupportVectorProblem(const std::string &line, std::size_t index) {
  const std::vector<std::string> words = Words(line);
  if (words.empty()) return AtLine(index, "a support vector line without its coefficient");
  if (!FiniteNumber(words[0])) return AtLine(index, "coefficient '" + words[0] + "' is not a finite number");
  int previous = 0;
  for (std::size_t i = 1; i < words.size(); ++i) {
    const std::size_t colon = words[i].find(':');
    const std::optional<int> feature =
        colon == std::string::npos ? std::nullopt : ReadPlainCount(words[i].substr(0, colon));
    if (!feature || *feature <= previous) {
      return AtLine(index, "expected INDEX:VALUE with indices rising from 1, not '" + words[i] + "'");
    }
    if (!FiniteNumber(words[i].substr(colon + 1))) {
      return AtLine(index, "feature " + std::to_string(*feature) + " of '" + words[i] + "' is not a finite number");
    }
    previous = *feature;
  }
  return "";
}

// LIBSVM trusts its model file: it leaks its open file on an unknown
// keyword and another array on a repeated line, reads past its arrays or
// leaves values unset when a line it needs is missing, short or comes
// before nr_class, and when the support vector counts do not add up. So the
// file is checked here first: known keywords, each once, with their
// numbers, all finite; a two-class C or nu classifier whose kernel works on
// feature values and has its parameters; nr_class before the per-class
// lines; nr_sv adding up to total_sv, and that many support vector lines.
// Returns why the file is no such model, or empty.
std::string ModelFileProblem(const std::vector<std::string> &lines) {
  struct Keyword {
    std::string_view name;
    std::size_t numbers;  // how many the line holds
    bool per_class;       // sized by nr_class
  };
  static constexpr Keyword kKeywords[] = {{"svm_type", 0, false}, {"kernel_type", 0, false}, {"degree", 1, false},
                                          {"gamma", 1, false},    {"coef0", 1, false},       {"nr_class", 1, false},
                                          {"total_sv", 1, false}, {"rho", 1, true},          {"label", 2, true},
                                          {"probA", 1, true},     {"probB", 1, true},        {"nr_sv", 2, true}};
  std::map<std::string_view, std::vector<double>, std::less<>> numbers;
  std::map<std::string_view, std::string_view, std::less<>> words;
  std::size_t sv_line = 0;
  for (; sv_line < lines.size() && lines[sv_line] != "SV"; ++sv_line) {
    const std::string_view line = lines[sv_line];
    const std::size_t blank = line.find(' ');
    const std::string_view name = line.substr(0, blank);
    const std::string_view value = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
    const auto keyword =
        std::find_if(std::begin(kKeywords), std::end(kKeywords), [&](const Keyword &k) { return k.name == name; });
    if (keyword == std::end(kKeywords)) {
      std::string problem = "'";
      problem.append(name.substr(0, 40)).append("' is no LIBSVM model keyword");
      return AtLine(sv_line, problem);
    }
    if (numbers.count(name) || words.count(name)) return AtLine(sv_line, std::string(name) + " is given twice");
    if (keyword->per_class && !numbers.count("nr_class")) {
      return AtLine(sv_line, std::string(name) + " comes before nr_class");
    }
    if (keyword->numbers == 0) {
      words[name] = value;
      continue;
    }
    std::vector<double> &read = numbers[name];
    for (const std::string &word : Words(value)) {
      const std::optional<double> number = FiniteNumber(word);
      if (!number) return AtLine(sv_line, std::string(name) + " '" + word + "' is not a finite number");
      read.push_back(*number);
    }
    if (read.size() != keyword->numbers) {
      return AtLine(sv_line, std::string(name) + " takes " + std::to_string(keyword->numbers) + " number" +
                                 (keyword->numbers == 1 ? "" : "s"));
    }
  }
  if (sv_line == lines.size()) return "no line \"SV\" before the support vectors";
  const auto has = [&](std::initializer_list<std::string_view> names) {
    return std::all_of(names.begin(), names.end(), [&](std::string_view name) { return numbers.count(name) != 0; });
  };
  const std::string_view type = words["svm_type"];
  const std::string_view kernel = words["kernel_type"];
  const bool kernel_sound = kernel == "linear" || (kernel == "polynomial" && has({"degree", "gamma", "coef0"})) ||
                            (kernel == "rbf" && has({"gamma"})) || (kernel == "sigmoid" && has({"gamma", "coef0"}));
  if (type != "c_svc" && type != "nu_svc") return "svm_type is not c_svc or nu_svc, a classifier";
  if (!kernel_sound) return "kernel_type is not linear, polynomial, rbf or sigmoid with its parameters";
  for (const std::string_view needed : {"nr_class", "total_sv", "rho", "label", "nr_sv"}) {
    if (!numbers.count(needed)) return "no " + std::string(needed) + " line";
  }
  if (numbers["nr_class"][0] != 2) return "nr_class is not 2: a linker classifier has two classes";
  const double total = numbers["total_sv"][0];
  const std::vector<double> &per_class = numbers["nr_sv"];
  if (!IsCount(total) || !IsCount(per_class[0]) || !IsCount(per_class[1]) || per_class[0] + per_class[1] != total) {
    return "nr_sv does not add up to total_sv";
  }
  if (total > static_cast<double>(lines.size() - sv_line - 1)) return "fewer support vector lines than total_sv";
  for (std::size_t i = sv_line + 1; i <= sv_line + static_cast<std::size_t>(total); ++i) {
    if (std::string problem = SupportVectorProblem(lines[i], i); !problem.empty()) return problem;
  }
  return "";
}

// LIBSVM reads its lines with fgets and ends each at a NUL byte, and a line
// that starts with one makes it read a null pointer: such a file is no model.
bool HoldsNulByte(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  const std::istreambuf_iterator<char> end;
  return std::find(std::istreambuf_iterator<char>(file), end, '\0') != end;
}

// Keeps LIBSVM's own messages off standard error while it loads a model.
svm_model *LoadModelQuietly(const std::string &path) {
  std::fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  const int null_device = open("/dev/null", O_WRONLY);
  if (saved >= 0 && null_device >= 0) dup2(null_device, STDERR_FILENO);
  svm_model *model = svm_load_model(path.c_str());
  std::fflush(stderr);
  if (saved >= 0) {
    dup2(saved, STDERR_FILENO);
    close(saved);
  }
  if (null_device >= 0) close(null_device);
  return model;
}

}  // namespace

void LibsvmModel::ModelDeleter::operator()(svm_model *model) const { svm_free_and_destroy_model(&model); }

LibsvmModel::LibsvmModel(const std::string &path, const std::string &ranges_path) : path_(path) {
  if (HoldsNulByte(path)) Fail("cannot load model " + path + ": it holds a NUL byte");
  if (const std::string problem = ModelFileProblem(ReadLines(path)); !problem.empty()) {
    Fail("cannot load model " + path + ": " + problem);
  }
  model_.reset(LoadModelQuietly(path));
  if (!model_) Fail("cannot load model " + path);
  int labels[2];
  svm_get_labels(model_.get(), labels);
  if (!((labels[0] == 1 && labels[1] == -1) || (labels[0] == -1 && labels[1] == 1))) {
    Fail("model " + path + " does not have the labels +1 (linker) and -1");
  }
  // LIBSVM's decision value is positive for the model's first label.
  orientation_ = labels[0] == 1 ? 1.0 : -1.0;
  for (int i = 0; i < model_->l; ++i) {
    for (const svm_node *node = model_->SV[i]; node->index != -1; ++node)
      feature_count_ = std::max(feature_count_, node->index);
  }
  if (ranges_path.empty()) return;
  ranges_.emplace(ReadLines(ranges_path), ranges_path);
  // Scaled training vectors hold only the features with a range, and
  // svm-scale leaves out the ones that scale to 0, so the support vectors
  // may stop short of the last range; but they cannot go beyond it.
  if (feature_count_ > ranges_->highest_index()) {
    Fail("model " + path + " has features up to " + std::to_string(feature_count_) + ", the range file " + ranges_path +
         " up to " + std::to_string(ranges_->highest_index()));
  }
}

double LibsvmModel::Decide(const FeatureVector &features) const {
  std::vector<svm_node> nodes;
  nodes.reserve(features.size() + 1);
  for (const auto &[index, value] : features) nodes.push_back({index, value});
  nodes.push_back({-1, 0.0});
  double decision = 0.0;
  svm_predict_values(model_.get(), nodes.data(), &decision);
  return orientation_ * decision;
}

std::vector<double> LibsvmModel::Score(const std::vector<FeatureVector> &vectors, const std::string &path) const {
  std::vector<double> scores;
  scores.reserve(vectors.size());
  for (std::size_t i = 0; i < vectors.size(); ++i) {
    const FeatureVector &features = vectors[i];
    const int highest = features.empty() ? 0 : features.back().first;
    if (!ranges_) {
      if (highest != feature_count_) {
        FailAtLine(
            path, i + 1,
            "has features up to " + std::to_string(highest) + ", the model has " + std::to_string(feature_count_));
      }
      scores.push_back(Decide(features));
      continue;
    }
    // Each vector has to reach the ranges' end. Features beyond it (constant
    // in training, so svm-scale listed no range) are dropped, as svm-scale
    // drops them.
    const int last_range = ranges_->highest_index();
    if (highest < last_range) {
      FailAtLine(
          path, i + 1,
          "has features up to " + std::to_string(highest) + ", the range file has " + std::to_string(last_range));
    }
    scores.push_back(Decide(ranges_->Scale(features)));
  }
  return scores;
}

}  // namespace linkerkit
