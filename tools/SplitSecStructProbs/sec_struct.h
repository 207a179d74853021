// A PSIPRED .ss2 prediction split into coil, helix and strand tracks.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "program.h"

namespace linkerkit {

// The three class probabilities of every residue row, in single precision.
struct SecStructProbs {
  std::vector<float> coil;
  std::vector<float> helix;
  std::vector<float> strand;
};

// Takes the .ss2 file line by line: lines 1 and 2 are skipped whatever they
// hold, every later line is a residue row.
class SecStructParser {
 public:
  explicit SecStructParser(std::string_view path) : path_(path) {}

  // line is NUL-terminated in memory; number counts from 1. Fails naming the
  // line when a row has fewer than three decimal points after its ninth
  // character.
  void AddLine(std::string_view line, std::size_t number);

  // Fails naming the file when there was no residue row.
  const SecStructProbs &Finish() const;

 private:
  std::string path_;
  std::size_t lines_ = 0;
  SecStructProbs probs_;
};

// The coil, helix and strand tracks, in that order: each class smoothed in
// single precision with the positions without a full window unsmoothed.
std::vector<std::vector<float>> SecStructTracks(const SecStructProbs &probs, int ws);

// The coil, helix and strand track files, in that order, as (path, content):
// PREFIXPSS_C_WS.txt and its siblings, each class smoothed in single
// precision with the positions without a full window unsmoothed.
std::vector<std::string> SecStructTrackPaths(std::string_view prefix, int ws);
std::vector<std::pair<std::string, std::string>> SecStructTrackFiles(const SecStructProbs &probs,
                                                                     std::string_view prefix, int ws);

// SplitSecStructProbs [data file (*.ss2)] [output dir] [ws]
void RunSplitSecStructProbs(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
