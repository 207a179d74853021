#include "linker_report.h"
#include "program.h"

int main(int argc, char **argv) {
  return linkerkit::RunProgram(argc, argv, 3, "ReportDomainHinges [option file] [rank] [threshold]",
                               linkerkit::RunReportDomainHinges);
}
