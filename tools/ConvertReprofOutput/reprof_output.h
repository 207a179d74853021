// reprof's secondary structure and accessibility prediction turned into the
// files the feature road reads: a PSIPRED-layout .ss2 file for
// SplitSecStructProbs and a relative accessibility track, so that a protein
// without a PSIPRED run still gets its structure features.
#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "program.h"

namespace linkerkit {

// One row of reprof's table. The numbers are reprof's percentages.
struct ReprofResidue {
  char residue;
  char state;  // C, H or E: reprof's L, H and E as a .ss2 row names them
  double helix;
  double strand;
  double loop;
  double relative_accessibility;
};

// The first line of every .ss2 file written here; SplitSecStructProbs skips
// it and the blank line after it.
inline constexpr std::string_view kSs2Banner = "# PSIPRED VFORMAT (reprof via ConvertReprofOutput)";

// Takes reprof's output line by line: comment lines ("#...") and blank
// lines anywhere, then the header line (the first other line, which names
// the column No), then one row per residue. Fields are separated by TABs (or blanks); the columns No, AA,
// PHEL, pH, pE, pL and PREL are found by their header names.
class ReprofParser {
 public:
  explicit ReprofParser(std::string_view path) : path_(path) {}

  // number counts from 1. Fails naming the line when the first other line
  // is no header, the header lacks a column, or a row has another number of
  // fields than the header, is not numbered 1, 2, 3..., has no one-letter
  // residue, a class other than H, E or L, or a probability or accessibility
  // that is not a number from 0 to 100.
  void AddLine(std::string_view line, std::size_t number);

  // Fails naming the file when there was no header or no row.
  const std::vector<ReprofResidue> &Finish() const;

 private:
  struct Columns {
    std::size_t count;  // fields of the header
    std::size_t number, residue, state, helix, strand, loop, relative_accessibility;
  };
  void ReadHeader(const std::vector<std::string> &fields, std::size_t number);

  std::string path_;
  std::optional<Columns> columns_;
  std::vector<ReprofResidue> residues_;
};

// The .ss2 text: the banner, a blank line, then "%4d %c %c   %5.3f  %5.3f  %5.3f"
// per residue (position from 1, residue, class, then coil, helix and strand
// as fractions), the layout of a PSIPRED row.
std::string FormatSs2(const std::vector<ReprofResidue> &residues);

// Relative accessibility as a fraction, smoothed over the centred window in
// double precision, as ApplyResidueScale smooths its values: the positions
// without a full window keep their own value.
std::vector<double> AccessibilityTrack(const std::vector<ReprofResidue> &residues, int ws);

// ConvertReprofOutput [reprof file] [ss2 file] [accessibility track] [ws]
void RunConvertReprofOutput(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
