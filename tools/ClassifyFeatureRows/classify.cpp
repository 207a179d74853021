#include "classify.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>

#include "arguments.h"
#include "cnumber.h"
#include "failure.h"
#include "lines.h"
#include "linker_classifier.h"
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
    // The scores are numbered by their lines: a residue without its line
    // would shift every later score onto the wrong residue.
    if (static_cast<std::size_t>(comment.position) != i) {
      FailAtLine(path, i + 1,
                 "position " + std::to_string(comment.position) + " where " + std::to_string(i) + " was expected");
    }
    previous = comment;
    vectors.push_back(ParseVectorLine(lines[i], comment.start, path, i + 1));
  }
  if (previous && previous->position != previous->length - 1) {
    FailAtLine(path, lines.size(),
               "last position " + std::to_string(previous->position) + " where " +
                   std::to_string(previous->length - 1) + " was expected: the protein has " +
                   std::to_string(previous->length) + " residues");
  }
  return vectors;
}

namespace {

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

std::string ScoreLinesOf(const std::vector<std::string> &vector_lines, const std::string &path,
                         const LinkerClassifier &classifier, const std::string &name, int ws, bool raw) {
  return ScoreLinesOf(ParseVectorLines(vector_lines, path), path, classifier, name, ws, raw);
}

std::string ScoreLinesOf(const std::vector<FeatureVector> &vectors, const std::string &path,
                         const LinkerClassifier &classifier, const std::string &name, int ws, bool raw) {
  // A protein without lines would vanish from the score file unnoticed.
  if (vectors.empty()) FailInFile(path, "no vector lines");
  const std::vector<double> smoothed = SmoothClipped(classifier.Score(vectors, path), ws);
  return FormatTrack(ScoresOf(smoothed, raw), name);
}

namespace {

// The run with the model to hand: from the model file (classifier empty),
// or read already.
void Classify(const GivenOptions &options, Arguments arguments, std::FILE *out, const LinkerClassifier *classifier) {
  const std::string model_path = arguments[0];
  const std::string vector_path = arguments[1];
  const std::string name = arguments[2];
  if (!ProteinNameProblem(name).empty()) Fail("invalid protein name: " + PrintableName(name));
  const int ws = ReadWindowSize(arguments[3]);
  std::unique_ptr<const LinkerClassifier> loaded;
  if (!classifier) {
    const char *ranges = options.Value("--ranges");
    loaded = LoadLinkerClassifier(model_path, ranges ? ranges : "");
    classifier = loaded.get();
  }
  WriteAll(out, ScoreLinesOf(ReadLines(vector_path), vector_path, *classifier, name, ws, options.Has("--raw")));
}

}  // namespace

void RunClassifyFeatureRows(const GivenOptions &options, Arguments arguments, std::FILE *out) {
  Classify(options, arguments, out, nullptr);
}

void RunClassifyFeatureRows(const GivenOptions &options, Arguments arguments, std::FILE *out,
                            const LinkerClassifier &classifier) {
  Classify(options, arguments, out, &classifier);
}

void RunClassifyFeatureRows(Arguments arguments, std::FILE *out) {
  RunClassifyFeatureRows(GivenOptions(), arguments, out);
}

}  // namespace linkerkit
