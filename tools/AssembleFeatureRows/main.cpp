#include "feature_rows.h"
#include "program.h"

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 2, "AssembleFeatureRows [index list] [Vector element dir]",
                               linkerkit::RunAssembleFeatureRows);
}
