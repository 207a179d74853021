#include "residue_scale.h"

#include "arguments.h"
#include "cnumber.h"
#include "failure.h"
#include "fasta.h"
#include "lines.h"
#include "output_file.h"
#include "track.h"
#include "window.h"

namespace linkerkit {

ResidueScale::ResidueScale(const std::vector<std::string> &lines, std::string_view path) {
  if (lines.empty()) FailInFile(path, "empty residue scale");
  // The mean is part of the output, so its sum keeps the file order.
  double sum = 0.0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string &line = lines[i];
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos) FailAtLine(path, i + 1, "no TAB before the value");
    const double value = ReadCDouble(line.c_str() + tab + 1);
    sum = value + sum;
    auto &entry = first_entry_[static_cast<unsigned char>(line[0])];
    if (!entry) entry = value;
  }
  fallback_ = sum / static_cast<double>(lines.size());
}

double ResidueScale::ValueOf(char letter) const {
  return first_entry_[static_cast<unsigned char>(letter)].value_or(fallback_);
}

std::vector<double> ResidueScaleTrack(std::string_view residues, const ResidueScale &scale, int ws) {
  std::vector<double> raw;
  raw.reserve(residues.size());
  for (const char residue : residues) raw.push_back(scale.ValueOf(residue));
  return SmoothCentred(raw, ws, WindowEdges::kRaw);
}

void RunApplyResidueScale(Arguments arguments, std::FILE *out) {
  const int ws = ReadWindowSize(arguments[2]);
  const std::string residues = ReadFastaResidues(arguments[0]);
  const ResidueScale scale(ReadLines(arguments[1]), arguments[1]);
  WriteAll(out, FormatTrack(ResidueScaleTrack(residues, scale, ws), "QUERY"));
}

}  // namespace linkerkit
