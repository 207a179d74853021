#include "track.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "cnumber.h"

namespace linkerkit {

namespace {

// "00" to "99", each two-digit number's text.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839404142434445464748495051525354"
    "555657585960616263646566676869707172737475767778798081828384858687888990919293949596979899";

}  // namespace

void AppendFixed6(std::string &out, double value) {
  char buffer[400];  // the longest "%f" of a finite double is 317 characters
  if (std::isfinite(value)) {
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    out.append(buffer, result.ptr);
  } else {
    const int written = std::snprintf(buffer, sizeof buffer, "%f", value);
    out.append(buffer, static_cast<std::size_t>(written));
  }
}

void AppendInt(std::string &out, long long value) {
  char buffer[24];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  out.append(buffer, result.ptr);
}

void AppendFixed6(std::string &out, float value) {
  char buffer[kFixed6FloatRoom];
  out.append(buffer, WriteFixed6(buffer, value));
}

std::optional<Fixed6Count> CountFixed6(float value) {
  // Below 2^32 the value times 10^6 fits 64 bits.
  if (!(std::fabs(value) < 4294967296.0f)) return std::nullopt;
  std::uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const bool negative = (bits >> 31) != 0;
  const int biased_exponent = static_cast<int>((bits >> 23) & 0xff);
  std::uint64_t mantissa = bits & 0x7fffff;
  int exponent = -149;  // value = mantissa * 2^exponent
  if (biased_exponent != 0) {
    mantissa |= 0x800000;
    exponent = biased_exponent - 150;
  }
  // The value in millionths, rounded to nearest with ties to even, as
  // printf rounds an exact binary value.
  const std::uint64_t scaled = mantissa * 1000000;  // below 2^44
  std::uint64_t millionths = 0;
  if (exponent >= 0) {
    millionths = scaled << exponent;
  } else if (exponent > -64) {
    const int shift = -exponent;
    millionths = scaled >> shift;
    const std::uint64_t remainder = scaled & ((std::uint64_t{1} << shift) - 1);
    const std::uint64_t half = std::uint64_t{1} << (shift - 1);
    if (remainder > half || (remainder == half && (millionths & 1) != 0)) ++millionths;
  }  // else below 2^-20 millionths: rounds to 0
  return Fixed6Count{negative, millionths};
}

double ReadBackFixed6(double value) {
  // Below 2^32 in magnitude the value's millionths, rounded to nearest with
  // ties to even as printf rounds the exact binary value, are below 2^53, so
  // the text reads back as their count divided by 10^6. Tracks hold
  // millions of such values; the text costs several times more.
  if (std::fabs(value) < 4294967296.0) {
    __extension__ using Wide = unsigned __int128;
    std::uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    const bool negative = (bits >> 63) != 0;
    const int biased_exponent = static_cast<int>((bits >> 52) & 0x7ff);
    std::uint64_t mantissa = bits & ((std::uint64_t{1} << 52) - 1);
    int exponent = -1074;  // value = mantissa * 2^exponent, exponent below 0 here
    if (biased_exponent != 0) {
      mantissa |= std::uint64_t{1} << 52;
      exponent = biased_exponent - 1075;
    }
    const Wide scaled = static_cast<Wide>(mantissa) * 1000000;  // below 2^73
    std::uint64_t millionths = 0;
    if (exponent > -128) {
      const int shift = -exponent;
      millionths = static_cast<std::uint64_t>(scaled >> shift);
      const Wide remainder = scaled & ((Wide{1} << shift) - 1);
      const Wide half = Wide{1} << (shift - 1);
      if (remainder > half || (remainder == half && (millionths & 1) != 0)) ++millionths;
    }  // else below 2^-55 millionths: rounds to 0
    const double magnitude = static_cast<double>(millionths) / 1e6;
    return negative ? -magnitude : magnitude;
  }
  std::string text;
  AppendFixed6(text, value);
  return ReadCDouble(text.c_str());
}

double ReadBackFixed6(float value) {
  const std::optional<Fixed6Count> count = CountFixed6(value);
  if (!count) return ReadBackFixed6(static_cast<double>(value));
  // Both numbers are exact doubles, so the quotient is the decimal text's
  // nearest double, as reading the text gives.
  const double magnitude = static_cast<double>(count->millionths) / 1e6;
  return count->negative ? -magnitude : magnitude;
}

char *WriteFixed6(char *out, float value) {
  const std::optional<Fixed6Count> count = CountFixed6(value);
  // Larger values, inf and nan take the general path.
  if (!count) {
    std::string text;
    AppendFixed6(text, static_cast<double>(value));
    return std::copy(text.begin(), text.end(), out);
  }
  if (count->negative) *out++ = '-';
  const std::uint64_t whole = count->millionths / 1000000;
  out = std::to_chars(out, out + 20, whole).ptr;
  *out++ = '.';
  // The decimals two at a time: millions of scores are printed.
  const auto fraction = static_cast<std::uint32_t>(count->millionths % 1000000);
  for (const std::uint32_t pair : {fraction / 10000, fraction / 100 % 100, fraction % 100}) {
    std::memcpy(out, kDigitPairs + 2 * pair, 2);
    out += 2;
  }
  return out;
}

namespace {

void AppendTrackFields(std::string &out, std::string_view tag, int position, int length) {
  out += " #";
  out += tag;
  out += ' ';
  AppendInt(out, position);
  out += ' ';
  AppendInt(out, length);
  out += '\n';
}

}  // namespace

void AppendTrackLine(std::string &out, double value, std::string_view tag, int position, int length) {
  AppendFixed6(out, value);
  AppendTrackFields(out, tag, position, length);
}

void AppendTrackLine(std::string &out, float value, std::string_view tag, int position, int length) {
  AppendFixed6(out, value);
  AppendTrackFields(out, tag, position, length);
}

std::optional<TrackValue> ParseTrackLine(const char *line) {
  const char *hash = std::strchr(line, '#');
  if (!hash) return std::nullopt;
  const char *space = std::strchr(hash, ' ');
  if (!space) return std::nullopt;
  return TrackValue{ReadCDouble(line), ReadCInt(space + 1)};
}

namespace {

// strchr for the few bytes between the fields of a score line, where a plain
// loop is much faster than the library call (score files run to millions of
// lines).
const char *FindInField(const char *text, char wanted) {
  for (; *text != wanted; ++text) {
    if (*text == '\0') return nullptr;
  }
  return text;
}

}  // namespace

std::optional<ScoreLine> ParseScoreLine(const char *line) {
  // No number holds a "#", so the first one lies after the value.
  const char *value_end = line;
  const double value = ReadCDouble(line, &value_end);
  const char *hash = FindInField(value_end, '#');
  if (!hash) return std::nullopt;
  const char *name_end = FindInField(hash, ' ');
  if (!name_end) return std::nullopt;
  const char *length_space = FindInField(name_end + 1, ' ');
  if (!length_space) return std::nullopt;
  return ScoreLine{value, std::string_view(hash + 1, static_cast<std::size_t>(name_end - hash - 1)), name_end + 1,
                   length_space + 1};
}

std::string ProteinNameProblem(std::string_view name) {
  if (name.empty()) return "no protein name";
  for (const char c : {'#', '|'}) {
    if (name.find(c) != std::string_view::npos) return "protein name '" + std::string(name) + "' holds '" + c + "'";
  }
  for (const char c : name) {
    if (std::isspace(static_cast<unsigned char>(c)) || std::iscntrl(static_cast<unsigned char>(c))) {
      return "protein name '" + std::string(name) + "' holds a blank or control character";
    }
  }
  return "";
}

}  // namespace linkerkit
