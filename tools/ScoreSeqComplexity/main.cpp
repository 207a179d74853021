#include "program.h"
#include "seq_complexity.h"

// What --help says after the usage line.
constexpr const char *kAbout =
    "Scores the composition complexity of one protein's sequence: for every residue, the\n"
    "entropy-like sum over the amino acids of the centred window of ws residues, averaged over that\n"
    "window. Reads a one-protein FASTA file; writes a track, one line \"VALUE #QUERY POSITION LENGTH\"\n"
    "per residue, on standard output.";

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 2, "ScoreSeqComplexity [FASTA file] [ws]", kAbout,
                               linkerkit::RunScoreSeqComplexity);
}
