#include "fuzz_input.h"
#include "linkerkit/LoadData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  DSSP *d = GetDSSPFromDetail(WriteInputFile(AsText(data, size)));
  if (d) {
    Require(d->num > 0, "a record has lines");
    const auto entries = static_cast<std::size_t>(d->num) + 1;
    ReadAll(d->number_a, entries);
    ReadAll(d->number_b, entries);
    ReadAll(d->mark, entries);
    ReadAll(d->value_a, entries);
    ReadAll(d->value_b, entries);
    ReadAll(d->value_c, entries);
    Require(!d->letter_a[d->num] && !d->letter_b[d->num], "last letters stay zero");
  }
  ClearDSSP(d);
  return 0;
}
