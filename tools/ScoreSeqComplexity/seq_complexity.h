// Windowed composition entropy of a protein sequence.
#pragma once

#include <cstdio>
#include <string_view>
#include <vector>

#include "program.h"

namespace linkerkit {

// Per residue: R = -sum (c/n) ln(c/n) over the profile letters present in
// the residue's full window (each count c divided by the whole length n,
// not by the window), then R smoothed over the same window with 0 at the
// ends. Letters outside the profile alphabet take a place but count nothing.
std::vector<double> SeqComplexityTrack(std::string_view residues, int ws);

// ScoreSeqComplexity [FASTA file] [ws]
void RunScoreSeqComplexity(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
