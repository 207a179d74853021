#include "program.h"
#include "segment_domains.h"

// What --help says after the usage line.
constexpr const char *kAbout =
    "Calls linkers by cutting each protein into domains: the boundaries whose scores above the threshold\n"
    "add up to the most, every domain at least the minimum length, none at or within offset residues of\n"
    "either chain end; each boundary is reported as the linker centred on it. Reads a score file (lines\n"
    "\"VALUE #NAME POSITION LENGTH\", each protein's together); writes the report on standard output,\n"
    "\"NAME|START,END|RUN_LENGTH|PEAK|LENGTH|PEAK_POSITION|RANK\", or \"No prediction\".";

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 4, "SegmentDomains [score file] [threshold] [min domain length] [offset]",
                               kAbout, linkerkit::RunSegmentDomains);
}
