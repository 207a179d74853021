#include "evaluate_linkers.h"
#include "program.h"

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 2, 3,
                               "EvaluateLinkers [report file] [domain region file] [tolerance, default 20]",
                               linkerkit::RunEvaluateLinkers);
}
