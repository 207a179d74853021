#include "profile_column.h"
#include "program.h"

// What --help says after the usage line.
constexpr const char *kAbout =
    "Takes one amino acid's column of a profile table, places each residue's score within the\n"
    "range of that residue's 20 scores and smooths the values over the centred window of ws residues.\n"
    "Reads a table of ExtractProfileMatrix; writes a track, one line \"VALUE #query POSITION LENGTH\"\n"
    "per residue, on standard output.";

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 3, "TrackProfileColumn [PSSM file] [Selection (1 letter AA)] [smoothing ws]",
                               kAbout, linkerkit::RunTrackProfileColumn);
}
