// A residue property scale (an AAindex entry, say) applied to a protein
// sequence and smoothed over a centred window.
#pragma once

#include <array>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "program.h"

namespace linkerkit {

// One entry per line of the scale file: the line's first byte is the letter,
// the number after its first TAB the value. A letter without an entry takes
// the fallback, the mean of every entry's value.
class ResidueScale {
 public:
  // Fails naming path (and the line) when there are no lines or a line has
  // no TAB.
  ResidueScale(const std::vector<std::string> &lines, std::string_view path);

  // The value of the first entry for letter, else the fallback.
  double ValueOf(char letter) const;
  double fallback() const { return fallback_; }

 private:
  std::array<std::optional<double>, 256> first_entry_;
  double fallback_ = 0.0;
};

// The looked-up value of every residue, smoothed in double precision; the
// positions without a full window keep their looked-up value.
std::vector<double> ResidueScaleTrack(std::string_view residues, const ResidueScale &scale, int ws);

// ApplyResidueScale [FASTA file] [AAIndex score file] [ws]
void RunApplyResidueScale(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
