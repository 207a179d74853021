#include "memory_steps.h"

#include <cmath>
#include <vector>

#include "chain_position.h"
#include "classify.h"
#include "failure.h"
#include "feature_rows.h"
#include "lines.h"
#include "seq_complexity.h"

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

// The track's values as its program computes them before writing them.
std::vector<double> TrackValues(const Track &track, const ResidueScales &scales, const std::string &residues) {
  switch (track.kind) {
    case TrackKind::kSeqComplexity:
      return SeqComplexityTrack(residues, track.size);
    case TrackKind::kScale:
      return ResidueScaleTrack(residues, scales.at(track.stem), track.size);
    case TrackKind::kTerminus:
      return ChainPositionTrack(residues.size(), ChainMeasure::kTerminus, track.size);
    case TrackKind::kChainLength:
      return ChainPositionTrack(residues.size(), ChainMeasure::kLength, track.size);
    default:
      Fail("the track " + track.name + " is not made from the sequence alone");
  }
}

}  // namespace

std::vector<FeatureColumn> FeatureColumnsInMemory(const Recipe &recipe, const ResidueScales &scales,
                                                  const ProteinRecord &protein) {
  const std::size_t m = protein.residues.size();
  std::vector<FeatureColumn> columns(recipe.tracks.size(), FeatureColumn(m + 1, 0.0f));
  for (std::size_t k = 0; k < recipe.tracks.size(); ++k) {
    const std::vector<double> values = TrackValues(recipe.tracks[k], scales, protein.residues);
    for (std::size_t i = 0; i < m; ++i) columns[k][i] = ColumnValue(values[i]);
  }
  return columns;
}

std::string VectorLinesOf(const std::vector<FeatureColumn> &columns) {
  const std::size_t m = columns.front().size() - 1;
  std::string lines;
  for (std::size_t position = 0; position < m; ++position) AppendFeatureRow(lines, columns, position, m);
  return lines;
}

std::string ScoreLinesInMemory(const Model &model, const ProteinRecord &protein,
                               const std::vector<FeatureColumn> &columns, const std::string &vectors_path) {
  const std::size_t m = columns.front().size() - 1;
  std::vector<FeatureVector> vectors;
  vectors.reserve(m);
  bool finite = true;
  for (std::size_t position = 0; position < m; ++position) {
    vectors.push_back(FeatureRowValues(columns, position));
    for (const auto &[index, value] : vectors.back()) finite = finite && std::isfinite(value);
  }
  const ModelSettings &settings = model.settings;
  try {
    if (finite) {
      return ScoreLinesOf(vectors, vectors_path, *model.loaded_classifier, protein.name, settings.smoothing,
                          settings.raw_scores);
    }
    // A value that is no finite number is refused as the program refuses
    // its line.
    std::vector<std::string> lines;
    const std::string text = VectorLinesOf(columns);
    for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
      end = text.find('\n', start);
      lines.push_back(text.substr(start, end - start));
    }
    return ScoreLinesOf(lines, vectors_path, *model.loaded_classifier, protein.name, settings.smoothing,
                        settings.raw_scores);
  } catch (const Failure &failure) {
    Fail(protein.name + ": ClassifyFeatureRows failed: " + failure.what());
  }
}

}  // namespace linkerkit
