#include "classify.h"
#include "program.h"

// What --help says after the usage line.
constexpr const char *kAbout =
    "Scores one protein's vector lines with a LIBSVM model (labels +1 for linker residues and -1),\n"
    "averages the decision values over the centred window of ws residues and prints them as z-scores\n"
    "over the protein, or as they are with --raw; --ranges first scales the vectors with svm-scale's\n"
    "saved ranges. Reads the model and the vector lines of AssembleFeatureRows; writes one score line\n"
    "\"SCORE #NAME POSITION LENGTH\" per residue on standard output.";

int main(int argc, char **argv) {
  return linkerkit::RunProgramWithOptions(
      argc, argv, linkerkit::kClassifyOptions, 4,
      "ClassifyFeatureRows [--ranges FILE] [--raw] [model file] [vector file] [protein name] [smoothing ws]", kAbout,
      [](const linkerkit::GivenOptions &options, linkerkit::Arguments arguments, std::FILE *out) {
        linkerkit::RunClassifyFeatureRows(options, arguments, out);
      });
}
