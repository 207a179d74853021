// A model folder: the feature recipe (index.txt, the names of the tracks in
// the order they form the vector lines), the classifier (svm.model, with
// ranges where the training vectors were scaled, or xgboost.ubj, or an older
// folder's xgboost.json) and the report settings (settings, which also name
// the kind of classifier). The training script and the workflow make their
// vectors and scores through the road, so the recipe is read here alone.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calibration.h"
#include "linker_classifier.h"
#include "residue_scale.h"
#include "road_options.h"

namespace linkerkit {

// What makes a track, from its name's stem.
enum class TrackKind {
  kSeqComplexity,  // SeqComplexity_WS
  kScale,          // SCALE_WS: SCALES/SCALE.tsv
  kPsipred,        // PSS_C_WS, PSS_H_WS, PSS_E_WS: the .ss2 file
  kProfile,        // PSSM_X_WS: the checkpoint matrix
  kReprofPss,      // REPROF_PSS_C_WS, ...: reprof's class probabilities
  kReprofAcc,      // REPROF_ACC_WS: reprof's accessibility
  kTerminus,       // Terminus_CAP
  kChainLength,    // ChainLength_CAP
};

struct Track {
  std::string name;  // as in the recipe, with --window applied
  std::string stem;  // the name without "_WS"
  int size;          // window size or cap
  TrackKind kind;
};

struct Recipe {
  std::vector<Track> tracks;
  bool needs_ss2 = false;
  bool needs_mtx = false;
  bool needs_reprof = false;
};

struct Model {
  std::string folder;  // absolute
  Recipe recipe;
  ModelSettings settings;
  std::string classifier;  // the classifier file in the folder, by the settings' kind
  // The classifier read, with its ranges: read once, before the workers
  // start, which score every protein with it. Empty when the road stops at
  // the vector lines.
  std::shared_ptr<const LinkerClassifier> loaded_classifier;
  std::optional<Calibration> calibration;  // from the folder's calibration file, where there is one
};

// The shipped models in models_dir, the folders holding an index.txt, by name.
std::vector<std::string> ShippedModelNames(const std::string &models_dir);

// The folder a --model value names: a folder path (holding a "/", or "."
// or "..") or the name of a shipped model under models_dir, even where the
// current folder holds a folder of that name. Fails when there is no
// shipped model of the name, listing the shipped ones and, where there is
// such a folder here, saying to write ./NAME.
std::string ModelFolderOf(const std::string &model, const std::string &models_dir);

// Reads the recipe, with window_override applied to every windowed track
// (not to the chain tracks' caps). Fails naming the file and line of a name
// no track is made for.
Recipe ReadRecipe(const std::string &index_path, std::optional<int> window_override);

// The model folder's settings file, missing keys at their defaults. Fails
// naming the line of a malformed one, and "cannot open PATH" when there is
// no file.
ModelSettings ReadModelSettings(const std::string &settings_path);

// The model in folder with the options' overrides, every file of it read
// and checked: the recipe, the settings, the classifier (read with its
// ranges, every line, and kept in the model), that the recipe makes the
// features the classifier takes, and the calibration where there is one.
// needs_classifier is false when the road stops at the vector lines, which
// need the recipe alone (the settings are read where there are any). Fails
// with one line naming the file, and its line where one is at fault; also
// when --min-confidence is given for a model without a calibration.
Model LoadModel(const std::string &folder, const RoadOptions &options, bool needs_classifier);

// The residue scales a recipe uses, by the tracks' stem.
using ResidueScales = std::map<std::string, ResidueScale>;

// Reads every residue scale file the recipe names, in scales_dir, once
// before the workers start: fails with "the model's recipe uses TRACK: " and
// the scale file's fault, also a value that is no finite number.
ResidueScales ReadRecipeScales(const Recipe &recipe, const std::string &scales_dir);

}  // namespace linkerkit
