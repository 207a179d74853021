#include "program.h"
#include "seq_complexity.h"

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 2, "ScoreSeqComplexity [FASTA file] [ws]", linkerkit::RunScoreSeqComplexity);
}
