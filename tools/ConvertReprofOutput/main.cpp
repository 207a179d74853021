#include "program.h"
#include "reprof_output.h"

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 4, "ConvertReprofOutput [reprof file] [ss2 file] [accessibility track] [ws]",
                               linkerkit::RunConvertReprofOutput);
}
