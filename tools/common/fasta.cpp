#include "fasta.h"

#include "lines.h"

namespace linkerkit {

std::string ExtractFastaResidues(const std::vector<std::string> &lines) {
  std::size_t first_sequence_line = 0;
  while (first_sequence_line < lines.size() && lines[first_sequence_line].starts_with('>')) ++first_sequence_line;
  std::string residues;
  for (std::size_t i = first_sequence_line; i < lines.size(); ++i) {
    for (const char c : lines[i]) {
      if (c >= 'A' && c <= 'Z') residues += c;
    }
  }
  return residues;
}

std::string ReadFastaResidues(const std::string &path) { return ExtractFastaResidues(ReadLines(path)); }

}  // namespace linkerkit
