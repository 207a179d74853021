#include "program.h"
#include "residue_scale.h"

// What --help says after the usage line.
constexpr const char *kAbout =
    "Looks every residue of one protein up in a residue scale (an AAindex entry: one line per\n"
    "letter, the letter, a TAB and the value) and averages the values over the centred window of ws\n"
    "residues. Reads a one-protein FASTA file and the scale file; writes a track, one line\n"
    "\"VALUE #QUERY POSITION LENGTH\" per residue, on standard output.";

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 3, "ApplyResidueScale [FASTA file] [AAIndex score file] [ws]", kAbout,
                               linkerkit::RunApplyResidueScale);
}
