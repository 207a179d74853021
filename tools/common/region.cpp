#include "region.h"

#include <string>

#include "cnumber.h"
#include "failure.h"

namespace linkerkit {

std::vector<std::string_view> SplitFields(std::string_view line, char separator) {
  std::vector<std::string_view> fields;
  for (std::size_t field_start = 0;;) {
    const std::size_t end = line.find(separator, field_start);
    fields.push_back(line.substr(field_start, end - field_start));
    if (end == std::string_view::npos) return fields;
    field_start = end + 1;
  }
}

int ReadNumberField(std::string_view text, std::string_view what, std::string_view path, std::size_t line_number) {
  const auto value = ReadWholeNumber(text);
  if (!value) FailAtLine(path, line_number, std::string(what) + " \"" + std::string(text) + "\" is not a whole number");
  return *value;
}

Range ReadRangeField(std::string_view text, std::string_view path, std::size_t line_number) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) {
    FailAtLine(path, line_number, "range \"" + std::string(text) + "\" is not START,END");
  }
  const Range range{ReadNumberField(text.substr(0, comma), "start", path, line_number),
                    ReadNumberField(text.substr(comma + 1), "end", path, line_number)};
  if (range.start > range.end) {
    FailAtLine(path, line_number, "reversed range " + std::to_string(range.start) + "," + std::to_string(range.end));
  }
  return range;
}

Region ParseRegionLine(std::string_view line, std::string_view path, std::size_t line_number) {
  const std::vector<std::string_view> fields = SplitFields(line, '|');
  if (fields.size() != 5) FailAtLine(path, line_number, "not NAME|START,END|TYPE|LENGTH|PROTEIN_LENGTH");
  if (fields[0].empty()) FailAtLine(path, line_number, "no protein name");
  const Range range = ReadRangeField(fields[1], path, line_number);
  const int protein_length = ReadNumberField(fields[4], "protein length", path, line_number);
  if (range.start < 1) {
    FailAtLine(path, line_number, "range starts at " + std::to_string(range.start) + ", before residue 1");
  }
  if (range.end > protein_length) {
    FailAtLine(
        path, line_number,
        "range ends at " + std::to_string(range.end) + ", beyond the protein length " + std::to_string(protein_length));
  }
  return Region{fields[0], range.start, range.end, protein_length, fields[2]};
}

}  // namespace linkerkit
