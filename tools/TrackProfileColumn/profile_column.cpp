#include "profile_column.h"

#include <cstring>

#include "alphabet.h"
#include "arguments.h"
#include "cnumber.h"
#include "failure.h"
#include "lines.h"
#include "track.h"
#include "window.h"

namespace linkerkit {

namespace {

constexpr std::size_t kHeaderLines = 2;

bool HoldsAnInteger(const char *text) {
  while (*text == ' ' || *text == '\t') ++text;
  return *text != '\0';
}

}  // namespace

std::optional<float> ScaleProfileRow(const std::string &row, int column) {
  const char *cursor = row.c_str();
  int maximum = 0;
  int minimum = 0;
  int selected = 0;
  for (int k = 0; k < static_cast<int>(kProfileAlphabet.size()); ++k) {
    if (k > 0) {
      // The next score starts just after the first blank from the
      // character after the cursor.
      const char *blank = *cursor == '\0' ? nullptr : std::strchr(cursor + 1, ' ');
      if (!blank) return std::nullopt;
      cursor = blank + 1;
    }
    if (!HoldsAnInteger(cursor)) return std::nullopt;
    const int value = ReadCInt(cursor);
    if (value > maximum) maximum = value;
    if (value < minimum) minimum = value;
    if (k == column) selected = value;
  }
  if (maximum == minimum) return 0.0f;
  // The differences in 64 bits: scores near the int limits must not overflow.
  const long long above_minimum = static_cast<long long>(selected) - minimum;
  const long long range = static_cast<long long>(maximum) - minimum;
  return static_cast<float>(above_minimum) / static_cast<float>(range);
}

std::vector<float> ProfileColumnTrack(const std::vector<std::string> &table, int column, int ws, std::string_view path) {
  if (table.empty()) FailInFile(path, "empty profile table");
  const int n = ReadCInt(table[0].c_str());
  if (n < 0) FailAtLine(path, 1, "negative residue count");
  std::vector<float> scaled(static_cast<std::size_t>(n), 0.0f);
  for (std::size_t r = 0; r < scaled.size() && r + kHeaderLines < table.size(); ++r) {
    const auto value = ScaleProfileRow(table[r + kHeaderLines], column);
    if (!value) FailAtLine(path, r + kHeaderLines + 1, "fewer than 20 scores");
    scaled[r] = *value;
  }
  return SmoothCentred(scaled, ws, WindowEdges::kRaw);
}

void RunTrackProfileColumn(Arguments arguments, std::FILE *out) {
  const int column = ProfileIndex(arguments[1][0]);
  if (column < 0) Fail("Non AA code");
  const int ws = ReadWindowSize(arguments[2]);
  const std::vector<std::string> table = ReadLines(arguments[0]);
  WriteAll(out, FormatTrack(ProfileColumnTrack(table, column, ws, arguments[0]), "query"));
}

}  // namespace linkerkit
