#include "feature_rows.h"
#include "program.h"

// What --help says after the usage line.
constexpr const char *kAbout =
    "Joins one protein's feature tracks into one SVM-light vector line per residue,\n"
    "\"0 1:V1 2:V2 ... #QUERY POSITION LENGTH\", the features in the order of the index list. Reads the\n"
    "index list (one track name per line) and the tracks DIR + NAME + \".txt\"; writes the vector lines\n"
    "on standard output.";

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 2, "AssembleFeatureRows [index list] [Vector element dir]", kAbout,
                               linkerkit::RunAssembleFeatureRows);
}
