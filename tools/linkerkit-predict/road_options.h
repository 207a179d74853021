// linkerkit-predict's command line, read strictly: a number that is not a
// whole decimal in range, or a threshold that is not a decimal number no
// farther than a million from 0, stops the run with a line naming the
// option, before any work starts.
#pragma once

#include <optional>
#include <span>
#include <string>

namespace linkerkit {

// Where the road stops: after the vector lines, the scores, the report, or
// before any work, with the settings in force shown.
enum class RoadStop { kVectors, kScores, kReport, kSettings };

// How the report calls linkers from the scores: ReportDomainHinges' runs at
// or above the threshold, or SegmentDomains' cut into domains.
enum class LinkerCaller { kThreshold, kSegment };

// "threshold" or "segment".
const char *CallerName(LinkerCaller caller);
// The caller a name gives; fails with "invalid WHAT 'TEXT': expected
// threshold or segment".
LinkerCaller ReadCallerOption(const std::string &what, const std::string &text);

struct RoadOptions {
  std::string model = "sequence";  // a shipped model's name or a folder
  std::string scales;              // empty: the data folder's scales
  std::optional<int> window;       // every windowed track's size, in place of the recipe's
  std::optional<int> smoothing;    // the model's settings unless given
  std::optional<int> rank;
  std::optional<int> offset;
  std::optional<std::string> threshold;  // kept as typed: it reaches the report as text
  std::optional<LinkerCaller> caller;
  std::optional<int> min_domain;  // SegmentDomains' minimum domain length
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
// "--option value" both work, and "--" ends the options. Fails with one line.
RoadOptions ParseRoadOptions(std::span<char *const> arguments);

// A count option's value: whole decimal digits from lowest to highest.
int ReadCountOption(const std::string &option, const std::string &text, int lowest, int highest);
// The farthest a threshold lies from 0. No score comes near it (z-scores,
// decision values and XGBoost's margins are small numbers), and the report's
// caller reads a threshold in single precision: far beyond, it would lose
// the peak to rounding, or leave the float's range altogether.
inline constexpr double kFarthestThreshold = 1e6;

// A threshold: a decimal number ("1", "-0.5", ".25", "2e-1") from
// -kFarthestThreshold to kFarthestThreshold; returns the text itself.
std::string ReadThresholdOption(const std::string &option, const std::string &text);

inline constexpr const char *kRoadUsage =
    "usage: linkerkit-predict [options] FASTA (linkerkit-predict --help lists the options)";

}  // namespace linkerkit
