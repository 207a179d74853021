#include <algorithm>
#include <cstring>

#include "fuzz_input.h"
#include "linkerkit/LoadData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  Clustal *c = GetClustal(WriteInputFile(AsText(data, size)));
  if (c) {
    Require(c->num >= 0 && c->length >= 0, "counts are not negative");
    std::size_t longest = 0;
    for (int j = 0; j < c->num; ++j) {
      Require(c->name[j] != nullptr, "every sequence has a name");
      const std::size_t length = std::strlen(c->seq[j]);
      Require(length <= static_cast<std::size_t>(c->length), "no text longer than length");
      ReadAll(c->seq[j], static_cast<std::size_t>(c->length) + 1);
      longest = std::max(longest, length);
    }
    Require(longest == static_cast<std::size_t>(c->length), "length is the longest text");
    Require(!c->name[c->num] && !c->seq[c->num], "last pointers are null");
  }
  ClearClustal(c);
  return 0;
}
