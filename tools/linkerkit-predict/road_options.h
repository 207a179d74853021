// linkerkit-predict's command line as one table: each option a row, with
// its value's type and range, its default, the model setting it overrides
// and its help. Parsing, range checks, the options part of --help, the
// settings file's values and --show-settings all come from the rows. A
// value is read strictly: a number that is not a whole decimal in range, or
// a threshold that is not a decimal number no farther than a million from
// 0, stops the run with a line naming the option, before any work starts.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace linkerkit {

// Where the road stops: after the vector lines, the scores, the report, or
// before any work, with the settings in force shown.
enum class RoadStop { kVectors, kScores, kReport, kSettings };

// How the report calls linkers from the scores: ReportDomainHinges' runs at
// or above the threshold, or SegmentDomains' cut into domains.
enum class LinkerCaller { kThreshold, kSegment };

// "threshold" or "segment".
const char *CallerName(LinkerCaller caller);

// A number read once, with the text it was given as: the number for what
// the road itself draws, the text for the programs that read it by their
// own rule (the report's caller reads a threshold in single precision, so
// the text it is handed decides the report's bytes).
struct GivenNumber {
  double number = 0;
  std::string text;
};

// The kind of the model folder's classifier: svm.model (LIBSVM), with
// ranges where its training vectors were scaled, or xgboost.ubj or
// xgboost.json (XGBoost's trees, which take the vectors unscaled).
enum class ClassifierKind { kLibsvm, kXGBoost };

// The report settings in force: the model's, unless an option gives one.
struct ModelSettings {
  ClassifierKind classifier = ClassifierKind::kLibsvm;  // "classifier libsvm|xgboost"
  // "scaling ranges|none": whether the vectors are scaled with the folder's
  // ranges; unset, a LIBSVM model's are and XGBoost's trees' are not.
  std::optional<bool> scaled;
  bool raw_scores = false;  // "scores raw": smoothed decision values, not z-scores
  int smoothing = 15;
  GivenNumber threshold{1.0, "1.0"};
  int rank = 3;
  int offset = 10;
  LinkerCaller caller = LinkerCaller::kThreshold;
  int min_domain = 40;  // SegmentDomains' minimum domain length
};

// What an option's value is: none (a flag), any text (a path, a name), a
// whole number or a decimal number in the row's range, or a caller's name.
enum class OptionType { kFlag, kText, kCount, kDecimal, kCaller };

// An option's value as its row reads it.
struct OptionValue {
  std::string text;                                // as given
  int count = 0;                                   // kCount
  double number = 0;                               // kDecimal
  LinkerCaller caller = LinkerCaller::kThreshold;  // kCaller
};

struct RoadOptions;

// One option of linkerkit-predict.
struct RoadOptionRow {
  std::string_view name;        // "--window", "-j"
  std::string_view value_name;  // "WS", as the help shows the value; empty for a flag
  OptionType type;
  double lowest, highest;         // a count's or a decimal's range
  std::string_view what;          // how a message about a bad value names the option
  std::string_view default_text;  // the help's "[...]"; empty for none
  // The key of the model's settings file that the option overrides; empty
  // for none.
  std::string_view model_setting;
  // The help: lines after the first are indented under it; "{default}"
  // stands for "[DEFAULT]", "{models}" for the shipped models.
  std::string_view help;
  // Where the value goes: into the options, or (a model setting) into the
  // settings, and how --show-settings shows the setting in force.
  void (*store)(RoadOptions &options, const OptionValue &value);
  void (*set_setting)(ModelSettings &settings, const OptionValue &value);
  std::string (*shown_setting)(const ModelSettings &settings);
};

// Every option, in the order the help lists them.
std::span<const RoadOptionRow> RoadOptionTable();
// The row of an option's name, or of a settings file's key; nullptr when
// there is none.
const RoadOptionRow *FindRoadOption(std::string_view name);
const RoadOptionRow *FindModelSetting(std::string_view key);

// text as the row's value: fails with "invalid WHAT 'TEXT': expected a whole
// number from LOWEST to HIGHEST" (or "a decimal number", or "threshold or
// segment").
OptionValue ReadOptionValue(const RoadOptionRow &row, const std::string &what, const std::string &text);

// A model setting given on the command line.
struct SettingOverride {
  const RoadOptionRow *row;
  OptionValue value;
};

struct RoadOptions {
  std::string model = "sequence";  // a shipped model's name or a folder
  std::string scales;              // empty: the data folder's scales
  std::optional<int> window;       // every windowed track's size, in place of the recipe's
  // The model's settings the options override, in the order given.
  std::vector<SettingOverride> setting_overrides;
  // Reported linkers whose calibrated confidence is below this are left out.
  std::optional<double> min_confidence;
  // One protein's companion files, or folders of NAME.ss2, NAME.mtx, NAME.reprof.
  std::string ss2, mtx, reprof;
  std::string ss2_dir, mtx_dir, reprof_dir;
  std::string name;  // renames a one-protein FASTA's protein
  std::string work;  // empty: a fresh temporary folder
  bool keep_work = false;
  std::string plot_dir;
  std::string truth;  // region file of true regions for the plots
  int jobs = 0;       // 0: one per core
  RoadStop stop = RoadStop::kReport;
  bool help = false;
  bool version = false;
  std::string fasta;
};

// The options, in any order before or after the FASTA; "--option=value" and
// "--option value" both work, "-jN" too, and "--" ends the options. Fails
// with one line.
RoadOptions ParseRoadOptions(std::span<char *const> arguments);

// The options' overrides of the model's settings, in the order given.
void ApplySettingOverrides(const RoadOptions &options, ModelSettings &settings);

// The options part of --help, a line or more per row; shipped_models is
// the list --model's help gives.
std::string RoadOptionsHelp(const std::string &shipped_models);

// The whole of --help: what the program does, the options, the files of
// the work folder and of a model folder, the recipe's names, and where the
// data folder is.
std::string RoadHelp(const std::string &shipped_models, const std::string &data_dir);

// --show-settings' lines: "model FOLDER", the classifier, the scores, each
// setting an option overrides as "KEY VALUE" and "calibration PATH|none".
std::string ShownSettings(const std::string &model_folder, const ModelSettings &settings,
                          const std::string &calibration);

inline constexpr const char *kRoadUsage =
    "usage: linkerkit-predict [options] FASTA (linkerkit-predict --help lists the options)";

}  // namespace linkerkit
