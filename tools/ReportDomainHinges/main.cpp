#include "linker_report.h"
#include "program.h"

// What --help says after the usage line.
constexpr const char *kAbout =
    "Calls linkers: runs of consecutive residues of one protein whose score reaches the threshold.\n"
    "Reads an option file (NormalizedFile, the score file; OutputFile, the report; OffSet, the margin\n"
    "left out at either chain end) and the score file; writes each protein's best rank runs to the\n"
    "report, \"NAME|START,END|RUN_LENGTH|PEAK|LENGTH|PEAK_POSITION|RANK\", and lists every candidate run\n"
    "on standard output.";

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 3, "ReportDomainHinges [option file] [rank] [threshold]", kAbout,
                               linkerkit::RunReportDomainHinges);
}
