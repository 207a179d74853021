#include "classify.h"
#include "program.h"

int main(int argc, char **argv) {
  return linkerkit::RunProgramWithOptions(
      argc, argv, linkerkit::kClassifyOptions, 4,
      "ClassifyFeatureRows [--ranges FILE] [--raw] [model file] [vector file] [protein name] [smoothing ws]",
      [](const linkerkit::GivenOptions &options, linkerkit::Arguments arguments, std::FILE *out) {
        linkerkit::RunClassifyFeatureRows(options, arguments, out);
      });
}
