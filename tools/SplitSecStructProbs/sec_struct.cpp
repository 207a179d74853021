#include "sec_struct.h"

#include "arguments.h"
#include "cnumber.h"
#include "failure.h"
#include "lines.h"
#include "output_file.h"
#include "track.h"
#include "window.h"

namespace linkerkit {

namespace {

constexpr std::size_t kHeaderLines = 2;

// The probabilities follow the columns of position, residue and class
// letter. Each number is read from two characters before its decimal point
// (a blank or sign, then the integer digit), and the next "." is looked for
// from two characters after this one.
bool ParseRow(const std::string &row, float (&probability)[3]) {
  std::size_t cursor = 8;
  for (float &value : probability) {
    const std::size_t point = row.find('.', cursor + 1);
    if (point == std::string::npos) return false;
    cursor = point - 2;
    value = static_cast<float>(ReadCDouble(row.c_str() + cursor));
    cursor += 3;
  }
  return true;
}

}  // namespace

SecStructProbs ParseSecStruct(const std::vector<std::string> &lines, std::string_view path) {
  if (lines.size() <= kHeaderLines) FailInFile(path, "no residue rows (fewer than three lines)");
  SecStructProbs probs;
  const std::size_t n = lines.size() - kHeaderLines;
  probs.coil.reserve(n);
  probs.helix.reserve(n);
  probs.strand.reserve(n);
  for (std::size_t i = kHeaderLines; i < lines.size(); ++i) {
    float probability[3];
    if (!ParseRow(lines[i], probability)) FailAtLine(path, i + 1, "fewer than three probabilities");
    probs.coil.push_back(probability[0]);
    probs.helix.push_back(probability[1]);
    probs.strand.push_back(probability[2]);
  }
  return probs;
}

std::vector<std::pair<std::string, std::string>> SecStructTrackFiles(const SecStructProbs &probs, std::string_view prefix,
                                                                     int ws) {
  const auto file = [&](const char *name, const std::vector<float> &values) {
    std::string path(prefix);
    path += name;
    AppendInt(path, ws);
    path += ".txt";
    return std::pair{path, FormatTrack(SmoothCentred(values, ws, WindowEdges::kRaw), "QUERY")};
  };
  return {file("PSS_C_", probs.coil), file("PSS_H_", probs.helix), file("PSS_E_", probs.strand)};
}

void RunSplitSecStructProbs(Arguments arguments, std::FILE *) {
  const int ws = ReadWindowSize(arguments[2]);
  const SecStructProbs probs = ParseSecStruct(ReadLines(arguments[0]), arguments[0]);
  WriteFilesAtomically(SecStructTrackFiles(probs, arguments[1], ws));
}

}  // namespace linkerkit
