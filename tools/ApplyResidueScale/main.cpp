#include "program.h"
#include "residue_scale.h"

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 3, "ApplyResidueScale [FASTA file] [AAIndex score file] [ws]",
                               linkerkit::RunApplyResidueScale);
}
