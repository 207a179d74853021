#include "sweep_linker_calls.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numeric>

#include "arguments.h"
#include "classify.h"
#include "cnumber.h"
#include "failure.h"
#include "lines.h"
#include "linker_report.h"
#include "output_file.h"
#include "segment_domains.h"
#include "track.h"
#include "window.h"

namespace linkerkit {

namespace {

constexpr const char *kSettingShape = "not SMOOTHING threshold|segment THRESHOLD OFFSET RANK|MIN_DOMAIN";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::vector<std::string_view> BlankSeparatedFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (true) {
    while (at < line.size() && IsBlank(line[at])) ++at;
    if (at == line.size()) return fields;
    const std::size_t start = at;
    while (at < line.size() && !IsBlank(line[at])) ++at;
    fields.push_back(line.substr(start, at - start));
  }
}

int ReadSettingCount(std::string_view text, std::string_view what, int least, std::string_view path,
                     std::size_t line_number) {
  const std::optional<int> count = ReadPlainCount(text);
  if (!count || *count < least) {
    FailAtLine(path, line_number,
               std::string(what) + " \"" + std::string(text) + "\" is not a whole number" +
                   (least > 0 ? " of at least " + std::to_string(least) : std::string()));
  }
  return *count;
}

double RatioOrZero(std::size_t numerator, std::size_t denominator) {
  return denominator == 0 ? 0.0 : static_cast<double>(numerator) / static_cast<double>(denominator);
}

// The highest score, "nan" values passed over; "nan" when all are.
void AppendHighestScore(std::string &out, std::span<const float> scores) {
  bool found = false;
  float highest = 0;
  for (const float score : scores) {
    if (std::isnan(score) || (found && score <= highest)) continue;
    highest = score;
    found = true;
  }
  if (found) {
    AppendFixed6(out, static_cast<double>(highest));
  } else {
    out += "nan";
  }
}

void AppendProteinCalls(std::string &out, std::size_t setting_number, const TruthProtein &protein,
                        std::span<const float> scores, const std::vector<Call> &calls,
                        const std::vector<DoubledPosition> &boundaries, const std::vector<bool> &matched) {
  out += "protein ";
  AppendInt(out, static_cast<long long>(setting_number));
  out += ' ';
  out += protein.name;
  out += ' ';
  AppendInt(out, static_cast<long long>(DomainCount(protein.domains)));
  out += ' ';
  AppendHighestScore(out, scores);
  out += ' ';
  AppendInt(out, static_cast<long long>(calls.size()));
  out += '\n';
  for (std::size_t i = 0; i < calls.size(); ++i) {
    out += "call ";
    AppendInt(out, static_cast<long long>(setting_number));
    out += ' ';
    out += protein.name;
    out += ' ';
    AppendDoubledPosition(out, boundaries[i]);
    out += ' ';
    AppendFixed6(out, static_cast<double>(calls[i].peak_value));
    out += matched[i] ? " 1\n" : " 0\n";
  }
}

// Which of the predictions, in the order given, the matching paired: the
// evaluation holds them ascending, and equal boundaries keep their order.
std::vector<bool> MatchedInGivenOrder(const std::vector<DoubledPosition> &boundaries,
                                      const ProteinEvaluation &evaluation) {
  std::vector<std::size_t> order(boundaries.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return boundaries[a] < boundaries[b]; });
  std::vector<bool> matched(boundaries.size());
  for (std::size_t k = 0; k < order.size(); ++k) matched[order[k]] = evaluation.predicted_matched[k];
  return matched;
}

struct FileCloser {
  void operator()(std::FILE *file) const { std::fclose(file); }
};
using ScratchFile = std::unique_ptr<std::FILE, FileCloser>;

// The calls come after the table, which is known only when every setting
// has been judged: they wait in a scratch file rather than in memory, as
// hundreds of settings over a proteome make gigabytes of them.
void CopyScratch(std::FILE *scratch, std::FILE *out) {
  if (std::fflush(scratch) != 0 || std::ferror(scratch)) Fail("cannot write the calls to a temporary file");
  std::rewind(scratch);
  std::string piece(1 << 16, '\0');
  std::size_t read;
  while ((read = std::fread(piece.data(), 1, piece.size(), scratch)) > 0) WriteAll(out, {piece.data(), read});
  if (std::ferror(scratch)) Fail("cannot read the calls back from a temporary file");
}

}  // namespace

CallSetting ParseSettingLine(std::string_view line, std::string_view path, std::size_t line_number) {
  const std::vector<std::string_view> fields = BlankSeparatedFields(line);
  if (fields.size() != 5) FailAtLine(path, line_number, kSettingShape);
  CallSetting setting;
  setting.smoothing = ReadSettingCount(fields[0], "smoothing", 1, path, line_number);
  if (fields[1] == "threshold") {
    setting.caller = Caller::kThreshold;
  } else if (fields[1] == "segment") {
    setting.caller = Caller::kSegment;
  } else {
    FailAtLine(path, line_number, "caller \"" + std::string(fields[1]) + "\" is neither threshold nor segment");
  }
  setting.threshold_text = fields[2];
  const std::optional<double> threshold = ReadFiniteDecimal(setting.threshold_text);
  if (!threshold) {
    FailAtLine(path, line_number, "threshold \"" + setting.threshold_text + "\" is not a finite decimal number");
  }
  setting.threshold = static_cast<float>(*threshold);
  setting.offset = ReadSettingCount(fields[3], "offset", 0, path, line_number);
  setting.rank_or_min_domain = setting.caller == Caller::kThreshold
                                   ? ReadSettingCount(fields[4], "rank", 0, path, line_number)
                                   : ReadSettingCount(fields[4], "min domain", 1, path, line_number);
  return setting;
}

std::vector<CallSetting> ReadSettings(const std::string &path) {
  std::vector<CallSetting> settings;
  ForEachLine(path, [&](std::string_view line, std::size_t number) {
    const std::vector<std::string_view> fields = BlankSeparatedFields(line);
    if (fields.empty() || fields[0].starts_with('#')) return;
    settings.push_back(ParseSettingLine(line, path, number));
  });
  if (settings.empty()) FailInFile(path, "no settings");
  return settings;
}

std::vector<float> CallerScores(const std::vector<double> &values, int smoothing) {
  // Smoothing 1 is the score file as it stands: a file ClassifyFeatureRows
  // wrote at 1 holds its output already (its text read back is the same
  // text), and any other file is taken as the callers would take it.
  if (smoothing == 1) {
    std::vector<float> read;
    read.reserve(values.size());
    for (const double value : values) read.push_back(static_cast<float>(value));
    return read;
  }
  const std::vector<double> written = ScoresOf(SmoothClipped(values, smoothing), /*raw=*/true);
  std::vector<float> read;
  read.reserve(written.size());
  std::string text;
  for (const double value : written) {
    text.clear();
    AppendFixed6(text, value);
    read.push_back(static_cast<float>(ReadCDouble(text.c_str())));
  }
  return read;
}

std::vector<Call> CallLinkers(const CallSetting &setting, std::span<const float> scores) {
  std::vector<Call> calls;
  if (setting.caller == Caller::kThreshold) {
    for (const Candidate &run : ReportedRuns(scores, setting.threshold, setting.offset, setting.rank_or_min_domain))
      calls.push_back(Call{run.start, run.end, ReportedPeak(run, setting.threshold)});
  } else {
    for (const SegmentLinker &linker :
         SegmentProtein(scores, setting.threshold, setting.rank_or_min_domain, setting.offset))
      calls.push_back(Call{linker.start, linker.end, linker.peak_value});
  }
  return calls;
}

std::span<const float> SweptProteins::Scores(int smoothing, std::size_t protein) const {
  const std::vector<float> &all = scores.at(smoothing);
  const std::size_t end = protein + 1 < first.size() ? first[protein + 1] : all.size();
  return std::span<const float>(all).subspan(first[protein], end - first[protein]);
}

SweptProteins ReadSweptProteins(const std::string &path, const DomainTruth &truth, const std::string &truth_path,
                                const std::vector<int> &smoothings) {
  SweptProteins swept;
  for (const int smoothing : smoothings) swept.scores[smoothing];
  std::size_t residues = 0;
  std::vector<double> values;
  ReadScoreProteinValues(path, [&](std::string_view name, std::span<const double> read, std::size_t first_line) {
    const auto found = truth.index_by_name.find(name);
    if (found == truth.index_by_name.end()) {
      FailAtLine(path, first_line, "protein " + std::string(name) + " is not in " + truth_path);
    }
    const TruthProtein &protein = truth.proteins[found->second];
    // Another length means another sequence, whose positions do not match
    // the domains'.
    if (read.size() != static_cast<std::size_t>(protein.length)) {
      FailAtLine(path, first_line,
                 "length " + std::to_string(read.size()) + " of " + protein.name + " differs from " +
                     std::to_string(protein.length) + " in " + truth_path + " line " +
                     std::to_string(protein.first_line));
    }
    swept.truth_index.push_back(found->second);
    swept.first.push_back(residues);
    swept.true_boundaries.push_back(TrueBoundaries(protein.domains));
    values.assign(read.begin(), read.end());
    for (auto &[smoothing, scores] : swept.scores) {
      const std::vector<float> smoothed = CallerScores(values, smoothing);
      scores.insert(scores.end(), smoothed.begin(), smoothed.end());
    }
    residues += read.size();
  });
  if (swept.truth_index.empty()) FailInFile(path, "no score lines");
  return swept;
}

SettingFigures SweepSetting(const CallSetting &setting, const SweptProteins &proteins, const DomainTruth &truth,
                            int tolerance, std::size_t setting_number, std::string *calls_text) {
  SettingFigures figures;
  std::vector<ProteinEvaluation> evaluations;
  evaluations.reserve(proteins.truth_index.size());
  for (std::size_t i = 0; i < proteins.truth_index.size(); ++i) {
    const TruthProtein &protein = truth.proteins[proteins.truth_index[i]];
    const std::span<const float> scores = proteins.Scores(setting.smoothing, i);
    const std::vector<Call> calls = CallLinkers(setting, scores);
    // Each linker predicts a boundary at its middle, as a report line does.
    std::vector<DoubledPosition> boundaries;
    boundaries.reserve(calls.size());
    for (const Call &call : calls)
      boundaries.push_back(PredictedBoundary(ReportedLinker{protein.name, call.start, call.end, protein.length}));
    ProteinEvaluation evaluation = EvaluateProtein(protein, proteins.true_boundaries[i], boundaries, tolerance);
    if (DomainCount(protein.domains) == 1) {
      ++figures.single_domain_proteins;
      if (calls.empty()) ++figures.single_domain_no_call;
    }
    if (calls_text) {
      AppendProteinCalls(*calls_text, setting_number, protein, scores, calls, boundaries,
                         MatchedInGivenOrder(boundaries, evaluation));
    }
    evaluations.push_back(std::move(evaluation));
  }
  figures.summary = Summarise(evaluations);
  return figures;
}

std::string SweepHeader() {
  return "#smoothing\tcaller\tthreshold\toffset\trank_or_min_domain\ttrue\tpredicted\tmatched\tprecision\trecall\tF1"
         "\tdomain_number_accuracy\tsingle_domain_proteins\tsingle_domain_no_call\n";
}

std::string FormatSweepRow(const CallSetting &setting, const SettingFigures &figures) {
  const EvaluationSummary &summary = figures.summary;
  std::string row;
  AppendInt(row, setting.smoothing);
  row += setting.caller == Caller::kThreshold ? "\tthreshold\t" : "\tsegment\t";
  row += setting.threshold_text;
  for (const long long count :
       {static_cast<long long>(setting.offset), static_cast<long long>(setting.rank_or_min_domain),
        static_cast<long long>(summary.true_boundaries), static_cast<long long>(summary.predicted_boundaries),
        static_cast<long long>(summary.matched)}) {
    row += '\t';
    AppendInt(row, count);
  }
  for (const double ratio : {summary.precision, summary.recall, summary.f1, summary.domain_number_accuracy}) {
    row += '\t';
    AppendFixed6(row, ratio);
  }
  row += '\t';
  AppendInt(row, static_cast<long long>(figures.single_domain_proteins));
  row += '\t';
  AppendFixed6(row, RatioOrZero(figures.single_domain_no_call, figures.single_domain_proteins));
  row += '\n';
  return row;
}

void RunSweepLinkerCalls(const GivenOptions &options, Arguments arguments, std::FILE *out) {
  const std::string score_path = arguments[0];
  const std::string truth_path = arguments[1];
  const std::string settings_path = arguments[2];
  const int tolerance = arguments.size() > 3 ? ReadTolerance(arguments[3]) : kDefaultTolerance;
  const DomainTruth truth =
      ReadDomainTruth(truth_path, options.Has("--domain-ids") ? DomainIds::kInTypeField : DomainIds::kNone);
  const std::vector<CallSetting> settings = ReadSettings(settings_path);
  std::vector<int> smoothings;
  for (const CallSetting &setting : settings) smoothings.push_back(setting.smoothing);
  const SweptProteins proteins = ReadSweptProteins(score_path, truth, truth_path, smoothings);

  ScratchFile calls_file;
  if (options.Has("--calls")) {
    calls_file.reset(std::tmpfile());
    if (!calls_file) Fail("cannot open a temporary file for the calls");
  }
  std::string table = SweepHeader();
  std::string calls;
  for (std::size_t i = 0; i < settings.size(); ++i) {
    const SettingFigures figures =
        SweepSetting(settings[i], proteins, truth, tolerance, i + 1, calls_file ? &calls : nullptr);
    table += FormatSweepRow(settings[i], figures);
    if (calls_file) {
      WriteAll(calls_file.get(), calls);
      calls.clear();
    }
  }
  WriteAll(out, table);
  if (calls_file) CopyScratch(calls_file.get(), out);
}

}  // namespace linkerkit
