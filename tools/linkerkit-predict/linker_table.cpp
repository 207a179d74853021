#include "linker_table.h"

#include <sstream>

#include "failure.h"
#include "region.h"

namespace linkerkit {

std::vector<ReportedLinker> ReadReportedLinkers(const std::string &report_text, const std::string &path) {
  std::vector<ReportedLinker> linkers;
  std::istringstream lines(report_text);
  std::size_t number = 0;
  for (std::string line; std::getline(lines, line);) {
    ++number;
    if (line == "No prediction") continue;
    const auto fields = SplitFields(line, '|');
    if (fields.size() != 7) FailAtLine(path, number, "expected NAME|START,END|RUN|PEAK|LENGTH|PEAK POSITION|RANK");
    const Range range = ReadRangeField(fields[1], path, number);
    linkers.push_back({std::string(fields[0]), range.start + 1, range.end + 1,
                       ReadNumberField(fields[5], "peak position", path, number) + 1, std::string(fields[3]),
                       ReadNumberField(fields[4], "length", path, number)});
  }
  return linkers;
}

std::string FormatLinkerTable(const std::vector<ReportedLinker> &linkers) {
  std::string table = "protein\tstart\tend\tpeak_position\tscore\tprotein_length\n";
  for (const ReportedLinker &linker : linkers) {
    table += linker.protein + "\t" + std::to_string(linker.start) + "\t" + std::to_string(linker.end) + "\t" +
             std::to_string(linker.peak_position) + "\t" + linker.score + "\t" + std::to_string(linker.protein_length) +
             "\n";
  }
  return table;
}

}  // namespace linkerkit
