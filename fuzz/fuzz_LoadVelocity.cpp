// The first input line gives the record count n, the rest is the file.
#include <cstdlib>

#include "fuzz_input.h"
#include "linkerkit/LoadData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const ArgumentAndFile input = SplitFirstLine(AsText(data, size));
  if (HasNumberLongerThan(input.argument, 5)) return -1;
  const int n = std::atoi(input.argument.c_str());
  double *velocity = LoadVelocity(WriteInputFile(input.file), n);
  Require(velocity != nullptr, "an array for every n");
  ReadAll(velocity, n > 0 ? static_cast<std::size_t>(n) + 1 : 1);
  std::free(velocity);
  return 0;
}
