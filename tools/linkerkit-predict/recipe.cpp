#include "recipe.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <regex>
#include <set>
#include <system_error>

#include "arguments.h"
#include "failure.h"
#include "lines.h"
#include "residue_scale.h"
#include "road_files.h"

namespace linkerkit {

namespace {

TrackKind KindOf(const std::string &stem) {
  if (stem == "SeqComplexity") return TrackKind::kSeqComplexity;
  if (stem == "PSS_C" || stem == "PSS_H" || stem == "PSS_E") return TrackKind::kPsipred;
  if (stem.size() == 6 && stem.starts_with("PSSM_")) return TrackKind::kProfile;
  if (stem == "REPROF_PSS_C" || stem == "REPROF_PSS_H" || stem == "REPROF_PSS_E") return TrackKind::kReprofPss;
  if (stem == "REPROF_ACC") return TrackKind::kReprofAcc;
  if (stem == "Terminus") return TrackKind::kTerminus;
  if (stem == "ChainLength") return TrackKind::kChainLength;
  return TrackKind::kScale;
}

}  // namespace

std::vector<std::string> ShippedModelNames(const std::string &models_dir) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto &entry : std::filesystem::directory_iterator(models_dir, error)) {
    if (IsFile(entry.path().string() + "/index.txt")) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ModelFolderOf(const std::string &model, const std::string &models_dir) {
  if (model.find('/') != std::string::npos || model == "." || model == "..") return model;
  const std::string shipped = models_dir + "/" + model;
  if (IsFile(shipped + "/index.txt")) return shipped;
  std::string names;
  for (const std::string &name : ShippedModelNames(models_dir)) names += (names.empty() ? "" : ", ") + name;
  std::error_code error;
  Fail("no shipped model " + model + " (the shipped models: " + (names.empty() ? "none" : names) + ")" +
       (std::filesystem::is_directory(model, error) ? "; for the folder " + model + " here, write --model ./" + model
                                                    : ""));
}

Recipe ReadRecipe(const std::string &index_path, std::optional<int> window_override) {
  static const std::regex track_name(R"((.+)_([1-9][0-9]*))");
  Recipe recipe;
  ForEachLine(index_path, [&](std::string_view text, std::size_t number) {
    std::string name(text);
    if (!name.empty() && name.back() == '\r') name.pop_back();
    std::smatch match;
    std::optional<int> size;
    if (std::regex_match(name, match, track_name)) size = ReadPlainCount(match[2].str());
    if (!size) FailAtLine(index_path, number, "no track is made for the name '" + name + "'");
    Track track{name, match[1].str(), *size, KindOf(match[1].str())};
    const bool chain_track = track.kind == TrackKind::kTerminus || track.kind == TrackKind::kChainLength;
    if (window_override && !chain_track) {
      track.size = *window_override;
      track.name = track.stem + "_" + std::to_string(track.size);
    }
    recipe.needs_ss2 |= track.kind == TrackKind::kPsipred;
    recipe.needs_mtx |= track.kind == TrackKind::kProfile;
    recipe.needs_reprof |= track.kind == TrackKind::kReprofPss || track.kind == TrackKind::kReprofAcc;
    recipe.tracks.push_back(std::move(track));
  });
  if (recipe.tracks.empty()) FailInFile(index_path, "empty index list");
  return recipe;
}

ModelSettings ReadModelSettings(const std::string &settings_path) {
  static const std::regex setting(R"(([a-z_]+)[ \t]+([^ \t]+))");
  // The keys: the classifier's own, and those the options override.
  std::string keys = "scores, ";
  for (const RoadOptionRow &row : RoadOptionTable()) {
    if (!row.model_setting.empty()) keys += std::string(row.model_setting) + ", ";
  }
  keys += "classifier or scaling";
  ModelSettings settings;
  ForEachLine(settings_path, [&](std::string_view text, std::size_t number) {
    std::string line(text);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') return;
    std::smatch match;
    const bool known = std::regex_match(line, match, setting) &&
                       (match[1] == "scores" || match[1] == "classifier" || match[1] == "scaling" ||
                        FindModelSetting(match[1].str()) != nullptr);
    if (!known) FailAtLine(settings_path, number, "expected 'KEY VALUE' with KEY " + keys);
    const std::string key = match[1].str();
    const std::string value = match[2].str();
    const std::string where = settings_path + " line " + std::to_string(number) + ": " + key;
    if (key == "scores") {
      if (value != "raw" && value != "zscore") FailAtLine(settings_path, number, "scores must be raw or zscore");
      settings.raw_scores = value == "raw";
    } else if (key == "classifier") {
      if (value != "libsvm" && value != "xgboost")
        FailAtLine(settings_path, number, "classifier must be libsvm or xgboost");
      settings.classifier = value == "xgboost" ? ClassifierKind::kXGBoost : ClassifierKind::kLibsvm;
    } else if (key == "scaling") {
      if (value != "ranges" && value != "none") FailAtLine(settings_path, number, "scaling must be ranges or none");
      settings.scaled = value == "ranges";
    } else {
      const RoadOptionRow &row = *FindModelSetting(key);
      row.set_setting(settings, ReadOptionValue(row, where, value));
    }
  });
  return settings;
}

Model LoadModel(const std::string &folder, const RoadOptions &options, bool needs_classifier) {
  Model model;
  model.folder = folder;
  if (!IsFile(folder + "/index.txt")) {
    Fail("no model in " + folder +
         " (a model folder holds index.txt, settings, and svm.model, xgboost.ubj or xgboost.json)");
  }
  // The vector lines alone need only the recipe: the training script makes
  // them before there is a classifier.
  const std::string settings_path = folder + "/settings";
  if (IsFile(settings_path)) {
    model.settings = ReadModelSettings(settings_path);
  } else if (needs_classifier) {
    Fail("the model " + folder + " has no settings file, which names its classifier and how its scores are called");
  }
  const bool xgboost = model.settings.classifier == ClassifierKind::kXGBoost;
  // XGBoost's trees come from UBJSON, which XGBoost reads far faster than
  // JSON; older folders' JSON still serves. Both would leave the booster to
  // a guess.
  std::string classifier = "svm.model";
  if (xgboost) {
    const bool binary = IsFile(folder + "/xgboost.ubj");
    if (binary && IsFile(folder + "/xgboost.json")) {
      Fail("the model " + folder + " has both xgboost.ubj and xgboost.json, and takes one booster: remove one of them");
    }
    classifier = binary ? "xgboost.ubj" : "xgboost.json";
  }
  if (needs_classifier && !IsFile(folder + "/" + classifier)) {
    Fail("no classifier in " + folder + ": " + (xgboost ? "xgboost.ubj (or xgboost.json)" : classifier) +
         " is missing" + (xgboost ? " (its settings say classifier xgboost)" : ""));
  }
  model.classifier = folder + "/" + classifier;
  // XGBoost's trees were grown on the unscaled tracks: a range file beside
  // them would be a LIBSVM model's, left behind or mixed up. A LIBSVM model
  // scales with its ranges unless its settings say it was trained unscaled,
  // so that a lost range file cannot pass for an unscaled model.
  const bool scaled = model.settings.scaled.value_or(!xgboost);
  const bool has_ranges_file = IsFile(folder + "/ranges");
  if (xgboost && has_ranges_file) {
    Fail("the model " + folder + " has a ranges file, which an XGBoost model does not take: remove it");
  }
  if (xgboost && scaled) FailInFile(settings_path, "scaling ranges is for LIBSVM models; XGBoost's trees take none");
  if (!scaled && has_ranges_file) {
    Fail("the model " + folder + " has a ranges file, and its settings say scaling none: remove one of them");
  }
  if (needs_classifier && scaled && !has_ranges_file) {
    Fail("the model " + folder +
         " has no ranges file, the svm-scale ranges its LIBSVM model's vectors were scaled with; a model trained on "
         "unscaled vectors says 'scaling none' in its settings");
  }
  const bool with_ranges = scaled && has_ranges_file;
  model.recipe = ReadRecipe(folder + "/index.txt", options.window);
  if (needs_classifier) {
    // Read and checked before the first protein, once: the workers, forked
    // from this process, score with it.
    model.loaded_classifier = LoadLinkerClassifier(model.classifier, with_ranges ? folder + "/ranges" : "");
    const std::size_t features = static_cast<std::size_t>(model.loaded_classifier->feature_count());
    if (model.recipe.tracks.size() != features) {
      Fail("the recipe " + folder + "/index.txt has " + std::to_string(model.recipe.tracks.size()) +
           " tracks, and the model " + model.classifier + " takes " + std::to_string(features) + " features" +
           (with_ranges ? " (up to the last of its ranges)" : "") +
           ": a model works only with the recipe it was trained with");
    }
  }
  ApplySettingOverrides(options, model.settings);
  if (IsFile(folder + "/calibration")) model.calibration = ReadCalibration(folder + "/calibration");
  if (options.min_confidence && !model.calibration) {
    Fail("--min-confidence needs a calibrated model, and " + folder + " has no calibration file");
  }
  return model;
}

ResidueScales ReadRecipeScales(const Recipe &recipe, const std::string &scales_dir) {
  ResidueScales scales;
  for (const Track &track : recipe.tracks) {
    if (track.kind != TrackKind::kScale || scales.contains(track.stem)) continue;
    const std::string path = scales_dir + "/" + track.stem + ".tsv";
    const std::string uses = "the model's recipe uses " + track.name + ": ";
    try {
      const std::vector<std::string> lines = ReadLines(path);
      const ResidueScale scale(lines, path);
      // A value that is no finite number would make every score of a
      // protein nan, and its report "No prediction".
      std::set<char> seen;
      for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty() || !seen.insert(lines[i][0]).second) continue;
        if (!std::isfinite(scale.ValueOf(lines[i][0]))) {
          FailAtLine(path, i + 1, "the value of " + std::string(1, lines[i][0]) + " is not a finite number");
        }
      }
      scales.emplace(track.stem, scale);
    } catch (const Failure &failure) {
      Fail(uses + failure.what());
    }
  }
  return scales;
}

}  // namespace linkerkit
