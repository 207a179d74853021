#include "program.h"
#include "reprof_output.h"

// What --help says after the usage line.
constexpr const char *kAbout =
    "Turns the table reprof writes into a .ss2 file in PSIPRED's layout (coil, helix and strand\n"
    "probabilities per residue) and a relative accessibility track smoothed over the centred window of\n"
    "ws residues. Reads reprof's table; writes the two named files, both only once the whole table was\n"
    "read.";

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 4, "ConvertReprofOutput [reprof file] [ss2 file] [accessibility track] [ws]",
                               kAbout, linkerkit::RunConvertReprofOutput);
}
