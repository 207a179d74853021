// Linker calling: runs of consecutive residues of one protein whose score
// reaches the threshold, listed and reported best first per protein.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "program.h"

namespace linkerkit {

// One run, and its record "NAME SCORE START END PEAK LENGTH" as listed on
// standard output. SCORE is the peak value minus the threshold in single
// precision, printed "%f"; LENGTH is the sequence length of the run's last
// line.
struct Candidate {
  std::string record;
  std::size_t name_length;
  double score;  // the record's SCORE text read back as a number
  int start;
  int end;
  int peak_position;
  int length;

  std::string_view Name() const { return std::string_view(record).substr(0, name_length); }
};

// The run scan, fed the score lines in file order; it holds only the open
// run and the candidates found. A line is seen only if its position p and
// length n pass p > offset and n - p > offset. A run is a stretch of seen
// lines of one name (exact match) whose values, narrowed to single precision,
// are at or above the threshold (so "nan" is never in a run); its peak is the
// earliest highest value, starting from the threshold itself.
class RunScanner {
 public:
  RunScanner(float threshold, int offset) : threshold_(threshold), offset_(offset) {}

  // line is NUL-terminated. Fails with the line's number when it lacks the
  // "#", the space after the name or the space before the length.
  void Add(const char *line);

  // Ends the open run; the candidates in scan order.
  std::vector<Candidate> Finish();

 private:
  void CloseRun();

  float threshold_;
  int offset_;
  long long line_number_ = 0;
  bool in_run_ = false;
  std::string run_name_;
  int run_start_ = 0;
  int run_end_ = 0;
  int run_length_ = 0;
  float run_peak_ = 0;
  int run_peak_position_ = 0;
  std::vector<Candidate> candidates_;
};

// Protein name descending (bytes), then score descending (a "nan" score
// last), then the whole record descending.
void RankCandidates(std::vector<Candidate> &candidates);

// The records, one per line.
std::string FormatListing(const std::vector<Candidate> &ranked);

// For each protein its first `rank` ranked records as
// "NAME|START,END|RUN LENGTH|PEAK|LENGTH|PEAK POSITION|I", I counting from 1.
// PEAK is rebuilt from the record: SCORE read as a double plus the threshold,
// narrowed to single precision, so it shows the peak to the record's six
// decimals. "No prediction" when there is no candidate at all.
std::string FormatReport(const std::vector<Candidate> &ranked, int rank, float threshold);

// ReportDomainHinges [option file] [rank] [threshold]
void RunReportDomainHinges(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
