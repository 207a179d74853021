#include "evaluate_linkers.h"
#include "program.h"

// What --help says after the usage line.
constexpr const char *kAbout =
    "Judges a linker report against the known domains of its proteins: each reported linker\n"
    "predicts a domain boundary at its middle, matched to the true boundaries within the tolerance\n"
    "(residues, default 20). Reads the report of ReportDomainHinges and a domain region file (with\n"
    "--domain-ids, the TYPE field names the domain each segment belongs to); writes a table of each\n"
    "protein's counts, precision, recall and F1 and the totals on standard output.";

int main(int argc, char **argv) {
  return linkerkit::RunProgramWithOptions(
      argc, argv, linkerkit::kEvaluateOptions, 2, 3,
      "EvaluateLinkers [--domain-ids] [report file] [domain region file] [tolerance, default 20]", kAbout,
      [](const linkerkit::GivenOptions &options, linkerkit::Arguments arguments, std::FILE *out) {
        linkerkit::RunEvaluateLinkers(options, arguments, out);
      });
}
