#include "profile_matrix.h"
#include "program.h"

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 2, "ExtractProfileMatrix [MTX file] [output file]",
                               linkerkit::RunExtractProfileMatrix);
}
