#include "chain_position.h"
#include "program.h"

// What --help says after the usage line.
constexpr const char *kAbout =
    "Tells where each residue lies in its chain: \"terminus\" gives its distance to the nearer chain\n"
    "end, \"length\" the chain length, either capped at cap and scaled to [0, 1]. Reads a one-protein\n"
    "FASTA file; writes a track, one line \"VALUE #QUERY POSITION LENGTH\" per residue, on standard\n"
    "output.";

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 3, "TrackChainPosition [FASTA file] [measure] [cap]", kAbout,
                               linkerkit::RunTrackChainPosition);
}
