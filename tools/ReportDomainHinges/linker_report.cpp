#include "linker_report.h"

#include <algorithm>
#include <cmath>

#include "LineReader.h"
#include "cnumber.h"
#include "failure.h"
#include "options.h"
#include "output_file.h"
#include "track.h"

namespace linkerkit {

namespace {

struct OpenRun {
  std::string name;
  int start = 0;
  int end = 0;
  int length = 0;
  float peak = 0;
  int peak_position = 0;
};

Candidate CloseRun(const OpenRun &run, float threshold) {
  const float score = run.peak - threshold;
  Candidate candidate{run.name, run.name.size(), 0.0, run.start, run.end, run.peak_position, run.length};
  candidate.record += ' ';
  AppendFixed6(candidate.record, static_cast<double>(score));
  candidate.score = ReadCDouble(candidate.record.c_str() + candidate.name_length + 1);
  for (const int field : {run.start, run.end, run.peak_position, run.length}) {
    candidate.record += ' ';
    AppendInt(candidate.record, field);
  }
  return candidate;
}

bool RanksBefore(const Candidate &a, const Candidate &b) {
  if (a.Name() != b.Name()) return a.Name() > b.Name();
  const bool a_nan = std::isnan(a.score);
  const bool b_nan = std::isnan(b.score);
  if (a_nan != b_nan) return b_nan;
  if (!a_nan && a.score != b.score) return a.score > b.score;
  return a.record > b.record;
}

}  // namespace

std::vector<Candidate> FindCandidates(const LineSource &next_line, float threshold, int offset) {
  std::vector<Candidate> candidates;
  OpenRun run;
  bool in_run = false;
  long long line_number = 0;
  while (const char *text = next_line()) {
    ++line_number;
    const auto line = ParseScoreLine(text);
    if (!line) Fail("malformed score line " + std::to_string(line_number) + ": expected VALUE #NAME POSITION LENGTH");
    // In 64 bits, so that no length and position can overflow the test.
    const long long position = line->position;
    if (position <= offset || line->length - position <= offset) continue;
    const float value = static_cast<float>(line->value);
    const bool reaches = value >= threshold;
    if (in_run && (!reaches || line->name != run.name)) {
      candidates.push_back(CloseRun(run, threshold));
      in_run = false;
    }
    if (!reaches) continue;
    if (!in_run) {
      run.name.assign(line->name);
      run.start = line->position;
      run.peak = threshold;
      run.peak_position = line->position;
      in_run = true;
    }
    run.end = line->position;
    run.length = line->length;
    if (value > run.peak) {
      run.peak = value;
      run.peak_position = line->position;
    }
  }
  if (in_run) candidates.push_back(CloseRun(run, threshold));
  return candidates;
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

  std::vector<Candidate> candidates = FindCandidates(
      [&scores]() -> const char * {
        std::string_view line;
        return scores.Next(line) ? line.data() : nullptr;
      },
      settings.threshold, settings.offset);
  if (scores.HadReadError()) FailCannotOpen(*settings.smoothing_file);

  RankCandidates(candidates);
  report.Write(FormatReport(candidates, settings.rank, settings.threshold));
  // The report is in place before the listing starts, so a report that
  // cannot be written leaves its one-line message alone on standard output.
  report.Commit();
  WriteAll(out, FormatListing(candidates));
}

}  // namespace linkerkit
