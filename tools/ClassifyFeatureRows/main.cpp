#include "classify.h"
#include "program.h"

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 4, "ClassifyFeatureRows [model file] [vector file] [protein name] [smoothing ws]",
                               linkerkit::RunClassifyFeatureRows);
}
