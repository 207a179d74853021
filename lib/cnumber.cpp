#include "cnumber.h"

#include <cctype>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace linkerkit {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The value of a digit, or a number above 9 for any other byte.
unsigned DigitValue(char c) { return static_cast<unsigned>(static_cast<unsigned char>(c)) - unsigned{'0'}; }

// A plain decimal ([-]digits[.digits], as "%f" writes it) of at most 18
// digits whose digits, read as one integer, stay below 2^53: that integer and
// the power of ten it is divided by are both exact doubles, so the single
// division rounds exactly as strtod does (Clinger's fast path). Anything
// else (exponents, hexadecimal, more digits) is left to the slower readers.
std::optional<double> ReadPlainDecimal(const char *start, const char **end) {
  static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8, 1e9,
                                            1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18};
  const bool negative = *start == '-';
  const char *p = negative ? start + 1 : start;
  const char *const first_digit = p;
  // Unsigned arithmetic may wrap on long inputs; those are turned away by
  // their digit count below.
  std::uint64_t digits = 0;
  for (unsigned digit; (digit = DigitValue(*p)) <= 9; ++p) digits = digits * 10 + digit;
  std::ptrdiff_t count = p - first_digit;
  std::ptrdiff_t decimals = 0;
  if (*p == '.') {
    const char *const first_decimal = ++p;
    for (unsigned digit; (digit = DigitValue(*p)) <= 9; ++p) digits = digits * 10 + digit;
    decimals = p - first_decimal;
    count += decimals;
  }
  if (count == 0 || count > 18 || *p == '.' || *p == 'e' || *p == 'E' || *p == 'x' || *p == 'X') return std::nullopt;
  if (digits > (std::uint64_t{1} << 53)) return std::nullopt;
  *end = p;
  const double value = static_cast<double>(digits) / kPowersOfTen[decimals];
  return negative ? -value : value;
}

}  // namespace

int ReadCInt(const char *text) {
  // Up to nine digits, with or without a minus sign, cannot overflow: that
  // common case is read here (longer ones may wrap, and go to strtol),
  // everything else by strtol itself.
  const char *const first_digit = *text == '-' ? text + 1 : text;
  const char *p = first_digit;
  unsigned value = 0;
  for (unsigned digit; (digit = DigitValue(*p)) <= 9; ++p) value = value * 10 + digit;
  const std::ptrdiff_t count = p - first_digit;
  if (count > 0 && count <= 9) return first_digit == text ? static_cast<int>(value) : -static_cast<int>(value);
  return static_cast<int>(std::strtol(text, nullptr, 10));
}

double ReadCDouble(const char *text, const char **end) {
  const char *start = text;
  while (*start == ' ' || *start == '\t') ++start;
  if (const auto plain = ReadPlainDecimal(start, end)) return *plain;
  // from_chars rounds exactly as strtod does but skips no blanks, takes no
  // "+", reads no hexadecimal and leaves out-of-range values unset: those
  // cases go to strtod itself.
  if (*start == '-' || IsDigit(*start) || *start == '.') {
    double value = 0.0;
    const auto [number_end, error] = std::from_chars(start, start + std::strlen(start), value);
    if (error == std::errc() && *number_end != 'x' && *number_end != 'X') {
      *end = number_end;
      return value;
    }
  }
  char *strtod_end = nullptr;
  const double value = std::strtod(text, &strtod_end);
  *end = strtod_end;
  return value;
}

std::optional<int> ReadWholeNumber(std::string_view text) {
  if (text.empty()) return std::nullopt;
  for (const char c : text) {
    if (!IsDigit(c)) return std::nullopt;
  }
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

double ReadCDouble(const char *text) {
  const char *end = nullptr;
  return ReadCDouble(text, &end);
}

std::optional<double> ReadWholeCDouble(const std::string &text) {
  if (text.empty() || std::isspace(static_cast<unsigned char>(text.front()))) return std::nullopt;
  const char *end = nullptr;
  const double value = ReadCDouble(text.c_str(), &end);
  if (end != text.c_str() + text.size()) return std::nullopt;
  return value;
}

}  // namespace linkerkit
