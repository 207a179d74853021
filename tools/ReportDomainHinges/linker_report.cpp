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

std::uint32_t CandidateList::NameIndex(std::string_view name) {
  // Runs of one protein follow each other: the last name is the usual one.
  if (!names_.empty() && *names_.back() == name) return static_cast<std::uint32_t>(names_.size() - 1);
  const auto [entry, added] = index_.try_emplace(std::string(name), static_cast<std::uint32_t>(names_.size()));
  if (added) names_.push_back(&entry->first);
  return entry->second;
}

void CandidateList::AppendRecord(std::string &out, const Candidate &candidate) const {
  out += Name(candidate);
  out += ' ';
  AppendFixed6(out, candidate.score);
  for (const int field : {candidate.start, candidate.end, candidate.peak_position, candidate.length}) {
    out += ' ';
    AppendInt(out, field);
  }
}

std::string CandidateList::Record(const Candidate &candidate) const {
  std::string record;
  AppendRecord(record, candidate);
  return record;
}

double CandidateList::Score(const Candidate &candidate) {
  std::string text;
  AppendFixed6(text, candidate.score);
  return ReadCDouble(text.c_str());
}

void CandidateList::Rank() {
  // Each name's place in descending byte order, so that candidates compare
  // names by one integer.
  std::vector<std::uint32_t> by_name(names_.size());
  for (std::uint32_t i = 0; i < by_name.size(); ++i) by_name[i] = i;
  std::sort(by_name.begin(), by_name.end(), [&](std::uint32_t a, std::uint32_t b) { return *names_[a] > *names_[b]; });
  std::vector<std::uint32_t> place(names_.size());
  for (std::uint32_t i = 0; i < by_name.size(); ++i) place[by_name[i]] = i;

  // The scores compare as their six-decimal SCORE texts read back, so two
  // floats that print alike are equal and their records decide. Floats more
  // than 10^-5 apart never print alike, and their own order is the texts'.
  const auto ranks_before = [&](const Candidate &a, const Candidate &b) {
    if (a.name != b.name) return place[a.name] < place[b.name];
    const bool a_nan = std::isnan(a.score);
    const bool b_nan = std::isnan(b.score);
    if (a_nan != b_nan) return b_nan;
    if (!a_nan && a.score != b.score) {
      if (std::fabs(static_cast<double>(a.score) - static_cast<double>(b.score)) > 1e-5) return a.score > b.score;
      const double a_score = Score(a);
      const double b_score = Score(b);
      if (a_score != b_score) return a_score > b_score;
    }
    return Record(a) > Record(b);
  };
  std::sort(candidates_.begin(), candidates_.end(), ranks_before);
}

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

CandidateList RunScanner::Finish() {
  if (in_run_) CloseRun();
  return std::move(candidates_);
}

void RunScanner::CloseRun() {
  in_run_ = false;
  candidates_.Add({candidates_.NameIndex(run_name_), run_peak_ - threshold_, run_start_, run_end_, run_peak_position_,
                   run_length_});
}

void RankCandidates(CandidateList &candidates) { candidates.Rank(); }

namespace {

constexpr std::size_t kPiece = 1 << 16;

// Hands text to sink whenever a piece is full, and the rest at the end.
class PieceWriter {
 public:
  explicit PieceWriter(const TextSink &sink) : sink_(sink) { text_.reserve(kPiece + 512); }
  std::string &text() { return text_; }
  void LineDone() {
    if (text_.size() >= kPiece) Flush();
  }
  void Flush() {
    if (!text_.empty()) sink_(text_);
    text_.clear();
  }

 private:
  const TextSink &sink_;
  std::string text_;
};

std::string Collect(const std::function<void(const TextSink &)> &write) {
  std::string all;
  write([&](std::string_view text) { all += text; });
  return all;
}

}  // namespace

void WriteListing(const CandidateList &ranked, const TextSink &sink) {
  PieceWriter writer(sink);
  for (std::size_t i = 0; i < ranked.size(); ++i) {
    ranked.AppendRecord(writer.text(), ranked[i]);
    writer.text() += '\n';
    writer.LineDone();
  }
  writer.Flush();
}

std::string FormatListing(const CandidateList &ranked) {
  return Collect([&](const TextSink &sink) { WriteListing(ranked, sink); });
}

void WriteReport(const CandidateList &ranked, int rank, float threshold, const TextSink &sink) {
  if (ranked.empty()) {
    sink("No prediction\n");
    return;
  }
  PieceWriter writer(sink);
  std::string &report = writer.text();
  std::size_t group_start = 0;
  for (std::size_t i = 0; i < ranked.size(); ++i) {
    const Candidate &candidate = ranked[i];
    if (candidate.name != ranked[group_start].name) group_start = i;
    const long long place = static_cast<long long>(i - group_start) + 1;
    if (place > rank) continue;
    const float peak = static_cast<float>(CandidateList::Score(candidate) + static_cast<double>(threshold));
    report += ranked.Name(candidate);
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
    writer.LineDone();
  }
  writer.Flush();
}

std::string FormatReport(const CandidateList &ranked, int rank, float threshold) {
  return Collect([&](const TextSink &sink) { WriteReport(ranked, rank, threshold, sink); });
}

void RunReportDomainHinges(Arguments arguments, std::FILE *out) {
  const std::string options_path = arguments[0];
  OptionsRead options = ReadOption(options_path);
  WriteAll(out, options.messages);
  ReportSettings &settings = options.settings;
  settings.rank = ReadCInt(arguments[1]);
  if (!settings.smoothing_file) Fail("options file " + options_path + " sets no NormalizedFile");
  if (!settings.output_file) Fail("options file " + options_path + " sets no OutputFile");
  RefuseOutputOverInputs({*settings.output_file}, {*settings.smoothing_file, options_path});

  LineReader scores(settings.smoothing_file->c_str());
  if (!scores.IsOpen()) FailCannotOpen(*settings.smoothing_file);
  settings.threshold = static_cast<float>(ReadCDouble(arguments[2]));
  // Created before the scan: a report that cannot be written is known before
  // a long score file is read, and a failed run leaves the old report alone.
  AtomicOutputFile report(*settings.output_file);

  RunScanner scanner(settings.threshold, settings.offset);
  std::string_view line;
  while (scores.Next(line)) scanner.Add(line.data());
  CandidateList candidates = scanner.Finish();
  if (scores.HadReadError()) FailCannotOpen(*settings.smoothing_file);

  RankCandidates(candidates);
  WriteReport(candidates, settings.rank, settings.threshold, [&](std::string_view text) { report.Write(text); });
  // The report is in place before the listing starts, so a report that
  // cannot be written leaves its one-line message alone on standard output.
  report.Commit();
  WriteListing(candidates, [&](std::string_view text) { WriteAll(out, text); });
}

}  // namespace linkerkit
