// The input is a file of vector lines.
#include "classify.h"
#include "failure.h"
#include "fuzz_input.h"
#include "fuzz_program.h"
#include "lines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const std::string path = WriteScratchFile("vectors", AsText(data, size));
  try {
    for (const linkerkit::FeatureVector &vector : linkerkit::ParseVectorLines(linkerkit::ReadLines(path), path)) {
      for (std::size_t i = 0; i < vector.size(); ++i) {
        Require(vector[i].first >= 1 && (i == 0 || vector[i].first > vector[i - 1].first), "indices ascend from 1");
      }
    }
  } catch (const linkerkit::Failure &) {
  }
  return 0;
}
