#include "fasta.h"

#include "lines.h"

namespace linkerkit {

std::string ExtractFastaResidues(const std::vector<std::string> &lines) {
  // A byte-order mark would make the header a line of residues.
  const auto line_at = [&](std::size_t i) {
    return i == 0 ? WithoutByteOrderMark(lines[0]) : std::string_view(lines[i]);
  };
  std::size_t first_sequence_line = 0;
  while (first_sequence_line < lines.size() && line_at(first_sequence_line).starts_with('>')) ++first_sequence_line;
  std::string residues;
  for (std::size_t i = first_sequence_line; i < lines.size(); ++i) {
    for (const char c : line_at(i)) {
      if (c >= 'A' && c <= 'Z') residues += c;
    }
  }
  return residues;
}

std::string ReadFastaResidues(const std::string &path) { return ExtractFastaResidues(ReadLines(path)); }

}  // namespace linkerkit
