#include "profile_column.h"

#include <cstring>

#include "alphabet.h"
#include "arguments.h"
#include "cnumber.h"
#include "failure.h"
#include "lines.h"
#include "output_file.h"
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

std::optional<float> ScaleProfileRow(std::string_view row, int column) {
  const char *cursor = row.data();
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

void ProfileColumnReader::AddLine(std::string_view line, std::size_t number) {
  ++lines_;
  if (lines_ == 1) {
    const int n = ReadCInt(line.data());
    if (n < 0) FailAtLine(path_, number, "negative residue count");
    scaled_.assign(static_cast<std::size_t>(n), 0.0f);
    return;
  }
  if (lines_ <= kHeaderLines || lines_ - kHeaderLines > scaled_.size()) return;
  const auto value = ScaleProfileRow(line, column_);
  if (!value) FailAtLine(path_, number, "fewer than 20 scores");
  scaled_[lines_ - kHeaderLines - 1] = *value;
}

const std::vector<float> &ProfileColumnReader::Finish() const {
  if (lines_ == 0) FailInFile(path_, "empty profile table");
  return scaled_;
}

void RunTrackProfileColumn(Arguments arguments, std::FILE *out) {
  const int column = ProfileIndex(arguments[1][0]);
  if (column < 0) Fail("Non AA code");
  const int ws = ReadWindowSize(arguments[2]);
  ProfileColumnReader reader(column, arguments[0]);
  ForEachLine(arguments[0], [&](std::string_view line, std::size_t number) { reader.AddLine(line, number); });
  WriteAll(out, FormatTrack(ProfileColumnTrack(reader.Finish(), ws), "query"));
}

std::vector<float> ProfileColumnTrack(const std::vector<float> &scaled, int ws) {
  return SmoothCentred(scaled, ws, WindowEdges::kRaw);
}

}  // namespace linkerkit
