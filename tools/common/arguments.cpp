#include "arguments.h"

#include <climits>
#include <string>

#include "cnumber.h"
#include "failure.h"

namespace linkerkit {

int ReadWindowSize(const char *argument) {
  const int ws = ReadCInt(argument);
  if (ws <= 0) Fail(std::string("invalid window size: ") + argument);
  return ws;
}

std::optional<int> ReadPlainCount(std::string_view text) {
  if (text.empty()) return std::nullopt;
  long long value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > INT_MAX) return std::nullopt;
  }
  return static_cast<int>(value);
}

}  // namespace linkerkit
