#include "classify.h"

#include <fcntl.h>
#include <libsvm/svm.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "arguments.h"
#include "cnumber.h"
#include "failure.h"
#include "lines.h"
#include "track.h"

namespace linkerkit {

namespace {

FeatureVector ParseVectorLine(const std::string &line, const std::string &path, std::size_t line_number) {
  const std::size_t comment = line.find('#');
  if (comment == std::string::npos) FailAtLine(path, line_number, "no #QUERY comment");
  const std::string body = line.substr(0, comment);
  FeatureVector features;
  const char *cursor = body.c_str();
  bool label_seen = false;
  while (true) {
    while (std::isspace(static_cast<unsigned char>(*cursor))) ++cursor;
    if (!*cursor) break;
    const char *token_end = cursor;
    while (*token_end && !std::isspace(static_cast<unsigned char>(*token_end))) ++token_end;
    const std::string token(cursor, token_end);
    cursor = token_end;
    if (!label_seen) {
      label_seen = true;
      continue;
    }
    char *colon = nullptr;
    const long index = std::strtol(token.c_str(), &colon, 10);
    if (colon == token.c_str() || *colon != ':' || index < 1 || index > 1000000000L) {
      FailAtLine(path, line_number, "bad feature '" + token + "'");
    }
    if (!features.empty() && index <= features.back().first) {
      FailAtLine(path, line_number, "feature indices out of order at '" + token + "'");
    }
    features.emplace_back(static_cast<int>(index), ReadCDouble(colon + 1));
  }
  return features;
}

}  // namespace

std::vector<FeatureVector> ParseVectorLines(const std::vector<std::string> &lines, const std::string &path) {
  std::vector<FeatureVector> vectors;
  vectors.reserve(lines.size());
  for (std::size_t i = 0; i < lines.size(); ++i) vectors.push_back(ParseVectorLine(lines[i], path, i + 1));
  return vectors;
}

namespace {

// LIBSVM's loader leaks its open file on a malformed header and explains
// itself on standard error, so the header is checked here first: known
// keywords only, up to the "SV" line that starts the support vectors.
bool HasModelHeader(const std::vector<std::string> &lines) {
  static const std::vector<std::string_view> keywords = {"svm_type", "kernel_type", "degree", "gamma", "coef0",
                                                         "nr_class", "total_sv", "rho", "label", "probA",
                                                         "probB", "prob_density_marks", "nr_sv"};
  for (const std::string &line : lines) {
    if (line == "SV") return true;
    const std::string_view keyword = std::string_view(line).substr(0, line.find(' '));
    if (std::find(keywords.begin(), keywords.end(), keyword) == keywords.end()) return false;
  }
  return false;
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

void LinkerModel::ModelDeleter::operator()(svm_model *model) const { svm_free_and_destroy_model(&model); }

LinkerModel::LinkerModel(const std::string &path) {
  if (!HasModelHeader(ReadLines(path))) Fail("cannot load model " + path);
  model_.reset(LoadModelQuietly(path));
  if (!model_) Fail("cannot load model " + path);
  const int type = svm_get_svm_type(model_.get());
  if ((type != C_SVC && type != NU_SVC) || svm_get_nr_class(model_.get()) != 2) {
    Fail("model " + path + " is not a two-class classifier");
  }
  int labels[2];
  svm_get_labels(model_.get(), labels);
  if (!((labels[0] == 1 && labels[1] == -1) || (labels[0] == -1 && labels[1] == 1))) {
    Fail("model " + path + " does not have the labels +1 (linker) and -1");
  }
  // LIBSVM's decision value is positive for the model's first label.
  orientation_ = labels[0] == 1 ? 1.0 : -1.0;
  for (int i = 0; i < model_->l; ++i) {
    for (const svm_node *node = model_->SV[i]; node->index != -1; ++node) feature_count_ = std::max(feature_count_, node->index);
  }
}

std::vector<double> LinkerModel::Score(const std::vector<FeatureVector> &vectors, const std::string &path) const {
  std::vector<double> scores;
  scores.reserve(vectors.size());
  std::vector<svm_node> nodes;
  for (std::size_t i = 0; i < vectors.size(); ++i) {
    const FeatureVector &features = vectors[i];
    const int highest = features.empty() ? 0 : features.back().first;
    if (highest != feature_count_) {
      FailAtLine(path, i + 1, "has features up to " + std::to_string(highest) + ", the model has " +
                              std::to_string(feature_count_));
    }
    nodes.clear();
    for (const auto &[index, value] : features) nodes.push_back({index, value});
    nodes.push_back({-1, 0.0});
    double decision = 0.0;
    svm_predict_values(model_.get(), nodes.data(), &decision);
    scores.push_back(orientation_ * decision);
  }
  return scores;
}

std::vector<double> SmoothClipped(const std::vector<double> &values, int ws) {
  const long long n = static_cast<long long>(values.size());
  const long long h = ws / 2;
  std::vector<double> smoothed(values.size());
  for (long long i = 0; i < n; ++i) {
    const long long first = std::max(0LL, i - h);
    const long long last = std::min(n - 1, i + h);
    double total = 0.0;
    for (long long p = first; p <= last; ++p) total += values[p];
    smoothed[i] = total / static_cast<double>(last - first + 1);
  }
  return smoothed;
}

std::vector<double> ZScores(const std::vector<double> &values) {
  std::vector<double> scores(values.size(), 0.0);
  if (values.empty() || std::all_of(values.begin(), values.end(), [&](double v) { return v == values.front(); })) {
    return scores;
  }
  double total = 0.0;
  for (const double value : values) total += value;
  const double mean = total / static_cast<double>(values.size());
  double squares = 0.0;
  for (const double value : values) squares += (value - mean) * (value - mean);
  const double deviation = std::sqrt(squares / static_cast<double>(values.size()));
  for (std::size_t i = 0; i < values.size(); ++i) scores[i] = (values[i] - mean) / deviation;
  return scores;
}

void RunClassifyFeatureRows(Arguments arguments, std::FILE *out) {
  const std::string model_path = arguments[0];
  const std::string vector_path = arguments[1];
  const std::string name = arguments[2];
  if (name.empty() || std::any_of(name.begin(), name.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)); })) {
    Fail("invalid protein name: " + name);
  }
  const int ws = ReadWindowSize(arguments[3]);
  const LinkerModel model(model_path);
  const auto vectors = ParseVectorLines(ReadLines(vector_path), vector_path);
  // A protein without lines would vanish from the score file unnoticed.
  if (vectors.empty()) FailInFile(vector_path, "no vector lines");
  WriteAll(out, FormatTrack(ZScores(SmoothClipped(model.Score(vectors, vector_path), ws)), name));
}

}  // namespace linkerkit
