// The first input line is the key, the rest is the file.
#include "fuzz_input.h"
#include "linkerkit/LoadData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const ArgumentAndFile input = SplitFirstLine(AsText(data, size));
  if (HasNumberLongerThan(input.file, 4)) return -1;
  ROI *r = GetROI(WriteInputFile(input.file), input.argument.c_str());
  if (r) {
    Require(r->length >= 0, "a length of no positions or more");
    for (int i = 0; i < r->length; ++i) Require(r->flag[i] == 0 || r->flag[i] == 1, "flags are 0 or 1");
    Require(r->flag[r->length] == 0, "the entry after the sequence stays 0");
  }
  ClearROI(r);
  return 0;
}
