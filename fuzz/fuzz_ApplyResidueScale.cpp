// The first input line is the window size; the rest is the FASTA file, a
// form feed, and the residue scale file.
#include "fasta.h"
#include "fuzz_input.h"
#include "fuzz_program.h"
#include "residue_scale.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const ArgumentsAndRest input = SplitArgumentLine(AsText(data, size));
  const auto files = SplitParts(input.rest, 2);
  const std::string fasta = WriteScratchFile("p.fa", files[0]);
  const std::string scale = WriteScratchFile("scale.tsv", files[1]);
  const BodyRun run = RunBody(linkerkit::RunApplyResidueScale, {fasta, scale, input.arguments[0]});
  if (run.succeeded) CheckTrack(run.out, linkerkit::ReadFastaResidues(fasta).size(), "QUERY");
  return 0;
}
