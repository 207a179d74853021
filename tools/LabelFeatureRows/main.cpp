#include "label_rows.h"
#include "program.h"

// What --help says after the usage line.
constexpr const char *kAbout =
    "Labels one protein's vector lines for training: +1 for residues inside the protein's known\n"
    "linker regions, -1 elsewhere. Reads the vector lines and a region file\n"
    "(\"KEY|START,END|TYPE|LENGTH|PROTEIN_LENGTH\" lines, positions from 1); writes the labelled lines\n"
    "on standard output.";

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 3, "LabelFeatureRows [vector file] [region file] [key]", kAbout,
                               linkerkit::RunLabelFeatureRows);
}
