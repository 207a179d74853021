// Argument checks shared by the programs.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace linkerkit {

// The window size as atoi reads it; fails with "invalid window size: ARG"
// when that is 0 or less.
int ReadWindowSize(const char *argument);

// A count written as plain decimal digits, nothing else (no sign, blank or
// trailing text), that fits an int; empty otherwise. For the numbers whose
// lenient atoi reading would hide a typing error: "1O" is no cap of 1.
std::optional<int> ReadPlainCount(std::string_view text);

// A threshold or other real setting typed by a user: a finite decimal
// number ("1", "-0.5", ".25", "2e-1", "+3."), nothing before or after it;
// empty otherwise (no "nan", "inf", hexadecimal or "1e999").
std::optional<double> ReadFiniteDecimal(const std::string &text);

}  // namespace linkerkit
