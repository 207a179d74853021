#include "cnumber.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace linkerkit {

int ReadCInt(const char *text) {
  // As in ReadCDouble: from_chars where it reads what strtol reads, strtol
  // itself for "+", other white space and values beyond long.
  const char *start = text;
  while (*start == ' ' || *start == '\t') ++start;
  const char *digits_end = *start == '-' ? start + 1 : start;
  while (*digits_end >= '0' && *digits_end <= '9') ++digits_end;
  long value = 0;
  if (std::from_chars(start, digits_end, value).ec == std::errc()) return static_cast<int>(value);
  return static_cast<int>(std::strtol(text, nullptr, 10));
}

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
