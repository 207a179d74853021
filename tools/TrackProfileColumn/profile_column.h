// One amino acid's column of a profile table as a track: each residue's
// score placed within the range of its row, then smoothed.
#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "program.h"

namespace linkerkit {

// (score of column - min) / (max - min) over the row's first 20 scores, in
// single precision, with max and min starting at 0 so that the range always
// holds 0; 0 when max equals min. Empty when the row holds fewer than 20
// integers.
std::optional<float> ScaleProfileRow(const std::string &row, int column);

// The track of one column (0 to 19, profile alphabet order) of a profile
// table: n from line 1, row r (line r + 3) for position r, positions without
// a row 0; smoothed in single precision, the positions without a full window
// unsmoothed. Fails naming path for an empty table, a negative n or a short
// row among the first n.
std::vector<float> ProfileColumnTrack(const std::vector<std::string> &table, int column, int ws, std::string_view path);

// TrackProfileColumn [PSSM file] [Selection (1 letter AA)] [smoothing ws]
void RunTrackProfileColumn(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
