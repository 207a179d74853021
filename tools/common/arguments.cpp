#include "arguments.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <regex>
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

std::optional<double> ReadFiniteDecimal(const std::string &text) {
  static const std::regex decimal(R"([-+]?([0-9]+\.?[0-9]*|\.[0-9]+)([eE][-+]?[0-9]+)?)");
  if (!std::regex_match(text, decimal)) return std::nullopt;
  const double value = std::strtod(text.c_str(), nullptr);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace linkerkit
