#include "classify.h"

#include <fcntl.h>
#include <libsvm/svm.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <map>
#include <optional>
#include <sstream>

#include "arguments.h"
#include "cnumber.h"
#include "failure.h"
#include "feature_ranges.h"
#include "lines.h"
#include "output_file.h"
#include "track.h"
#include "vector_comment.h"
#include "window.h"

namespace linkerkit {

namespace {

FeatureVector ParseVectorLine(const std::string &line, std::size_t comment_start, const std::string &path,
                              std::size_t line_number) {
  const std::string body = line.substr(0, comment_start);
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
    const double value = ReadCDouble(colon + 1);
    // LIBSVM would pass a NaN or infinity on into every decision value of
    // the protein's smoothed and normalised scores.
    if (!std::isfinite(value)) {
      FailAtLine(path, line_number, "feature " + std::to_string(index) + " is not a finite number: '" + token + "'");
    }
    features.emplace_back(static_cast<int>(index), value);
  }
  return features;
}

}  // namespace

std::vector<FeatureVector> ParseVectorLines(const std::vector<std::string> &lines, const std::string &path) {
  std::vector<FeatureVector> vectors;
  vectors.reserve(lines.size());
  // The scores are smoothed along the chain, so the lines must be one
  // protein's residues in order: a second protein's lines would be
  // smoothed and normalised into the first one's.
  std::optional<VectorComment> previous;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const VectorComment comment = ReadVectorComment(lines[i], path, i + 1);
    if (previous && comment.length != previous->length) {
      FailAtLine(path, i + 1,
                 "residue count " + std::to_string(comment.length) + " differs from " +
                     std::to_string(previous->length) + " on line 1: lines of more than one protein");
    }
    if (previous && comment.position <= previous->position) {
      FailAtLine(path, i + 1,
                 "position " + std::to_string(comment.position) + " follows position " +
                     std::to_string(previous->position) + ": lines of more than one protein");
    }
    previous = comment;
    vectors.push_back(ParseVectorLine(lines[i], comment.start, path, i + 1));
  }
  return vectors;
}

namespace {

// The blank-separated numbers of a model line; empty when one of them is
// not a number as a whole.
std::vector<double> ReadNumbers(std::string_view text) {
  std::istringstream stream{std::string(text)};
  std::vector<double> numbers;
  std::string word;
  while (stream >> word) {
    const char *end = nullptr;
    numbers.push_back(ReadCDouble(word.c_str(), &end));
    if (*end != '\0') return {};
  }
  return numbers;
}

bool IsCount(double number) { return number >= 0 && number <= INT_MAX && number == std::floor(number); }

// LIBSVM trusts its model file: it leaks its open file on an unknown
// keyword and another array on a repeated line, reads past its arrays or
// leaves values unset when a line it needs is missing, short or comes
// before nr_class, and when the support vector counts do not add up. So the
// file is checked here first, up to the "SV" line: known keywords, each
// once, with their numbers; a two-class C or nu classifier whose kernel
// works on feature values and has its parameters; nr_class before the
// per-class lines; nr_sv adding up to total_sv, and that many support
// vector lines.
bool IsSoundModelFile(const std::vector<std::string> &lines) {
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
  while (sv_line < lines.size() && lines[sv_line] != "SV") {
    const std::string_view line = lines[sv_line++];
    const std::size_t blank = line.find(' ');
    const std::string_view name = line.substr(0, blank);
    const std::string_view value = blank == std::string_view::npos ? std::string_view() : line.substr(blank + 1);
    const auto keyword =
        std::find_if(std::begin(kKeywords), std::end(kKeywords), [&](const Keyword &k) { return k.name == name; });
    if (keyword == std::end(kKeywords) || numbers.count(name) || words.count(name)) return false;
    if (keyword->per_class && !numbers.count("nr_class")) return false;
    if (keyword->numbers == 0) {
      words[name] = value;
    } else if ((numbers[name] = ReadNumbers(value)).size() != keyword->numbers) {
      return false;
    }
  }
  if (sv_line == lines.size()) return false;
  const auto has = [&](std::initializer_list<std::string_view> names) {
    return std::all_of(names.begin(), names.end(), [&](std::string_view name) { return numbers.count(name) != 0; });
  };
  const std::string_view type = words["svm_type"];
  const std::string_view kernel = words["kernel_type"];
  const bool kernel_sound = kernel == "linear" || (kernel == "polynomial" && has({"degree", "gamma", "coef0"})) ||
                            (kernel == "rbf" && has({"gamma"})) || (kernel == "sigmoid" && has({"gamma", "coef0"}));
  if ((type != "c_svc" && type != "nu_svc") || !kernel_sound ||
      !has({"nr_class", "total_sv", "rho", "label", "nr_sv"})) {
    return false;
  }
  const double total = numbers["total_sv"][0];
  const std::vector<double> &per_class = numbers["nr_sv"];
  return numbers["nr_class"][0] == 2 && IsCount(total) && IsCount(per_class[0]) && IsCount(per_class[1]) &&
         per_class[0] + per_class[1] == total && total <= static_cast<double>(lines.size() - sv_line - 1);
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

// The name as the one-line message shows it: a control character (a line
// feed, say) as \xHH.
std::string PrintableName(const std::string &name) {
  std::string shown;
  for (const char c : name) {
    if (std::iscntrl(static_cast<unsigned char>(c))) {
      static constexpr char kHex[] = "0123456789abcdef";
      shown += "\\x";
      shown += kHex[static_cast<unsigned char>(c) >> 4];
      shown += kHex[static_cast<unsigned char>(c) & 15];
    } else {
      shown += c;
    }
  }
  return shown;
}

}  // namespace

void LinkerModel::ModelDeleter::operator()(svm_model *model) const { svm_free_and_destroy_model(&model); }

LinkerModel::LinkerModel(const std::string &path) : path_(path) {
  if (!IsSoundModelFile(ReadLines(path)) || HoldsNulByte(path)) Fail("cannot load model " + path);
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
}

double LinkerModel::Decide(const FeatureVector &features) const {
  std::vector<svm_node> nodes;
  nodes.reserve(features.size() + 1);
  for (const auto &[index, value] : features) nodes.push_back({index, value});
  nodes.push_back({-1, 0.0});
  double decision = 0.0;
  svm_predict_values(model_.get(), nodes.data(), &decision);
  return orientation_ * decision;
}

std::vector<double> LinkerModel::Score(const std::vector<FeatureVector> &vectors, const std::string &path) const {
  std::vector<double> scores;
  scores.reserve(vectors.size());
  for (std::size_t i = 0; i < vectors.size(); ++i) {
    const FeatureVector &features = vectors[i];
    const int highest = features.empty() ? 0 : features.back().first;
    if (highest != feature_count_) {
      FailAtLine(path, i + 1,
                 "has features up to " + std::to_string(highest) + ", the model has " + std::to_string(feature_count_));
    }
    scores.push_back(Decide(features));
  }
  return scores;
}

std::vector<double> LinkerModel::Score(const std::vector<FeatureVector> &vectors, const std::string &path,
                                       const FeatureRanges &ranges, const std::string &ranges_path) const {
  // Scaled training vectors hold only the features with a range, and
  // svm-scale leaves out the ones that scale to 0, so the support vectors
  // may stop short of the last range: the model has to lie within the
  // ranges, and each vector has to reach their end. Features beyond it
  // (constant in training, so svm-scale listed no range) are dropped, as
  // svm-scale drops them.
  const int last_range = ranges.highest_index();
  if (feature_count_ > last_range) {
    Fail("model " + path_ + " has features up to " + std::to_string(feature_count_) + ", the range file " +
         ranges_path + " up to " + std::to_string(last_range));
  }
  std::vector<double> scores;
  scores.reserve(vectors.size());
  for (std::size_t i = 0; i < vectors.size(); ++i) {
    const FeatureVector &features = vectors[i];
    const int highest = features.empty() ? 0 : features.back().first;
    if (highest < last_range) {
      FailAtLine(
          path, i + 1,
          "has features up to " + std::to_string(highest) + ", the range file has " + std::to_string(last_range));
    }
    scores.push_back(Decide(ranges.Scale(features)));
  }
  return scores;
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

std::vector<double> ScoresOf(const std::vector<double> &smoothed, bool raw) {
  if (std::all_of(smoothed.begin(), smoothed.end(), [&](double v) { return v == smoothed.front(); })) {
    return std::vector<double>(smoothed.size(), std::numeric_limits<double>::quiet_NaN());
  }
  return raw ? smoothed : ZScores(smoothed);
}

void RunClassifyFeatureRows(const GivenOptions &options, Arguments arguments, std::FILE *out) {
  const std::string model_path = arguments[0];
  const std::string vector_path = arguments[1];
  const std::string name = arguments[2];
  if (!ProteinNameProblem(name).empty()) Fail("invalid protein name: " + PrintableName(name));
  const int ws = ReadWindowSize(arguments[3]);
  const LinkerModel model(model_path);
  std::optional<FeatureRanges> ranges;
  const char *ranges_path = options.Value("--ranges");
  if (ranges_path) ranges.emplace(ReadLines(ranges_path), ranges_path);
  const auto vectors = ParseVectorLines(ReadLines(vector_path), vector_path);
  // A protein without lines would vanish from the score file unnoticed.
  if (vectors.empty()) FailInFile(vector_path, "no vector lines");
  const std::vector<double> smoothed = SmoothClipped(
      ranges ? model.Score(vectors, vector_path, *ranges, ranges_path) : model.Score(vectors, vector_path), ws);
  WriteAll(out, FormatTrack(ScoresOf(smoothed, options.Has("--raw")), name));
}

void RunClassifyFeatureRows(Arguments arguments, std::FILE *out) {
  RunClassifyFeatureRows(GivenOptions(), arguments, out);
}

}  // namespace linkerkit
