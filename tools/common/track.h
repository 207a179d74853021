// The track line: "%f #TAG position length", one per residue. Every program
// that writes or reads tracks (and the score file, which has the same shape)
// does it here.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cnumber.h"

namespace linkerkit {

// Appends value as C's "%f" prints it: six decimals, a minus sign kept on a
// negative value that rounds to zero, inf and nan as printf spells them.
void AppendFixed6(std::string &out, double value);
// The same text as for the value widened to double, worked out exactly in
// integers: single-precision tracks and feature vectors print millions of
// these, and the general conversion takes twice as long.
void AppendFixed6(std::string &out, float value);
// The same text written at out, which has room for kFixed6FloatRoom bytes
// (the longest, -FLT_MAX, has 47); returns the end of the text.
inline constexpr std::size_t kFixed6FloatRoom = 48;
char *WriteFixed6(char *out, float value);
// That text as a sign and a count of millionths, for a value below 2^32 in
// magnitude (empty for others, inf and nan). The count is below 2^53, so
// the text reads back as the count divided by 10^6 in double precision.
struct Fixed6Count {
  bool negative;
  std::uint64_t millionths;
};
std::optional<Fixed6Count> CountFixed6(float value);
// The number the "%f" text of value reads back as (ReadCDouble): what a
// reader of a track or vector line gets, worked out without the text where
// the value is a float CountFixed6 counts.
double ReadBackFixed6(double value);
double ReadBackFixed6(float value);
void AppendInt(std::string &out, long long value);

// Appends "%f #TAG %d %d\n".
void AppendTrackLine(std::string &out, double value, std::string_view tag, int position, int length);
void AppendTrackLine(std::string &out, float value, std::string_view tag, int position, int length);

// Writes one track line per value, positions 0 to n - 1 with length n.
template <typename Real>
std::string FormatTrack(const std::vector<Real> &values, std::string_view tag) {
  std::string out;
  // Room for the usual line (value below 10^5, positions below 10^8), so
  // that the text is not copied as it grows.
  out.reserve(values.size() * (tag.size() + 36));
  const int length = static_cast<int>(values.size());
  for (int i = 0; i < length; ++i) AppendTrackLine(out, values[i], tag, i, length);
  return out;
}

// Why name cannot tag a protein's score lines, or empty when it can. The
// name ends each line's "#NAME" and opens each report line's "|"-separated
// fields: it must be non-empty and hold no "#", "|", blank or control
// character.
std::string ProteinNameProblem(std::string_view name);

// What a vector assembler takes from a track line: the leading value and the
// position after "#TAG ". Empty when the line has no "#" followed by a space.
struct TrackValue {
  double value;
  int position;
};
std::optional<TrackValue> ParseTrackLine(const char *line);

// A score line: value, the name between the first "#" and the next space,
// the position after that space and the length after the following space.
// Empty when the "#" or either space is missing. The two integers are read
// only when asked for: most lines of a long score file need just their value.
struct ScoreLine {
  double value;
  std::string_view name;
  const char *position_text;
  const char *length_text;
  int Position() const { return ReadCInt(position_text); }
  int Length() const { return ReadCInt(length_text); }
};
std::optional<ScoreLine> ParseScoreLine(const char *line);

}  // namespace linkerkit
