#include "memory_steps.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string_view>
#include <vector>

#include "alphabet.h"
#include "chain_position.h"
#include "classify.h"
#include "failure.h"
#include "feature_rows.h"
#include "lines.h"
#include "profile_column.h"
#include "profile_matrix.h"
#include "reprof_output.h"
#include "sec_struct.h"
#include "seq_complexity.h"

namespace linkerkit {

namespace {

// Calls line(text, number) for every line of text, each held NUL-terminated
// as the line readers hand them on.
template <typename LineCall>
void ForEachTextLine(std::string_view text, LineCall &&line) {
  std::string held;
  std::size_t number = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    held.assign(text.substr(start, end - start));
    line(std::string_view(held), ++number);
    start = end + 1;
  }
}

// A protein's tracks, made as the recipe asks for them; what several tracks
// share (the .ss2 file's probabilities, the profile table, reprof's
// prediction) is read once.
class ProteinTracks {
 public:
  ProteinTracks(const ResidueScales &scales, const ProteinRecord &protein, const CompanionFiles &files,
                const std::string &message_base)
      : scales_(scales), protein_(protein), files_(files), message_base_(message_base) {}

  // The track's values, each as its line's text gives it to the column.
  std::vector<float> Values(const Track &track) {
    const std::string &residues = protein_.residues;
    switch (track.kind) {
      case TrackKind::kSeqComplexity:
        return ColumnValues(SeqComplexityTrack(residues, track.size));
      case TrackKind::kScale:
        return ColumnValues(ResidueScaleTrack(residues, scales_.at(track.stem), track.size));
      case TrackKind::kTerminus:
        return ColumnValues(ChainPositionTrack(residues.size(), ChainMeasure::kTerminus, track.size));
      case TrackKind::kChainLength:
        return ColumnValues(ChainPositionTrack(residues.size(), ChainMeasure::kLength, track.size));
      case TrackKind::kPsipred:
        return ClassTrack(Psipred(), track);
      case TrackKind::kProfile:
        return ProfileTrack(track);
      case TrackKind::kReprofPss:
        return ClassTrack(ReprofClasses(), track);
      case TrackKind::kReprofAcc:
        return ColumnValues(AccessibilityTrack(Reprof(), track.size));
    }
    Fail("no track is made for the name " + track.name);
  }

 private:
  template <typename Real>
  static std::vector<float> ColumnValues(const std::vector<Real> &values) {
    std::vector<float> column;
    column.reserve(values.size());
    for (const Real value : values) column.push_back(ColumnValue(static_cast<double>(value)));
    return column;
  }

  // A program's failure as its run in the file road says it.
  template <typename Step>
  auto Run(const char *program, Step &&step) -> decltype(step()) {
    try {
      return step();
    } catch (const Failure &failure) {
      Fail(protein_.name + ": " + program + " failed: " + failure.what());
    }
  }

  void CheckLength(std::size_t lines, const std::string &source) const { CheckTrackResidues(protein_, lines, source); }

  std::vector<float> ClassTrack(const SecStructProbs &probs, const Track &track) const {
    const std::vector<std::vector<float>> tracks = SecStructTracks(probs, track.size);
    const char kind = track.stem.back();
    return ColumnValues(tracks[kind == 'C' ? 0 : kind == 'H' ? 1 : 2]);
  }

  const SecStructProbs &Psipred() {
    if (!psipred_) {
      SecStructParser parser(files_.ss2);
      psipred_ = Run("SplitSecStructProbs", [&] {
        ForEachLine(files_.ss2, [&](std::string_view line, std::size_t number) { parser.AddLine(line, number); });
        return parser.Finish();
      });
      CheckLength(psipred_->coil.size(), "the .ss2 file " + files_.ss2);
    }
    return *psipred_;
  }

  std::vector<float> ProfileTrack(const Track &track) {
    const std::string table_path = message_base_ + ".profile";
    if (!profile_table_) {
      ProfileTableBuilder builder(files_.mtx);
      profile_table_ = Run("ExtractProfileMatrix", [&] {
        ForEachLine(files_.mtx, [&](std::string_view line, std::size_t number) { builder.AddLine(line, number); });
        return builder.Finish();
      });
      // The table's two first lines are the matrix's count and sequence.
      const auto lines = static_cast<std::size_t>(std::count(profile_table_->begin(), profile_table_->end(), '\n'));
      CheckLength(lines > 2 ? lines - 2 : 0, "the checkpoint matrix " + files_.mtx);
    }
    const int column = ProfileIndex(track.stem[5]);
    ProfileColumnReader reader(column, table_path);
    return ColumnValues(Run("TrackProfileColumn", [&] {
      if (column < 0) Fail("Non AA code");
      ForEachTextLine(*profile_table_,
                      [&](std::string_view line, std::size_t number) { reader.AddLine(line, number); });
      return ProfileColumnTrack(reader.Finish(), track.size);
    }));
  }

  const std::vector<ReprofResidue> &Reprof() {
    if (!reprof_) {
      if (files_.reprof.empty()) Fail(protein_.name + ": no reprof prediction was made");
      ReprofParser parser(files_.reprof);
      reprof_ = Run("ConvertReprofOutput", [&] {
        ForEachLine(files_.reprof, [&](std::string_view line, std::size_t number) { parser.AddLine(line, number); });
        return parser.Finish();
      });
      // The user's file by its name; the one the road made by what it is.
      CheckLength(reprof_->size(), files_.reprof == message_base_ + ".reprof" ? "reprof's prediction"
                                                                              : "reprof's prediction " + files_.reprof);
    }
    return *reprof_;
  }

  const SecStructProbs &ReprofClasses() {
    if (!reprof_classes_) {
      const std::string ss2 = FormatSs2(Reprof());
      SecStructParser parser(message_base_ + ".reprof.ss2");
      reprof_classes_ = Run("SplitSecStructProbs", [&] {
        ForEachTextLine(ss2, [&](std::string_view line, std::size_t number) { parser.AddLine(line, number); });
        return parser.Finish();
      });
    }
    return *reprof_classes_;
  }

  const ResidueScales &scales_;
  const ProteinRecord &protein_;
  const CompanionFiles &files_;
  std::string message_base_;
  std::optional<SecStructProbs> psipred_;
  std::optional<std::string> profile_table_;
  std::optional<std::vector<ReprofResidue>> reprof_;
  std::optional<SecStructProbs> reprof_classes_;
};

}  // namespace

void CheckTrackResidues(const ProteinRecord &protein, std::size_t lines, const std::string &source) {
  if (lines != protein.residues.size()) {
    Fail(protein.name + ": " + source + " gives " + std::to_string(lines) + " residues, the FASTA sequence " +
         std::to_string(protein.residues.size()));
  }
}

std::vector<FeatureColumn> FeatureColumnsInMemory(const Recipe &recipe, const ResidueScales &scales,
                                                  const ProteinRecord &protein, const CompanionFiles &files,
                                                  const std::string &message_base) {
  const std::size_t m = protein.residues.size();
  std::vector<FeatureColumn> columns(recipe.tracks.size(), FeatureColumn(m + 1, 0.0f));
  ProteinTracks tracks(scales, protein, files, message_base);
  for (std::size_t k = 0; k < recipe.tracks.size(); ++k) {
    const std::vector<float> values = tracks.Values(recipe.tracks[k]);
    std::copy(values.begin(), values.end(), columns[k].begin());
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
    ForEachTextLine(VectorLinesOf(columns), [&](std::string_view line, std::size_t) { lines.emplace_back(line); });
    return ScoreLinesOf(lines, vectors_path, *model.loaded_classifier, protein.name, settings.smoothing,
                        settings.raw_scores);
  } catch (const Failure &failure) {
    Fail(protein.name + ": ClassifyFeatureRows failed: " + failure.what());
  }
}

}  // namespace linkerkit
