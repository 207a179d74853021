#include "chain_position.h"
#include "program.h"

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 3, "TrackChainPosition [FASTA file] [measure] [cap]",
                               linkerkit::RunTrackChainPosition);
}
