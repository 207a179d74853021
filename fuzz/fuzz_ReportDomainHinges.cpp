// The first input line is the rank and the threshold; the rest is option
// lines, a form feed, and the score file. The options file always ends by
// naming the score file and the report in the scratch folder. A failed run
// leaves the previous report as it was.
#include <algorithm>

#include "fuzz_input.h"
#include "fuzz_program.h"
#include "linker_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const ArgumentsAndRest input = SplitArgumentLine(AsText(data, size));
  if (input.arguments.size() < 2) return -1;
  const auto parts = SplitParts(input.rest, 2);
  ClearScratchFolder();
  const std::string options =
      WriteScratchFile("options", std::string(parts[0]) + "\nNormalizedFile = " + ScratchFolder() +
                                      "scores\nOutputFile = " + ScratchFolder() + "report\n");
  WriteScratchFile("scores", parts[1]);
  WriteScratchFile("report", "previous report\n");
  const BodyRun run = RunBody(linkerkit::RunReportDomainHinges, {options, input.arguments[0], input.arguments[1]});
  Require(ScratchEntries() == std::vector<std::string>{"options", "report", "scores"}, "no temporary file stays");
  const std::string report = ReadScratchFile("report");
  if (!run.succeeded) {
    Require(report == "previous report\n", "a failed run leaves the previous report");
    return 0;
  }
  Require(report != "previous report\n", "a run replaces the report");
  for (const std::string_view line : OutputLines(report)) {
    Require(line == "No prediction" || std::count(line.begin(), line.end(), '|') >= 6,
            "report lines have seven fields");
  }
  return 0;
}
