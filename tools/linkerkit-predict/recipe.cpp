#include "recipe.h"

#include <sys/stat.h>

#include <regex>

#include "arguments.h"
#include "failure.h"
#include "lines.h"
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

std::string ModelFolderOf(const std::string &model, const std::string &models_dir) {
  if (model.find('/') != std::string::npos || model == "." || model == "..") return model;
  return models_dir + "/" + model;
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
  static const std::regex setting(
      R"((scores|smoothing|threshold|rank|offset|caller|min_domain|classifier)[ \t]+([^ \t]+))");
  ModelSettings settings;
  if (!IsFile(settings_path)) return settings;
  ForEachLine(settings_path, [&](std::string_view text, std::size_t number) {
    std::string line(text);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') return;
    std::smatch match;
    if (!std::regex_match(line, match, setting)) {
      FailAtLine(settings_path, number,
                 "expected 'KEY VALUE' with KEY scores, smoothing, threshold, rank, offset, caller, min_domain or "
                 "classifier");
    }
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
    } else if (key == "smoothing") {
      settings.smoothing = ReadCountOption(where, value, 1, 1000000);
    } else if (key == "threshold") {
      settings.threshold = ReadThresholdOption(where, value);
    } else if (key == "rank") {
      settings.rank = ReadCountOption(where, value, 1, 1000000);
    } else if (key == "caller") {
      settings.caller = ReadCallerOption(where, value);
    } else if (key == "min_domain") {
      settings.min_domain = ReadCountOption(where, value, 1, 1000000);
    } else {
      settings.offset = ReadCountOption(where, value, 0, 1000000);
    }
  });
  return settings;
}

Model LoadModel(const std::string &folder, const RoadOptions &options, bool needs_classifier) {
  Model model;
  model.folder = folder;
  if (!IsFile(folder + "/index.txt")) {
    Fail("no model in " + folder + " (a model folder holds index.txt, settings, and svm.model or xgboost.json)");
  }
  model.settings = ReadModelSettings(folder + "/settings");
  const bool xgboost = model.settings.classifier == ClassifierKind::kXGBoost;
  const std::string classifier = xgboost ? "xgboost.json" : "svm.model";
  if (needs_classifier && !IsFile(folder + "/" + classifier)) {
    Fail("no classifier in " + folder + ": " + classifier + " is missing" +
         (xgboost ? " (its settings say classifier xgboost)" : ""));
  }
  model.classifier = folder + "/" + classifier;
  // XGBoost's trees were grown on the unscaled tracks: a range file beside
  // them would be a LIBSVM model's, left behind or mixed up.
  if (xgboost && IsFile(folder + "/ranges")) {
    Fail("the model " + folder + " has a ranges file, which an XGBoost model does not take: remove it");
  }
  model.has_ranges = !xgboost && IsFile(folder + "/ranges");
  model.recipe = ReadRecipe(folder + "/index.txt", options.window);
  if (options.smoothing) model.settings.smoothing = *options.smoothing;
  if (options.rank) model.settings.rank = *options.rank;
  if (options.offset) model.settings.offset = *options.offset;
  if (options.threshold) model.settings.threshold = *options.threshold;
  if (options.caller) model.settings.caller = *options.caller;
  if (options.min_domain) model.settings.min_domain = *options.min_domain;
  if (IsFile(folder + "/calibration")) model.calibration = ReadCalibration(folder + "/calibration");
  if (options.min_confidence && !model.calibration) {
    Fail("--min-confidence needs a calibrated model, and " + folder + " has no calibration file");
  }
  return model;
}

}  // namespace linkerkit
