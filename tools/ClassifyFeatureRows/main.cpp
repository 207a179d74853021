#include "classify.h"
#include "program.h"

// What --help says after the usage line.
constexpr const char *kAbout =
    "Scores one protein's vector lines with a LIBSVM model (labels +1 for linker residues and -1) or\n"
    "an XGBoost binary:logistic booster saved as UBJSON or JSON (its margins; the file's first\n"
    "character that is no blank, '{', tells it), averages the decision values over the centred\n"
    "window of ws residues and prints them as z-scores over the protein, or as they are with --raw;\n"
    "--ranges first scales the vectors with svm-scale's saved ranges (LIBSVM models only). Reads the\n"
    "model and the vector lines of AssembleFeatureRows; writes one score line \"SCORE #NAME\n"
    "POSITION LENGTH\" per residue on standard output.";

int main(int argc, char **argv) {
  return linkerkit::RunProgramWithOptions(
      argc, argv, linkerkit::kClassifyOptions, 4,
      "ClassifyFeatureRows [--ranges FILE] [--raw] [model file] [vector file] [protein name] [smoothing ws]", kAbout,
      [](const linkerkit::GivenOptions &options, linkerkit::Arguments arguments, std::FILE *out) {
        linkerkit::RunClassifyFeatureRows(options, arguments, out);
      });
}
