// Many calling settings judged over one score file in one pass: the scores
// are smoothed as ClassifyFeatureRows smooths them, each setting's linkers
// are called by the rule of ReportDomainHinges or SegmentDomains, and the
// calls are judged against the known domains as EvaluateLinkers judges a
// report. Training chooses its smoothing, caller, threshold, offset and rank
// or minimum domain length from the table this writes.
#pragma once

#include <cstddef>
#include <cstdio>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "evaluate_linkers.h"
#include "program.h"

namespace linkerkit {

enum class Caller {
  kThreshold,  // ReportDomainHinges: runs at or above the threshold, the first RANK of each protein
  kSegment,    // SegmentDomains: the best-scoring boundaries between domains of at least MIN_DOMAIN
};

// One line of the settings file:
//   SMOOTHING threshold THRESHOLD OFFSET RANK
//   SMOOTHING segment THRESHOLD OFFSET MIN_DOMAIN
struct CallSetting {
  int smoothing;  // the window ClassifyFeatureRows averages over
  Caller caller;
  std::string threshold_text;  // as written, for the table
  float threshold;             // narrowed as the callers narrow it
  int offset;
  int rank_or_min_domain;
};

// Blank-separated fields; SMOOTHING and MIN_DOMAIN are whole numbers of at
// least 1, OFFSET and RANK whole numbers, THRESHOLD a finite decimal. Fails
// with "PATH line N: problem".
CallSetting ParseSettingLine(std::string_view line, std::string_view path, std::size_t line_number);

// The settings in file order; lines that are blank or begin with "#" are
// skipped. Fails naming the line, or "PATH: no settings".
std::vector<CallSetting> ReadSettings(const std::string &path);

// What a caller reads for one protein's values at a smoothing: the mean
// over ClassifyFeatureRows' clipped window, as ClassifyFeatureRows --raw
// writes it ("%f", "nan" for a constant profile) read back in single
// precision. At smoothing 1, the values themselves in single precision.
std::vector<float> CallerScores(const std::vector<double> &values, int smoothing);

// One called linker, positions from 0, and its peak as the report shows it.
struct Call {
  int start;
  int end;
  float peak_value;
};

// One protein's linkers as the setting's caller reports them, in report
// order.
std::vector<Call> CallLinkers(const CallSetting &setting, std::span<const float> scores);

// The proteins of a score file with the scores of every smoothing swept,
// each protein's scores in one stretch of each smoothing's array.
struct SweptProteins {
  std::vector<std::size_t> truth_index;  // into the truth's proteins, in score file order
  std::vector<std::size_t> first;        // where each protein's scores start
  std::vector<std::vector<DoubledPosition>> true_boundaries;
  std::map<int, std::vector<float>> scores;  // by smoothing

  std::span<const float> Scores(int smoothing, std::size_t protein) const;
};

// Reads the score file (lines "VALUE #NAME POSITION LENGTH", each protein's
// lines together, positions 0 to LENGTH - 1 in order) and smooths each
// protein once per smoothing. Fails naming the line for a malformed score
// file, a protein the truth lacks or gives another length, and with
// "PATH: no score lines" for a file without proteins.
SweptProteins ReadSweptProteins(const std::string &path, const DomainTruth &truth, const std::string &truth_path,
                                const std::vector<int> &smoothings);

struct SettingFigures {
  EvaluationSummary summary;
  std::size_t single_domain_proteins = 0;
  std::size_t single_domain_no_call = 0;  // of them, those given no linker
};

// Calls every protein by the setting and judges the calls. With calls_text,
// also appends for each protein "protein SETTING NAME DOMAINS HIGHEST_SCORE
// LINKERS" and one "call SETTING NAME BOUNDARY PEAK_VALUE MATCHED" line per
// linker in report order (SETTING is setting_number).
SettingFigures SweepSetting(const CallSetting &setting, const SweptProteins &proteins, const DomainTruth &truth,
                            int tolerance, std::size_t setting_number, std::string *calls_text);

// The table's header line and one setting's row, each with its line feed.
std::string SweepHeader();
std::string FormatSweepRow(const CallSetting &setting, const SettingFigures &figures);

// "--domain-ids" as EvaluateLinkers takes it; "--calls" adds the calls and
// proteins lines after the table.
inline constexpr ProgramOption kSweepOptions[] = {{"--domain-ids", false}, {"--calls", false}};

// SweepLinkerCalls [--domain-ids] [--calls] [score file] [domain region file] [settings file] [tolerance]
void RunSweepLinkerCalls(const GivenOptions &options, Arguments arguments, std::FILE *out);

}  // namespace linkerkit
