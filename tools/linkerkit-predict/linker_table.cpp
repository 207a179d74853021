#include "linker_table.h"

#include <cstdio>

#include "failure.h"
#include "region.h"
#include "report_line.h"
#include "track.h"

namespace linkerkit {

std::optional<CalledLinker> ReadCalledLinker(std::string_view line, const std::string &path, std::size_t number) {
  if (line == "No prediction") return std::nullopt;
  const auto fields = SplitFields(line, '|');
  if (fields.size() != 7) FailAtLine(path, number, "expected NAME|START,END|RUN|PEAK|LENGTH|PEAK POSITION|RANK");
  const Range range = ReadRangeField(fields[1], path, number);
  return CalledLinker{std::string(fields[0]), range.start + 1,
                      range.end + 1,          ReadNumberField(fields[5], "peak position", path, number) + 1,
                      std::string(fields[3]), ReadNumberField(fields[4], "length", path, number),
                      std::string(line),      std::nullopt};
}

std::string ProbabilityText(std::optional<double> probability) {
  if (!probability) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", *probability);
  return text;
}

std::string LinkerTableLine(const CalledLinker &linker) {
  return linker.protein + "\t" + std::to_string(linker.start) + "\t" + std::to_string(linker.end) + "\t" +
         std::to_string(linker.peak_position) + "\t" + linker.score + "\t" + ProbabilityText(linker.confidence) + "\t" +
         std::to_string(linker.protein_length) + "\n";
}

std::string ProteinTableLine(const ProteinSummary &protein) {
  std::string line =
      protein.name + "\t" + std::to_string(protein.length) + "\t" + std::to_string(protein.linkers) + "\t";
  if (protein.highest_score) {
    AppendFixed6(line, *protein.highest_score);
  } else {
    line += '-';
  }
  line += '\t';
  line += ProbabilityText(protein.multi_domain_probability);
  line += '\n';
  return line;
}

}  // namespace linkerkit
