#include "reprof_output.h"

#include <algorithm>
#include <cctype>

#include "arguments.h"
#include "cnumber.h"
#include "failure.h"
#include "lines.h"
#include "output_file.h"
#include "track.h"
#include "window.h"

namespace linkerkit {

namespace {

std::vector<std::string> Fields(std::string_view line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  while (true) {
    start = line.find_first_not_of(" \t", start);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(line.find_first_of(" \t", start), line.size());
    fields.emplace_back(line.substr(start, end - start));
    start = end;
  }
  return fields;
}

// A percentage as reprof writes it: a number from 0 to 100.
double ReadPercent(const std::string &field, std::string_view column, std::string_view path, std::size_t number) {
  const auto value = ReadWholeCDouble(field);
  if (!value || !(*value >= 0.0 && *value <= 100.0)) {
    FailAtLine(path, number, std::string(column) + " '" + field + "' is not a number from 0 to 100");
  }
  return *value;
}

// Appends printf's text of the row, sized by printf itself.
template <typename... Values>
void AppendFormatted(std::string &out, const char *format, Values... values) {
  const int size = std::snprintf(nullptr, 0, format, values...);
  const std::size_t start = out.size();
  out.resize(start + static_cast<std::size_t>(size) + 1);
  std::snprintf(out.data() + start, static_cast<std::size_t>(size) + 1, format, values...);
  out.pop_back();  // the terminating NUL
}

}  // namespace

void ReprofParser::ReadHeader(const std::vector<std::string> &fields, std::size_t number) {
  if (std::find(fields.begin(), fields.end(), "No") == fields.end())
    FailAtLine(path_, number, "expected the header line (No AA PHEL ...) before the rows");
  const auto column = [&](std::string_view name) {
    const auto found = std::find(fields.begin(), fields.end(), name);
    if (found == fields.end()) FailAtLine(path_, number, "the header has no column " + std::string(name));
    return static_cast<std::size_t>(found - fields.begin());
  };
  columns_ = Columns{fields.size(), column("No"), column("AA"), column("PHEL"),
                     column("pH"),  column("pE"), column("pL"), column("PREL")};
}

void ReprofParser::AddLine(std::string_view line, std::size_t number) {
  if (line.starts_with('#')) return;
  const std::vector<std::string> fields = Fields(line);
  if (fields.empty()) return;
  if (!columns_) {
    ReadHeader(fields, number);
    return;
  }
  const Columns &c = *columns_;
  if (fields.size() != c.count) {
    FailAtLine(path_, number, std::to_string(fields.size()) + " fields, the header has " + std::to_string(c.count));
  }
  const std::size_t expected = residues_.size() + 1;
  const auto row_number = ReadPlainCount(fields[c.number]);
  if (!row_number || static_cast<std::size_t>(*row_number) != expected) {
    FailAtLine(path_, number, "row numbered '" + fields[c.number] + "' where " + std::to_string(expected) + " was due");
  }
  const std::string &residue = fields[c.residue];
  if (residue.size() != 1 || !std::isalpha(static_cast<unsigned char>(residue[0]))) {
    FailAtLine(path_, number, "residue '" + residue + "' is not one letter");
  }
  const std::string &state = fields[c.state];
  if (state != "H" && state != "E" && state != "L") FailAtLine(path_, number, "PHEL '" + state + "' is not H, E or L");
  residues_.push_back({residue[0], state == "L" ? 'C' : state[0], ReadPercent(fields[c.helix], "pH", path_, number),
                       ReadPercent(fields[c.strand], "pE", path_, number),
                       ReadPercent(fields[c.loop], "pL", path_, number),
                       ReadPercent(fields[c.relative_accessibility], "PREL", path_, number)});
}

const std::vector<ReprofResidue> &ReprofParser::Finish() const {
  if (!columns_) FailInFile(path_, "no header line (No AA PHEL ...)");
  if (residues_.empty()) FailInFile(path_, "no residue rows");
  return residues_;
}

std::string FormatSs2(const std::vector<ReprofResidue> &residues) {
  std::string out(kSs2Banner);
  out += "\n\n";
  int position = 0;
  for (const ReprofResidue &r : residues) {
    AppendFormatted(out, "%4d %c %c   %5.3f  %5.3f  %5.3f\n", ++position, r.residue, r.state, r.loop / 100.0,
                    r.helix / 100.0, r.strand / 100.0);
  }
  return out;
}

std::vector<double> AccessibilityTrack(const std::vector<ReprofResidue> &residues, int ws) {
  std::vector<double> raw;
  raw.reserve(residues.size());
  for (const ReprofResidue &r : residues) raw.push_back(r.relative_accessibility / 100.0);
  return SmoothCentred(raw, ws, WindowEdges::kRaw);
}

void RunConvertReprofOutput(Arguments arguments, std::FILE *) {
  const int ws = ReadWindowSize(arguments[3]);
  const std::string reprof_path = arguments[0];
  const std::string ss2_path = arguments[1];
  const std::string track_path = arguments[2];
  // The outputs replace their files whole, so one that named the input
  // would destroy the only copy of reprof's prediction.
  RefuseOutputOverInputs({ss2_path, track_path}, {reprof_path});
  if (NameSameFile(ss2_path, track_path)) Fail("the ss2 file and the accessibility track are both " + ss2_path);
  ReprofParser parser(reprof_path);
  ForEachLine(reprof_path, [&](std::string_view line, std::size_t number) { parser.AddLine(line, number); });
  const std::vector<ReprofResidue> &residues = parser.Finish();
  WriteFilesAtomically(
      {{ss2_path, FormatSs2(residues)}, {track_path, FormatTrack(AccessibilityTrack(residues, ws), "QUERY")}});
}

}  // namespace linkerkit
