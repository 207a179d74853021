#include "profile_column.h"
#include "program.h"

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 3, "TrackProfileColumn [PSSM file] [Selection (1 letter AA)] [smoothing ws]",
                               linkerkit::RunTrackProfileColumn);
}
