// The first input line is the window size, the rest is the .ss2 file. The
// three tracks appear together, each with one line per row, or not at all,
// and no temporary file stays behind.
#include "cnumber.h"
#include "fuzz_input.h"
#include "fuzz_program.h"
#include "lines.h"
#include "sec_struct.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const ArgumentsAndRest input = SplitArgumentLine(AsText(data, size));
  ClearScratchFolder();
  const std::string ss2 = WriteScratchFile("p.ss2", input.rest);
  const std::string &ws = input.arguments[0];
  const BodyRun run = RunBody(linkerkit::RunSplitSecStructProbs, {ss2, ScratchFolder() + "out_", ws});
  Require(run.out.empty(), "nothing on standard output");
  const std::vector<std::string> entries = ScratchEntries();
  if (!run.succeeded) {
    Require(entries == std::vector<std::string>{"p.ss2"}, "a failed run leaves no file");
    return 0;
  }
  const std::string number = std::to_string(linkerkit::ReadCInt(ws.c_str()));
  const std::vector<std::string> names = {"out_PSS_C_" + number + ".txt", "out_PSS_E_" + number + ".txt",
                                          "out_PSS_H_" + number + ".txt", "p.ss2"};
  Require(entries == names, "the three tracks and nothing else");
  const std::size_t rows = linkerkit::ReadLines(ss2).size() - 2;
  for (std::size_t i = 0; i < 3; ++i) CheckTrack(ReadScratchFile(names[i]), rows, "QUERY");
  return 0;
}
