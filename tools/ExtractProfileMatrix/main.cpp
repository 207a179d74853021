#include "profile_matrix.h"
#include "program.h"

// What --help says after the usage line.
constexpr const char *kAbout =
    "Turns a PSI-BLAST checkpoint matrix in its MTX text form into a profile table: the query\n"
    "length, the query sequence, then each residue's 20 scores in the order A R N D C Q E G H I L K M\n"
    "F P S T W Y V. Reads the MTX file; writes the table to the output file, only once the whole matrix\n"
    "was read.";

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 2, "ExtractProfileMatrix [MTX file] [output file]", kAbout,
                               linkerkit::RunExtractProfileMatrix);
}
