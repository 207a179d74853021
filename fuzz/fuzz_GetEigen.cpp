#include "fuzz_input.h"
#include "linkerkit/LoadData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  Eigen *e = GetEigen(WriteInputFile(AsText(data, size)));
  Require(e != nullptr && e->num >= 0, "always a record");
  const auto entries = static_cast<std::size_t>(e->num) + 1;
  ReadAll(e->value, entries);
  for (int j = 0; j < e->num; ++j) ReadAll(e->vector[j], entries);
  Require(e->vector[e->num] == nullptr && e->value[e->num] == 0, "last entries stay zero");
  ClearEigen(e);
  return 0;
}
