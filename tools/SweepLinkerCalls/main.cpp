#include "program.h"
#include "sweep_linker_calls.h"

// What --help says after the usage line.
constexpr const char *kAbout =
    "Judges many linker calling settings over one score file in one pass: each setting (smoothing,\n"
    "the rule of ReportDomainHinges or SegmentDomains, threshold, offset, rank or minimum domain\n"
    "length) calls every protein's linkers from the scores smoothed as ClassifyFeatureRows smooths\n"
    "them, and EvaluateLinkers' matching judges the calls (tolerance in residues, default 20). Reads\n"
    "a score file, a domain region file and a settings file; writes one tab-separated row of figures\n"
    "per setting on standard output, and with --calls every call and protein after the table.";

int main(int argc, char **argv) {
  return linkerkit::RunProgramWithOptions(
      argc, argv, linkerkit::kSweepOptions, 3, 4,
      "SweepLinkerCalls [--domain-ids] [--calls] [score file] [domain region file] [settings file] "
      "[tolerance, default 20]",
      kAbout, [](const linkerkit::GivenOptions &options, linkerkit::Arguments arguments, std::FILE *out) {
        linkerkit::RunSweepLinkerCalls(options, arguments, out);
      });
}
