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
bool ParseRow(std::string_view row, float (&probability)[3]) {
  std::size_t cursor = 8;
  for (float &value : probability) {
    const std::size_t point = row.find('.', cursor + 1);
    if (point == std::string_view::npos) return false;
    cursor = point - 2;
    value = static_cast<float>(ReadCDouble(row.data() + cursor));
    cursor += 3;
  }
  return true;
}

}  // namespace

void SecStructParser::AddLine(std::string_view line, std::size_t number) {
  if (++lines_ <= kHeaderLines) return;
  float probability[3];
  if (!ParseRow(line, probability)) FailAtLine(path_, number, "fewer than three probabilities");
  probs_.coil.push_back(probability[0]);
  probs_.helix.push_back(probability[1]);
  probs_.strand.push_back(probability[2]);
}

const SecStructProbs &SecStructParser::Finish() const {
  if (lines_ <= kHeaderLines) FailInFile(path_, "no residue rows (fewer than three lines)");
  return probs_;
}

std::vector<std::string> SecStructTrackPaths(std::string_view prefix, int ws) {
  std::vector<std::string> paths;
  for (const char *name : {"PSS_C_", "PSS_H_", "PSS_E_"}) {
    std::string path(prefix);
    path += name;
    AppendInt(path, ws);
    path += ".txt";
    paths.push_back(std::move(path));
  }
  return paths;
}

std::vector<std::vector<float>> SecStructTracks(const SecStructProbs &probs, int ws) {
  std::vector<std::vector<float>> tracks;
  for (const std::vector<float> *probabilities : {&probs.coil, &probs.helix, &probs.strand}) {
    tracks.push_back(SmoothCentred(*probabilities, ws, WindowEdges::kRaw));
  }
  return tracks;
}

std::vector<std::pair<std::string, std::string>> SecStructTrackFiles(const SecStructProbs &probs,
                                                                     std::string_view prefix, int ws) {
  std::vector<std::string> paths = SecStructTrackPaths(prefix, ws);
  const std::vector<std::vector<float>> tracks = SecStructTracks(probs, ws);
  std::vector<std::pair<std::string, std::string>> files;
  files.reserve(3);
  for (std::size_t i = 0; i < 3; ++i) files.emplace_back(std::move(paths[i]), FormatTrack(tracks[i], "QUERY"));
  return files;
}

void RunSplitSecStructProbs(Arguments arguments, std::FILE *) {
  const int ws = ReadWindowSize(arguments[2]);
  RefuseOutputOverInputs(SecStructTrackPaths(arguments[1], ws), {arguments[0]});
  SecStructParser parser(arguments[0]);
  ForEachLine(arguments[0], [&](std::string_view line, std::size_t number) { parser.AddLine(line, number); });
  WriteFilesAtomically(SecStructTrackFiles(parser.Finish(), arguments[1], ws));
}

}  // namespace linkerkit
