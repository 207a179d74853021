#include "feature_rows.h"

#include "failure.h"
#include "lines.h"
#include "output_file.h"
#include "track.h"

namespace linkerkit {

void StoreTrackLine(std::string_view line, std::size_t line_number, FeatureColumn &column, std::string_view path) {
  const long long m = static_cast<long long>(column.size()) - 1;
  const auto track = ParseTrackLine(line.data());
  if (!track) FailAtLine(path, line_number, "no \"#\" followed by a space before the position");
  if (track->position < 0 || track->position > m) {
    FailAtLine(path, line_number, "position " + std::to_string(track->position) + " outside 0 to " + std::to_string(m));
  }
  column[static_cast<std::size_t>(track->position)] = static_cast<float>(track->value);
}

float ColumnValue(double track_value) { return static_cast<float>(ReadBackFixed6(track_value)); }

void AppendFeatureRow(std::string &out, const std::vector<FeatureColumn> &columns, std::size_t position,
                      std::size_t m) {
  out += "0 ";
  for (std::size_t k = 0; k < columns.size(); ++k) {
    AppendInt(out, static_cast<long long>(k + 1));
    out += ':';
    AppendFixed6(out, columns[k][position]);
    out += ' ';
  }
  out += "#QUERY ";
  AppendInt(out, static_cast<long long>(position));
  out += ' ';
  AppendInt(out, static_cast<long long>(m));
  out += '\n';
}

std::vector<std::pair<int, double>> FeatureRowValues(const std::vector<FeatureColumn> &columns, std::size_t position) {
  std::vector<std::pair<int, double>> values;
  values.reserve(columns.size());
  for (std::size_t k = 0; k < columns.size(); ++k) {
    values.emplace_back(static_cast<int>(k + 1), ReadBackFixed6(columns[k][position]));
  }
  return values;
}

void RunAssembleFeatureRows(Arguments arguments, std::FILE *out) {
  const std::string index_path = arguments[0];
  const std::vector<std::string> names = ReadLines(index_path);
  if (names.empty()) FailInFile(index_path, "empty index list");
  const std::string directory = arguments[1];
  const auto track_path = [&](const std::string &name) { return directory + name + ".txt"; };

  // The number of lines of the first track is the residue count; its values
  // are read in a second pass, with the others.
  const std::size_t m = ForEachLine(track_path(names[0]), [](std::string_view, std::size_t) {});
  if (m == 0) FailInFile(track_path(names[0]), "empty track file");

  std::vector<FeatureColumn> columns(names.size(), FeatureColumn(m + 1, 0.0f));
  for (std::size_t k = 0; k < names.size(); ++k) {
    const std::string path = track_path(names[k]);
    ForEachLine(path,
                [&](std::string_view line, std::size_t number) { StoreTrackLine(line, number, columns[k], path); });
  }

  // Written in pieces: the lines of a long protein with many features would
  // otherwise be held whole in memory a second time.
  constexpr std::size_t kChunk = 1 << 16;
  std::string text;
  text.reserve(kChunk + 4096);
  for (std::size_t position = 0; position < m; ++position) {
    AppendFeatureRow(text, columns, position, m);
    if (text.size() >= kChunk) {
      WriteAll(out, text);
      text.clear();
    }
  }
  WriteAll(out, text);
}

}  // namespace linkerkit
