#include "cnumber.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace linkerkit {

int ReadCInt(const char *text) { return static_cast<int>(std::strtol(text, nullptr, 10)); }

double ReadCDouble(const char *text) {
  // from_chars rounds exactly as strtod does but skips no blanks, takes no
  // "+", reads no hexadecimal and leaves out-of-range values unset: those
  // cases go to strtod itself.
  const char *start = text;
  while (*start == ' ' || *start == '\t') ++start;
  if (*start == '-' || (*start >= '0' && *start <= '9') || *start == '.') {
    double value = 0.0;
    const auto [end, error] = std::from_chars(start, start + std::strlen(start), value);
    if (error == std::errc() && *end != 'x' && *end != 'X') return value;
  }
  return std::strtod(text, nullptr);
}

}  // namespace linkerkit
