#include "program.h"
#include "sec_struct.h"

// What --help says after the usage line.
constexpr const char *kAbout =
    "Splits a PSIPRED secondary structure prediction into its coil, helix and strand\n"
    "probabilities, each smoothed over the centred window of ws residues. Reads a .ss2 file; writes\n"
    "three tracks, DIRPSS_C_WS.txt, DIRPSS_H_WS.txt and DIRPSS_E_WS.txt (DIR is a plain prefix: give a\n"
    "folder with its trailing \"/\"), all of them only once the whole input was read.";

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 3, "SplitSecStructProbs [data file (*.ss2)] [output dir] [ws]", kAbout,
                               linkerkit::RunSplitSecStructProbs);
}
