// The first input line is the selection and the window size, the rest is
// the profile table.
#include "cnumber.h"
#include "fuzz_input.h"
#include "fuzz_program.h"
#include "profile_column.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const ArgumentsAndRest input = SplitArgumentLine(AsText(data, size));
  if (input.arguments.size() < 2) return -1;
  // The first line's residue count sizes the track, and rightly so: a large
  // one is a long output, not a fault. The window sums take n x ws additions
  // in their fixed order, some seconds for a count near 10^5 and a window
  // as wide, so counts stay below what keeps a run short.
  const std::string first_line(input.rest.substr(0, input.rest.find('\n')));
  const int n = linkerkit::ReadCInt(first_line.c_str());
  if (n > 20000) return -1;
  const std::string table = WriteScratchFile("p.tab", input.rest);
  const BodyRun run = RunBody(linkerkit::RunTrackProfileColumn, {table, input.arguments[0], input.arguments[1]});
  if (run.succeeded) CheckTrack(run.out, static_cast<std::size_t>(n), "query");
  return 0;
}
