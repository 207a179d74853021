// The one rule by which linkerkit reads numbers from text, for the programs
// and the structure loaders alike. Numbers are read the way the C library's
// atoi and atof read them: leading white space skipped, the longest valid
// prefix taken, no number reads as 0.
// ReadWholeNumber is the strict reader for inputs where a stray character
// must be an error, not a silent 0.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace linkerkit {

// atoi: strtol's value narrowed to int, as the C library computes it.
int ReadCInt(const char *text);

// atof: exactly strtod's result, on a faster path for plain decimals.
double ReadCDouble(const char *text);
// The same, also giving where the number ends, as strtod's end pointer does
// (text itself when there is none).
double ReadCDouble(const char *text, const char **end);

// The whole text as a decimal number of digits only (no sign, no blanks),
// or empty when it is anything else or too large for an int.
std::optional<int> ReadWholeNumber(std::string_view text);

// The number when the whole text is one, as strtod reads it and with no
// blank before or after it; empty otherwise (for fields that must be
// numbers, where reading "12x" as 12 would hide a broken file).
std::optional<double> ReadWholeCDouble(const std::string &text);

}  // namespace linkerkit
