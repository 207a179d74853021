#include "report_line.h"

#include <algorithm>
#include <charconv>

#include "track.h"

namespace linkerkit {

void AppendReportLine(std::string &out, std::string_view name, int start, int end, float peak, int length,
                      int peak_position, long long rank) {
  // Room for the longest line is made at once and the fields written in
  // place: a report of a proteome has tens of thousands of lines. Each
  // number takes at most 20 bytes and its separator one.
  const std::size_t at = out.size();
  out.resize(at + name.size() + kFixed6FloatRoom + 6 * 21 + 2);
  char *cursor = std::copy(name.begin(), name.end(), out.data() + at);
  const auto number = [&](long long value, char after) {
    cursor = std::to_chars(cursor, cursor + 20, value).ptr;
    *cursor++ = after;
  };
  *cursor++ = '|';
  number(start, ',');
  number(end, '|');
  // In 64 bits: a run may span every int.
  number(static_cast<long long>(end) - start + 1, '|');
  cursor = WriteFixed6(cursor, peak);
  *cursor++ = '|';
  number(length, '|');
  number(peak_position, '|');
  number(rank, '\n');
  out.resize(static_cast<std::size_t>(cursor - out.data()));
}

}  // namespace linkerkit
