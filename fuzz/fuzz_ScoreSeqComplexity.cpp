// The first input line is the window size, the rest is the FASTA file.
#include "cnumber.h"
#include "fasta.h"
#include "fuzz_input.h"
#include "fuzz_program.h"
#include "seq_complexity.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const ArgumentsAndRest input = SplitArgumentLine(AsText(data, size));
  const std::string &ws = input.arguments[0];
  const std::string fasta = WriteScratchFile("p.fa", input.rest);
  const BodyRun run = RunBody(linkerkit::RunScoreSeqComplexity, {fasta, ws});
  Require(run.succeeded == (linkerkit::ReadCInt(ws.c_str()) > 0), "only a window size below 1 fails");
  if (run.succeeded) CheckTrack(run.out, linkerkit::ReadFastaResidues(fasta).size(), "QUERY");
  return 0;
}
