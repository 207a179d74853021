// The input is a model file, LIBSVM's or XGBoost's JSON or UBJSON, which scores two fixed
// vector lines.
#include "classify.h"
#include "fuzz_input.h"
#include "fuzz_program.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const std::string model = WriteScratchFile("model", AsText(data, size));
  const std::string vectors = WriteScratchFile("vectors", "0 1:0.5 2:-1 #QUERY 0 2\n0 1:1 2:1 #QUERY 1 2\n");
  const BodyRun run = RunBody(linkerkit::RunClassifyFeatureRows, {model, vectors, "P", "3"});
  if (run.succeeded) CheckTrack(run.out, 2, "P");
  return 0;
}
