// Where each residue lies in its chain, as feature tracks: linkers lie
// between domains, so neither at a chain end nor in a chain too short to
// hold two domains.
#pragma once

#include <cstddef>
#include <cstdio>
#include <vector>

#include "program.h"

namespace linkerkit {

enum class ChainMeasure {
  kTerminus,  // distance to the nearer chain end, capped: min(i, n - 1 - i, cap) / cap
  kLength,    // the chain length, capped: min(n, cap) / cap on every residue
};

// The measure as named on the command line; fails with "unknown measure:
// TEXT (terminus or length)".
ChainMeasure ReadChainMeasure(const char *text);

// The cap: a whole number of at least 1, digits only; fails with
// "invalid cap: TEXT".
int ReadCap(const char *text);

// One value in [0, 1] per residue of a chain of n residues.
std::vector<double> ChainPositionTrack(std::size_t n, ChainMeasure measure, int cap);

// TrackChainPosition [FASTA file] [measure] [cap]
void RunTrackChainPosition(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
