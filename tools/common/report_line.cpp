#include "report_line.h"

#include "track.h"

namespace linkerkit {

void AppendReportLine(std::string &out, std::string_view name, int start, int end, double peak, int length,
                      int peak_position, long long rank) {
  out += name;
  out += '|';
  AppendInt(out, start);
  out += ',';
  AppendInt(out, end);
  out += '|';
  // In 64 bits: a run may span every int.
  AppendInt(out, static_cast<long long>(end) - start + 1);
  out += '|';
  AppendFixed6(out, peak);
  out += '|';
  AppendInt(out, length);
  out += '|';
  AppendInt(out, peak_position);
  out += '|';
  AppendInt(out, rank);
  out += '\n';
}

}  // namespace linkerkit
