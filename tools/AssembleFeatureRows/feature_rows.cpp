#include "feature_rows.h"

#include "failure.h"
#include "lines.h"
#include "track.h"

namespace linkerkit {

void FillFeatureColumn(const std::vector<std::string> &track_lines, FeatureColumn &column, std::string_view path) {
  const long long m = static_cast<long long>(column.size()) - 1;
  for (std::size_t i = 0; i < track_lines.size(); ++i) {
    const auto track = ParseTrackLine(track_lines[i].c_str());
    if (!track) FailAtLine(path, i + 1, "no \"#\" followed by a space before the position");
    if (track->position < 0 || track->position > m) {
      FailAtLine(path, i + 1, "position " + std::to_string(track->position) + " outside 0 to " + std::to_string(m));
    }
    column[static_cast<std::size_t>(track->position)] = static_cast<float>(track->value);
  }
}

void AppendFeatureRow(std::string &out, const std::vector<FeatureColumn> &columns, std::size_t position, std::size_t m) {
  out += "0 ";
  for (std::size_t k = 0; k < columns.size(); ++k) {
    AppendInt(out, static_cast<long long>(k + 1));
    out += ':';
    AppendFixed6(out, static_cast<double>(columns[k][position]));
    out += ' ';
  }
  out += "#QUERY ";
  AppendInt(out, static_cast<long long>(position));
  out += ' ';
  AppendInt(out, static_cast<long long>(m));
  out += '\n';
}

void RunAssembleFeatureRows(Arguments arguments, std::FILE *out) {
  const std::string index_path = arguments[0];
  const std::vector<std::string> names = ReadLines(index_path);
  if (names.empty()) FailInFile(index_path, "empty index list");
  const std::string directory = arguments[1];
  const auto track_path = [&](const std::string &name) { return directory + name + ".txt"; };

  // The first track fixes the residue count.
  std::vector<std::string> first_track = ReadLines(track_path(names[0]));
  if (first_track.empty()) FailInFile(track_path(names[0]), "empty track file");
  const std::size_t m = first_track.size();

  std::vector<FeatureColumn> columns(names.size(), FeatureColumn(m + 1, 0.0f));
  for (std::size_t k = 0; k < names.size(); ++k) {
    const std::string path = track_path(names[k]);
    FillFeatureColumn(k == 0 ? first_track : ReadLines(path), columns[k], path);
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
