#include "track.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "cnumber.h"

namespace linkerkit {

void AppendFixed6(std::string &out, double value) {
  char buffer[400];  // the longest "%f" of a finite double is 317 characters
  if (std::isfinite(value)) {
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    out.append(buffer, result.ptr);
  } else {
    const int written = std::snprintf(buffer, sizeof buffer, "%f", value);
    out.append(buffer, static_cast<std::size_t>(written));
  }
}

void AppendInt(std::string &out, long long value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void AppendTrackLine(std::string &out, double value, std::string_view tag, int position, int length) {
  AppendFixed6(out, value);
  out += " #";
  out += tag;
  out += ' ';
  AppendInt(out, position);
  out += ' ';
  AppendInt(out, length);
  out += '\n';
}

void WriteAll(std::FILE *out, std::string_view text) { std::fwrite(text.data(), 1, text.size(), out); }

std::optional<TrackValue> ParseTrackLine(const char *line) {
  const char *hash = std::strchr(line, '#');
  if (!hash) return std::nullopt;
  const char *space = std::strchr(hash, ' ');
  if (!space) return std::nullopt;
  return TrackValue{ReadCDouble(line), ReadCInt(space + 1)};
}

namespace {

// strchr for the few bytes between the fields of a score line, where a plain
// loop is much faster than the library call (score files run to millions of
// lines).
const char *FindInField(const char *text, char wanted) {
  for (; *text != wanted; ++text) {
    if (*text == '\0') return nullptr;
  }
  return text;
}

}  // namespace

std::optional<ScoreLine> ParseScoreLine(const char *line) {
  // No number holds a "#", so the first one lies after the value.
  const char *value_end = line;
  const double value = ReadCDouble(line, &value_end);
  const char *hash = FindInField(value_end, '#');
  if (!hash) return std::nullopt;
  const char *name_end = FindInField(hash, ' ');
  if (!name_end) return std::nullopt;
  const char *length_space = FindInField(name_end + 1, ' ');
  if (!length_space) return std::nullopt;
  return ScoreLine{value, std::string_view(hash + 1, static_cast<std::size_t>(name_end - hash - 1)), name_end + 1,
                   length_space + 1};
}

}  // namespace linkerkit
