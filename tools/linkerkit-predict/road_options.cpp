#include "road_options.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <tuple>

#include "arguments.h"
#include "failure.h"

namespace linkerkit {

const char *CallerName(LinkerCaller caller) { return caller == LinkerCaller::kSegment ? "segment" : "threshold"; }

namespace {

// The largest window, rank or offset taken: far beyond any protein, and
// small enough that no sum of them overflows.
constexpr double kLargestCount = 1000000;
constexpr double kMostJobs = 1024;
// The farthest a threshold lies from 0. No score comes near it (z-scores,
// decision values and XGBoost's margins are small numbers), and the report's
// caller reads a threshold in single precision: far beyond, it would lose
// the peak to rounding, or leave the float's range altogether.
constexpr double kFarthestThreshold = 1e6;

using enum OptionType;

std::string Int(int value) { return std::to_string(value); }

// The cells a row leaves empty: an option that is no model setting has no
// setting to set or show; a model setting's value goes to the settings, not
// to the options.
constexpr auto kNoStore = nullptr;
constexpr auto kNoSetting = nullptr;
constexpr auto kNotShown = nullptr;

// The store of an option whose value is its text.
template <std::string RoadOptions::*field>
void StoreText(RoadOptions &options, const OptionValue &value) {
  options.*field = value.text;
}

constexpr RoadOptionRow kRows[] = {
    {"--model", "NAME|DIR", kText, 0, 0, "--model", "sequence", "",
     "model folder: feature recipe, classifier and report settings {default};\n"
     "a NAME without '/' is a shipped model: {models}; a folder of your own\n"
     "is given as a path, ./NAME",
     StoreText<&RoadOptions::model>, kNoSetting, kNotShown},
    {"--ss2", "FILE", kText, 0, 0, "--ss2", "", "",
     "PSIPRED .ss2 file of a one-protein FASTA, for recipes with PSS_ tracks", StoreText<&RoadOptions::ss2>, kNoSetting,
     kNotShown},
    {"--mtx", "FILE", kText, 0, 0, "--mtx", "", "",
     "PSI-BLAST checkpoint matrix of a one-protein FASTA, for PSSM_ tracks", StoreText<&RoadOptions::mtx>, kNoSetting,
     kNotShown},
    {"--reprof", "FILE", kText, 0, 0, "--reprof", "", "", "reprof's prediction for a one-protein FASTA, made already",
     StoreText<&RoadOptions::reprof>, kNoSetting, kNotShown},
    {"--ss2-dir", "DIR", kText, 0, 0, "--ss2-dir", "", "", "NAME.ss2 for every protein NAME",
     StoreText<&RoadOptions::ss2_dir>, kNoSetting, kNotShown},
    {"--mtx-dir", "DIR", kText, 0, 0, "--mtx-dir", "", "", "NAME.mtx for every protein NAME",
     StoreText<&RoadOptions::mtx_dir>, kNoSetting, kNotShown},
    {"--reprof-dir", "DIR", kText, 0, 0, "--reprof-dir", "", "", "NAME.reprof for every protein NAME",
     StoreText<&RoadOptions::reprof_dir>, kNoSetting, kNotShown},
    {"--name", "NAME", kText, 0, 0, "--name", "the header's first word", "",
     "renames the protein of a one-protein FASTA {default}", StoreText<&RoadOptions::name>, kNoSetting, kNotShown},
    {"-j", "N", kCount, 1, kMostJobs, "-j", "the number of cores", "", "proteins worked on at a time {default}",
     [](RoadOptions &options, const OptionValue &value) { options.jobs = value.count; }, kNoSetting, kNotShown},
    {"--work", "DIR", kText, 0, 0, "--work", "a temporary folder, removed at the end", "",
     "work folder: a new or empty folder, or one this program made\n{default}", StoreText<&RoadOptions::work>,
     kNoSetting, kNotShown},
    {"--keep-work", "", kFlag, 0, 0, "--keep-work", "", "", "keep every step's files (and a temporary work folder)",
     [](RoadOptions &options, const OptionValue &) { options.keep_work = true; }, kNoSetting, kNotShown},
    {"--plot", "DIR", kText, 0, 0, "--plot", "", "", "one picture per protein, DIR/NAME.svg",
     StoreText<&RoadOptions::plot_dir>, kNoSetting, kNotShown},
    {"--truth", "FILE", kText, 0, 0, "--truth", "", "",
     "regions to draw on the pictures (NAME|START,END|TYPE|LENGTH|PROTEIN_LENGTH)", StoreText<&RoadOptions::truth>,
     kNoSetting, kNotShown},
    {"--scales", "DIR", kText, 0, 0, "--scales", "DATA/scales", "",
     "folder of the residue scale files the recipe names {default}", StoreText<&RoadOptions::scales>, kNoSetting,
     kNotShown},
    {"--window", "WS", kCount, 1, kLargestCount, "window size", "the recipe's", "",
     "window size of every windowed feature track {default}",
     [](RoadOptions &options, const OptionValue &value) { options.window = value.count; }, kNoSetting, kNotShown},
    {"--smoothing", "WS", kCount, 1, kLargestCount, "smoothing window size", "the model's", "smoothing",
     "window over which the classifier's scores are averaged {default}", kNoStore,
     [](ModelSettings &settings, const OptionValue &value) { settings.smoothing = value.count; },
     [](const ModelSettings &settings) { return Int(settings.smoothing); }},
    {"--threshold", "T", kDecimal, -kFarthestThreshold, kFarthestThreshold, "threshold", "the model's", "threshold",
     "lowest score of a linker residue {default}", kNoStore,
     [](ModelSettings &settings, const OptionValue &value) {
       settings.threshold = {value.number, value.text};
     },
     [](const ModelSettings &settings) { return settings.threshold.text; }},
    {"--rank", "N", kCount, 1, kLargestCount, "rank", "the model's", "rank",
     "linker candidates reported per protein, by the threshold caller {default}", kNoStore,
     [](ModelSettings &settings, const OptionValue &value) { settings.rank = value.count; },
     [](const ModelSettings &settings) { return Int(settings.rank); }},
    {"--offset", "N", kCount, 0, kLargestCount, "offset", "the model's", "offset",
     "residues this near either end are left out of the report {default}", kNoStore,
     [](ModelSettings &settings, const OptionValue &value) { settings.offset = value.count; },
     [](const ModelSettings &settings) { return Int(settings.offset); }},
    {"--caller", "C", kCaller, 0, 0, "caller", "the model's", "caller",
     "how linkers are called from the scores {default}: threshold, the runs\n"
     "at or above the threshold (ReportDomainHinges); segment, each chain cut\n"
     "into domains at the best boundaries (SegmentDomains)",
     kNoStore, [](ModelSettings &settings, const OptionValue &value) { settings.caller = value.caller; },
     [](const ModelSettings &settings) { return std::string(CallerName(settings.caller)); }},
    {"--min-domain", "N", kCount, 1, kLargestCount, "minimum domain length", "the model's", "min_domain",
     "shortest domain of the segment caller {default}", kNoStore,
     [](ModelSettings &settings, const OptionValue &value) { settings.min_domain = value.count; },
     [](const ModelSettings &settings) { return Int(settings.min_domain); }},
    {"--min-confidence", "P", kDecimal, 0, 1, "--min-confidence", "", "",
     "leave out linkers whose calibrated confidence is below P (0 to 1);\nthe model needs a calibration file",
     [](RoadOptions &options, const OptionValue &value) { options.min_confidence = value.number; }, kNoSetting,
     kNotShown},
    {"--features-only", "", kFlag, 0, 0, "--features-only", "", "",
     "stop after the vector lines, WORK/vectors/NAME.vectors",
     [](RoadOptions &options, const OptionValue &) { options.stop = RoadStop::kVectors; }, kNoSetting, kNotShown},
    {"--scores-only", "", kFlag, 0, 0, "--scores-only", "", "",
     "stop after the scores, WORK/scores/NAME.scores and WORK/scores.txt",
     [](RoadOptions &options, const OptionValue &) { options.stop = RoadStop::kScores; }, kNoSetting, kNotShown},
    {"--show-settings", "", kFlag, 0, 0, "--show-settings", "", "",
     "print the model folder, the report settings in force and the calibration\nfile (or none), and stop",
     [](RoadOptions &options, const OptionValue &) { options.stop = RoadStop::kSettings; }, kNoSetting, kNotShown},
    {"--help", "", kFlag, 0, 0, "--help", "", "", "this text",
     [](RoadOptions &options, const OptionValue &) { options.help = true; }, kNoSetting, kNotShown},
    {"--version", "", kFlag, 0, 0, "--version", "", "", "the version",
     [](RoadOptions &options, const OptionValue &) { options.version = true; }, kNoSetting, kNotShown},
};

[[noreturn]] void RefuseValue(const std::string &what, const std::string &text, const std::string &expected) {
  Fail("invalid " + what + " '" + text + "': expected " + expected);
}

// A range's end as the messages print it: "1000000", "-1000000", "0".
std::string RangeEnd(double end) {
  char text[32];
  std::snprintf(text, sizeof text, "%.15g", end);
  return text;
}

void Replace(std::string &text, std::string_view placeholder, const std::string &by) {
  if (const std::size_t at = text.find(placeholder); at != std::string::npos) text.replace(at, placeholder.size(), by);
}

}  // namespace

std::span<const RoadOptionRow> RoadOptionTable() { return kRows; }

const RoadOptionRow *FindRoadOption(std::string_view name) {
  for (const RoadOptionRow &row : kRows) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

const RoadOptionRow *FindModelSetting(std::string_view key) {
  for (const RoadOptionRow &row : kRows) {
    if (!row.model_setting.empty() && row.model_setting == key) return &row;
  }
  return nullptr;
}

OptionValue ReadOptionValue(const RoadOptionRow &row, const std::string &what, const std::string &text) {
  OptionValue value;
  value.text = text;
  const std::string range = " from " + RangeEnd(row.lowest) + " to " + RangeEnd(row.highest);
  if (row.type == kCount) {
    const std::optional<int> count = ReadPlainCount(text);
    if (!count || *count < row.lowest || *count > row.highest) RefuseValue(what, text, "a whole number" + range);
    value.count = *count;
  } else if (row.type == kDecimal) {
    const std::optional<double> number = ReadFiniteDecimal(text);
    if (!number || *number < row.lowest || *number > row.highest) RefuseValue(what, text, "a decimal number" + range);
    value.number = *number;
  } else if (row.type == kCaller) {
    if (text == "threshold") {
      value.caller = LinkerCaller::kThreshold;
    } else if (text == "segment") {
      value.caller = LinkerCaller::kSegment;
    } else {
      RefuseValue(what, text, "threshold or segment");
    }
  }
  return value;
}

RoadOptions ParseRoadOptions(std::span<char *const> arguments) {
  RoadOptions options;
  std::vector<std::string> inputs;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string option = arguments[i];
    std::optional<std::string> value;
    if (option == "--") {
      inputs.insert(inputs.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1, arguments.end());
      break;
    }
    if (option.starts_with("--") && option.find('=') != std::string::npos) {
      value = option.substr(option.find('=') + 1);
      option.resize(option.find('='));
    }
    if (option == "--jobs") option = "-j";
    if (option.starts_with("-j") && option.size() > 2 && !value) {
      value = option.substr(2);
      option = "-j";
    }
    const RoadOptionRow *row = FindRoadOption(option);
    if (!row) {
      if (option.size() > 1 && option[0] == '-') Fail("unknown option: " + option + " (" + kRoadUsage + ")");
      inputs.push_back(option);
      continue;
    }
    if (row->type == kFlag) {
      if (value) Fail(option + " takes no value");
    } else {
      if (!value && i + 1 < arguments.size()) value = arguments[++i];
      if (!value || value->empty()) Fail(option + " needs a value");
    }
    const OptionValue read = ReadOptionValue(*row, std::string(row->what), value.value_or(""));
    if (row->set_setting) {
      options.setting_overrides.push_back({row, read});
    } else {
      row->store(options, read);
    }
  }
  if (options.help || options.version) return options;
  if (options.stop == RoadStop::kSettings && inputs.empty()) return options;
  if (inputs.size() != 1) Fail(kRoadUsage);
  options.fasta = inputs[0];
  for (const auto &[one, many, what] :
       {std::tuple{&options.ss2, &options.ss2_dir, "--ss2"}, std::tuple{&options.mtx, &options.mtx_dir, "--mtx"},
        std::tuple{&options.reprof, &options.reprof_dir, "--reprof"}}) {
    if (!one->empty() && !many->empty()) Fail(std::string(what) + " and " + what + "-dir cannot be given together");
  }
  if (!options.truth.empty() && options.plot_dir.empty()) Fail("--truth draws on the plots: give --plot DIR too");
  return options;
}

void ApplySettingOverrides(const RoadOptions &options, ModelSettings &settings) {
  for (const SettingOverride &given : options.setting_overrides) given.row->set_setting(settings, given.value);
}

std::string RoadOptionsHelp(const std::string &shipped_models) {
  // The help's column: the longest name with its value, and a space.
  constexpr std::size_t kHelpColumn = 21;
  std::string help;
  for (const RoadOptionRow &row : kRows) {
    std::string head = "  ";
    head += row.name;
    if (!row.value_name.empty()) {
      head += ' ';
      head += row.value_name;
    }
    head.resize(std::max(head.size() + 1, kHelpColumn), ' ');
    std::string text(row.help);
    std::string default_text = "[";
    default_text += row.default_text;
    default_text += ']';
    Replace(text, "{default}", default_text);
    Replace(text, "{models}", shipped_models);
    for (std::size_t at = 0; (at = text.find('\n', at)) != std::string::npos; at += kHelpColumn + 1) {
      text.insert(at + 1, kHelpColumn, ' ');
    }
    help += head + text + "\n";
  }
  return help;
}

std::string RoadHelp(const std::string &shipped_models, const std::string &data_dir) {
  return std::string(
             "Usage: linkerkit-predict [options] FASTA\n"
             "\n"
             "Predicts the domain linkers of every protein in a FASTA file (one protein or a\n"
             "proteome): feature tracks, vector lines, classifier scores and one linker report\n"
             "over all proteins. The report goes to standard output and to WORK/report.txt;\n"
             "progress and messages go to standard error. A failure stops the run with one\n"
             "line and status 1; SIGINT or SIGTERM with \"interrupted\" and status 130 or 143.\n"
             "\n"
             "Each record is one protein, named by the first word of its header (a UniProt\n"
             "header's accession); names are unique and hold no '#', '|' or '/'. Lower case,\n"
             "carriage returns and a byte-order mark are accepted; any character that is no\n"
             "residue letter is an error.\n"
             "\n"
             "Options (defaults in brackets):\n") +
         RoadOptionsHelp(shipped_models) +
         "\n"
         "The work folder holds report.txt, linkers.tsv (one line per reported linker,\n"
         "positions from 1, with its confidence), proteins.tsv (one line per protein),\n"
         "scores.txt (all proteins' scores), scores/NAME.scores for each protein and, with\n"
         "the threshold caller, candidates.txt (every candidate, ranked) and options.txt.\n"
         "\n"
         "A model folder holds index.txt (the recipe), settings (classifier libsvm or\n"
         "xgboost, scaling ranges or none, scores raw or zscore, smoothing, threshold,\n"
         "rank, offset, caller threshold or segment, min_domain), the classifier and,\n"
         "where it is calibrated, calibration (lines 'linker FROM PROBABILITY' and\n"
         "'protein FROM PROBABILITY'). The classifier: with libsvm svm.model (LIBSVM,\n"
         "labels +1 for linker residues and -1) and ranges (svm-scale's range file;\n"
         "none with 'scaling none', for a model trained on unscaled features); with\n"
         "xgboost xgboost.ubj (a binary:logistic booster saved as UBJSON, scored on the\n"
         "unscaled features; older folders' xgboost.json, saved as JSON, is read where\n"
         "there is no xgboost.ubj). Every file of it is read before the first protein.\n"
         "\n"
         "Recipe names (one per line; WS is the track's window size):\n"
         "  SeqComplexity_WS                    composition entropy of the sequence\n"
         "  SCALE_WS                            residue scale SCALES/SCALE.tsv (an AAindex entry, say)\n"
         "  REPROF_PSS_C_WS, _H_WS, _E_WS       reprof's loop, helix and strand probabilities\n"
         "  REPROF_ACC_WS                       reprof's relative solvent accessibility\n"
         "  Terminus_CAP                        distance to the nearer chain end, capped at CAP, over CAP\n"
         "  ChainLength_CAP                     chain length, capped at CAP, over CAP\n"
         "  PSS_C_WS, PSS_H_WS, PSS_E_WS        coil, helix and strand probabilities of the .ss2 file\n"
         "  PSSM_X_WS                           profile score of amino acid X from the checkpoint matrix\n"
         "\n"
         "DATA is " +
         data_dir + "\n";
}

std::string ShownSettings(const std::string &model_folder, const ModelSettings &settings,
                          const std::string &calibration) {
  std::string shown = "model " + model_folder + "\nclassifier " +
                      (settings.classifier == ClassifierKind::kXGBoost ? "xgboost" : "libsvm") + "\nscores " +
                      (settings.raw_scores ? "raw" : "zscore") + "\n";
  for (const RoadOptionRow &row : kRows) {
    if (row.shown_setting) shown += std::string(row.model_setting) + " " + row.shown_setting(settings) + "\n";
  }
  return shown + "calibration " + calibration + "\n";
}

}  // namespace linkerkit
