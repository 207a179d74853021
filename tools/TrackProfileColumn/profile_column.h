// One amino acid's column of a profile table as a track: each residue's
// score placed within the range of its row, then smoothed.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "program.h"

namespace linkerkit {

// (score of column - min) / (max - min) over the row's first 20 scores, in
// single precision, with max and min starting at 0 so that the range always
// holds 0; 0 when max equals min. Empty when the row (NUL-terminated in
// memory) holds fewer than 20 integers.
std::optional<float> ScaleProfileRow(std::string_view row, int column);

// Takes a profile table line by line and scales one column (0 to 19,
// profile alphabet order): n from line 1, row r (line r + 3) for position
// r; rows beyond n are not read.
class ProfileColumnReader {
 public:
  ProfileColumnReader(int column, std::string_view path) : column_(column), path_(path) {}

  // number counts from 1. Fails naming the line for a negative n or a short
  // row among the first n.
  void AddLine(std::string_view line, std::size_t number);

  // The scaled values of positions 0 to n - 1, 0 where the table has no
  // row. Fails naming the file when the table was empty.
  const std::vector<float> &Finish() const;

 private:
  int column_;
  std::string path_;
  std::size_t lines_ = 0;
  std::vector<float> scaled_;
};

// The column's track: the scaled values smoothed over the centred window in
// single precision, the positions without a full window unsmoothed.
std::vector<float> ProfileColumnTrack(const std::vector<float> &scaled, int ws);

// TrackProfileColumn [PSSM file] [Selection (1 letter AA)] [smoothing ws]
void RunTrackProfileColumn(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
