#include "linker_table.h"

#include <cstdio>
#include <sstream>

#include "failure.h"
#include "region.h"
#include "report_line.h"
#include "track.h"

namespace linkerkit {

std::vector<CalledLinker> ReadCalledLinkers(const std::string &report_text, const std::string &path) {
  std::vector<CalledLinker> linkers;
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
                       ReadNumberField(fields[4], "length", path, number), line, std::nullopt});
  }
  return linkers;
}

std::string FormatReportLines(const std::vector<CalledLinker> &linkers) {
  if (linkers.empty()) return std::string(kNoPredictionLine);
  std::string report;
  for (const CalledLinker &linker : linkers) report += linker.line + "\n";
  return report;
}

std::string ProbabilityText(std::optional<double> probability) {
  if (!probability) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", *probability);
  return text;
}

std::string FormatLinkerTable(const std::vector<CalledLinker> &linkers) {
  std::string table = "protein\tstart\tend\tpeak_position\tscore\tconfidence\tprotein_length\n";
  for (const CalledLinker &linker : linkers) {
    table += linker.protein + "\t" + std::to_string(linker.start) + "\t" + std::to_string(linker.end) + "\t" +
             std::to_string(linker.peak_position) + "\t" + linker.score + "\t" + ProbabilityText(linker.confidence) +
             "\t" + std::to_string(linker.protein_length) + "\n";
  }
  return table;
}

std::string FormatProteinTable(const std::vector<ProteinSummary> &proteins) {
  std::string table = "protein\tlength\tlinkers\thighest_score\tmulti_domain_probability\n";
  for (const ProteinSummary &protein : proteins) {
    table += protein.name + "\t" + std::to_string(protein.length) + "\t" + std::to_string(protein.linkers) + "\t";
    if (protein.highest_score) {
      AppendFixed6(table, *protein.highest_score);
    } else {
      table += '-';
    }
    table += '\t';
    table += ProbabilityText(protein.multi_domain_probability);
    table += '\n';
  }
  return table;
}

}  // namespace linkerkit
