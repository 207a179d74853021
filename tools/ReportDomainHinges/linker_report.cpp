#include "linker_report.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "LineReader.h"
#include "cnumber.h"
#include "failure.h"
#include "options.h"
#include "output_file.h"
#include "track.h"

namespace linkerkit {

namespace {

bool RanksBefore(const Candidate &a, const Candidate &b) {
  if (a.Name() != b.Name()) return a.Name() > b.Name();
  const bool a_nan = std::isnan(a.score);
  const bool b_nan = std::isnan(b.score);
  if (a_nan != b_nan) return b_nan;
  if (!a_nan && a.score != b.score) return a.score > b.score;
  return a.record > b.record;
}

}  // namespace

void RunScanner::Add(const char *text) {
  ++line_number_;
  const auto line = ParseScoreLine(text);
  if (!line) Fail("malformed score line " + std::to_string(line_number_) + ": expected VALUE #NAME POSITION LENGTH");
  const float value = static_cast<float>(line->value);
  const bool reaches = value >= threshold_;
  // Outside a run a line below the threshold changes nothing, filtered or
  // not: most lines end here without their integers being read.
  if (!in_run_ && !reaches) return;
  const int position = line->Position();
  const int length = line->Length();
  // In 64 bits, so that no length and position can overflow the test.
  if (position <= offset_ || static_cast<long long>(length) - position <= offset_) return;
  if (in_run_ && (!reaches || line->name != run_name_)) CloseRun();
  if (!reaches) return;
  if (!in_run_) {
    in_run_ = true;
    run_name_.assign(line->name);
    run_start_ = position;
    run_peak_ = threshold_;
    run_peak_position_ = position;
  }
  run_end_ = position;
  run_length_ = length;
  if (value > run_peak_) {
    run_peak_ = value;
    run_peak_position_ = position;
  }
}

std::vector<Candidate> RunScanner::Finish() {
  if (in_run_) CloseRun();
  return std::move(candidates_);
}

void RunScanner::CloseRun() {
  in_run_ = false;
  const float score = run_peak_ - threshold_;
  Candidate candidate{run_name_, run_name_.size(), 0.0, run_start_, run_end_, run_peak_position_, run_length_};
  candidate.record += ' ';
  AppendFixed6(candidate.record, static_cast<double>(score));
  candidate.score = ReadCDouble(candidate.record.c_str() + candidate.name_length + 1);
  for (const int field : {run_start_, run_end_, run_peak_position_, run_length_}) {
    candidate.record += ' ';
    AppendInt(candidate.record, field);
  }
  candidates_.push_back(std::move(candidate));
}

void RankCandidates(std::vector<Candidate> &candidates) { std::sort(candidates.begin(), candidates.end(), RanksBefore); }

std::string FormatListing(const std::vector<Candidate> &ranked) {
  std::string listing;
  for (const Candidate &candidate : ranked) {
    listing += candidate.record;
    listing += '\n';
  }
  return listing;
}

std::string FormatReport(const std::vector<Candidate> &ranked, int rank, float threshold) {
  if (ranked.empty()) return "No prediction\n";
  std::string report;
  std::size_t group_start = 0;
  for (std::size_t i = 0; i < ranked.size(); ++i) {
    const Candidate &candidate = ranked[i];
    if (candidate.Name() != ranked[group_start].Name()) group_start = i;
    const long long place = static_cast<long long>(i - group_start) + 1;
    if (place > rank) continue;
    const float peak = static_cast<float>(candidate.score + static_cast<double>(threshold));
    report += candidate.Name();
    report += '|';
    AppendInt(report, candidate.start);
    report += ',';
    AppendInt(report, candidate.end);
    report += '|';
    AppendInt(report, static_cast<long long>(candidate.end) - candidate.start + 1);
    report += '|';
    AppendFixed6(report, static_cast<double>(peak));
    report += '|';
    AppendInt(report, candidate.length);
    report += '|';
    AppendInt(report, candidate.peak_position);
    report += '|';
    AppendInt(report, place);
    report += '\n';
  }
  return report;
}

void RunReportDomainHinges(Arguments arguments, std::FILE *out) {
  const std::string options_path = arguments[0];
  OptionsRead options = ReadOption(options_path);
  WriteAll(out, options.messages);
  ReportSettings &settings = options.settings;
  settings.rank = ReadCInt(arguments[1]);
  if (!settings.smoothing_file) Fail("options file " + options_path + " sets no NormalizedFile");
  if (!settings.output_file) Fail("options file " + options_path + " sets no OutputFile");

  LineReader scores(settings.smoothing_file->c_str());
  if (!scores.IsOpen()) FailCannotOpen(*settings.smoothing_file);
  settings.threshold = static_cast<float>(ReadCDouble(arguments[2]));
  // Created before the scan: a report that cannot be written is known before
  // a long score file is read, and a failed run leaves the old report alone.
  AtomicOutputFile report(*settings.output_file);

  RunScanner scanner(settings.threshold, settings.offset);
  std::string_view line;
  while (scores.Next(line)) scanner.Add(line.data());
  std::vector<Candidate> candidates = scanner.Finish();
  if (scores.HadReadError()) FailCannotOpen(*settings.smoothing_file);

  RankCandidates(candidates);
  report.Write(FormatReport(candidates, settings.rank, settings.threshold));
  // The report is in place before the listing starts, so a report that
  // cannot be written leaves its one-line message alone on standard output.
  report.Commit();
  WriteAll(out, FormatListing(candidates));
}

}  // namespace linkerkit
