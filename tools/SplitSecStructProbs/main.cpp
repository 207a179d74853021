#include "program.h"
#include "sec_struct.h"

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 3, "SplitSecStructProbs [data file (*.ss2)] [output dir] [ws]",
                               linkerkit::RunSplitSecStructProbs);
}
