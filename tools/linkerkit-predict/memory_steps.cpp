#include "memory_steps.h"

#include <string_view>
#include <vector>

#include "chain_position.h"
#include "classify.h"
#include "failure.h"
#include "feature_rows.h"
#include "lines.h"
#include "seq_complexity.h"
#include "track.h"

namespace linkerkit {

ResidueScales ReadRecipeScales(const Recipe &recipe, const std::string &scales_dir) {
  ResidueScales scales;
  for (const Track &track : recipe.tracks) {
    if (track.kind != TrackKind::kScale || scales.contains(track.stem)) continue;
    const std::string path = scales_dir + "/" + track.stem + ".tsv";
    scales.emplace(track.stem, ResidueScale(ReadLines(path), path));
  }
  return scales;
}

bool MadeFromSequence(const Recipe &recipe) {
  for (const Track &track : recipe.tracks) {
    switch (track.kind) {
      case TrackKind::kSeqComplexity:
      case TrackKind::kScale:
      case TrackKind::kTerminus:
      case TrackKind::kChainLength:
        break;
      default:
        return false;
    }
  }
  return true;
}

namespace {

// The track's text as its program writes it.
std::string TrackText(const Track &track, const ResidueScales &scales, const std::string &residues) {
  switch (track.kind) {
    case TrackKind::kSeqComplexity:
      return FormatTrack(SeqComplexityTrack(residues, track.size), "QUERY");
    case TrackKind::kScale:
      return FormatTrack(ResidueScaleTrack(residues, scales.at(track.stem), track.size), "QUERY");
    case TrackKind::kTerminus:
      return FormatTrack(ChainPositionTrack(residues.size(), ChainMeasure::kTerminus, track.size), "QUERY");
    case TrackKind::kChainLength:
      return FormatTrack(ChainPositionTrack(residues.size(), ChainMeasure::kLength, track.size), "QUERY");
    default:
      Fail("the track " + track.name + " is not made from the sequence alone");
  }
}

// Calls line(text, number) for every line of text, each held NUL-terminated
// as the line readers hand them on.
template <typename LineCall>
std::size_t ForEachTextLine(std::string_view text, LineCall &&line) {
  std::string held;
  std::size_t number = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    held.assign(text.substr(start, end - start));
    line(std::string_view(held), ++number);
    start = end + 1;
  }
  return number;
}

}  // namespace

std::string VectorLinesInMemory(const Recipe &recipe, const ResidueScales &scales, const ProteinRecord &protein,
                                const std::string &message_folder) {
  const std::size_t m = protein.residues.size();
  std::vector<FeatureColumn> columns(recipe.tracks.size(), FeatureColumn(m + 1, 0.0f));
  for (std::size_t k = 0; k < recipe.tracks.size(); ++k) {
    const std::string path = message_folder + "/feat/" + recipe.tracks[k].name + ".txt";
    ForEachTextLine(TrackText(recipe.tracks[k], scales, protein.residues),
                    [&](std::string_view line, std::size_t number) { StoreTrackLine(line, number, columns[k], path); });
  }
  std::string lines;
  for (std::size_t position = 0; position < m; ++position) AppendFeatureRow(lines, columns, position, m);
  return lines;
}

std::string ScoreLinesInMemory(const Model &model, const ProteinRecord &protein, const std::string &vector_lines,
                               const std::string &vectors_path) {
  std::vector<std::string> lines;
  ForEachTextLine(vector_lines, [&](std::string_view line, std::size_t) { lines.emplace_back(line); });
  try {
    return ScoreLinesOf(lines, vectors_path, *model.loaded_classifier, protein.name, model.settings.smoothing,
                        model.settings.raw_scores);
  } catch (const Failure &failure) {
    Fail(protein.name + ": ClassifyFeatureRows failed: " + failure.what());
  }
}

}  // namespace linkerkit
