// Linker calling: runs of consecutive residues of one protein whose score
// reaches the threshold, listed and reported best first per protein.
#pragma once

#include <compare>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <iterator>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "LineReader.h"
#include "program.h"
#include "track.h"

namespace linkerkit {

// One run. A proteome's score file at a low threshold holds millions of
// runs, so a candidate keeps only numbers (24 bytes) and its record
// "NAME SCORE START END PEAK LENGTH" is rebuilt when it is printed. SCORE is
// the peak value minus the threshold in single precision, printed "%f";
// LENGTH is the sequence length of the run's last line.
struct Candidate {
  std::uint32_t name;  // index into the list's names
  float score;
  int start;
  int end;
  int peak_position;
  int length;
};

// Candidates in blocks of 65,536 (1.5 MiB): the store grows without copying
// what it holds, so a million candidates never stand in memory twice, and
// takes one allocation per block. Its iterators are random access, for
// sorting in place.
class CandidateBlocks {
 public:
  class Iterator {
   public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = Candidate;
    using difference_type = std::ptrdiff_t;
    using pointer = Candidate *;
    using reference = Candidate &;

    Iterator() = default;
    Iterator(CandidateBlocks *blocks, difference_type index) : blocks_(blocks), index_(index) {}
    reference operator*() const { return (*blocks_)[static_cast<std::size_t>(index_)]; }
    pointer operator->() const { return &**this; }
    reference operator[](difference_type n) const { return *(*this + n); }
    Iterator &operator++() { return *this += 1; }
    Iterator &operator--() { return *this -= 1; }
    Iterator operator++(int) { return std::exchange(*this, *this + 1); }
    Iterator operator--(int) { return std::exchange(*this, *this - 1); }
    Iterator &operator+=(difference_type n) {
      index_ += n;
      return *this;
    }
    Iterator &operator-=(difference_type n) { return *this += -n; }
    friend Iterator operator+(Iterator it, difference_type n) { return it += n; }
    friend Iterator operator+(difference_type n, Iterator it) { return it += n; }
    friend Iterator operator-(Iterator it, difference_type n) { return it -= n; }
    friend difference_type operator-(const Iterator &a, const Iterator &b) { return a.index_ - b.index_; }
    friend bool operator==(const Iterator &a, const Iterator &b) { return a.index_ == b.index_; }
    friend auto operator<=>(const Iterator &a, const Iterator &b) { return a.index_ <=> b.index_; }

   private:
    CandidateBlocks *blocks_ = nullptr;
    difference_type index_ = 0;
  };

  void push_back(const Candidate &candidate) {
    if (size_ == blocks_.size() * kBlock) blocks_.push_back(std::make_unique_for_overwrite<Candidate[]>(kBlock));
    (*this)[size_++] = candidate;
  }
  Candidate &operator[](std::size_t i) { return blocks_[i / kBlock][i % kBlock]; }
  const Candidate &operator[](std::size_t i) const { return blocks_[i / kBlock][i % kBlock]; }
  std::size_t size() const { return size_; }
  Iterator begin() { return Iterator(this, 0); }
  Iterator end() { return Iterator(this, static_cast<std::ptrdiff_t>(size_)); }

 private:
  static constexpr std::size_t kBlock = std::size_t{1} << 16;
  std::vector<std::unique_ptr<Candidate[]>> blocks_;
  std::size_t size_ = 0;
};

// The candidates of a scan and the protein names they refer to, each name
// held once.
class CandidateList {
 public:
  CandidateList() = default;
  // A list may hold millions of candidates: it is moved, never copied.
  CandidateList(const CandidateList &) = delete;
  CandidateList &operator=(const CandidateList &) = delete;
  CandidateList(CandidateList &&) = default;
  CandidateList &operator=(CandidateList &&) = default;

  // The index of name, which is added when it is new.
  std::uint32_t NameIndex(std::string_view name);
  void Add(const Candidate &candidate) { candidates_.push_back(candidate); }

  std::string_view Name(const Candidate &candidate) const { return names_[candidate.name]; }
  // The record line without its line feed.
  void AppendRecord(std::string &out, const Candidate &candidate) const;
  std::string Record(const Candidate &candidate) const;
  // The record written at out, which has room for RecordRoom bytes; returns
  // its end. A listing of millions of records is written this way.
  char *WriteRecord(char *out, const Candidate &candidate) const;
  std::size_t RecordRoom(const Candidate &candidate) const { return Name(candidate).size() + 1 + kMostFieldsBytes; }
  // The record after "NAME ": "SCORE START END PEAK LENGTH".
  static void AppendFields(std::string &out, const Candidate &candidate);
  static char *WriteFields(char *out, const Candidate &candidate);
  // The score and four numbers of at most 11 bytes, each after a space.
  static constexpr std::size_t kMostFieldsBytes = kFixed6FloatRoom + 4 * 12;
  // The record's SCORE text read back as a number.
  static double Score(const Candidate &candidate);

  std::size_t size() const { return candidates_.size(); }
  bool empty() const { return candidates_.size() == 0; }
  const Candidate &operator[](std::size_t i) const { return candidates_[i]; }

  // Protein name descending (bytes), then score descending (a "nan" score
  // last), then the whole record descending.
  void Rank();

 private:
  CandidateBlocks candidates_;
  std::vector<std::string> names_;
  // While the names come in one order (name_order_ +1 ascending, -1
  // descending, 0 for fewer than two), a new name that keeps it is none of
  // the names before: a score file in name order is read without looking
  // names up. The index of every name is made once the order breaks.
  int name_order_ = 0;
  std::unordered_map<std::string, std::uint32_t> index_;
};

// Whether a ranks before b among the candidates of one protein: score
// descending (a "nan" score last; scores whose SCORE texts read back alike
// are equal), then the record after the name descending, as text. The
// listing and the report put each protein's candidates in this order.
bool RanksBefore(const Candidate &a, const Candidate &b);

// The calling rule on values, for the scan of score lines and for the calls
// on one protein's scores alike. A line takes part only if its position p
// and its protein's length n pass p > offset and n - p > offset. A run is a
// stretch of such lines of one protein whose values, in single precision,
// are at or above the threshold (so "nan" is never in a run); its peak is
// the earliest highest value, starting from the threshold itself.
class RunRule {
 public:
  RunRule(float threshold, int offset) : threshold_(threshold), offset_(offset) {}

  float threshold() const { return threshold_; }
  // In 64 bits, so that no length and position can overflow the test.
  bool TakesPart(int position, int length) const {
    return position > offset_ && static_cast<long long>(length) - position > offset_;
  }
  bool Reaches(float value) const { return value >= threshold_; }
  bool open() const { return open_; }

  // A line that takes part and reaches the threshold: opens a run or
  // extends the open one.
  void Extend(int position, float value) {
    if (!open_) {
      open_ = true;
      start_ = position;
      peak_ = threshold_;
      peak_position_ = position;
    }
    end_ = position;
    if (value > peak_) {
      peak_ = value;
      peak_position_ = position;
    }
  }

  // Ends the open run: the candidate of protein name, whose last line gave
  // length. SCORE is peak - threshold in single precision.
  Candidate Close(std::uint32_t name, int length) {
    open_ = false;
    return Candidate{name, peak_ - threshold_, start_, end_, peak_position_, length};
  }

 private:
  float threshold_;
  int offset_;
  bool open_ = false;
  int start_ = 0;
  int end_ = 0;
  float peak_ = 0;
  int peak_position_ = 0;
};

// One protein's runs by RunRule, the score at index i being position i of
// the scores.size() residues, in position order; every candidate has name 0.
std::vector<Candidate> FindRuns(std::span<const float> scores, float threshold, int offset);

// What the report says of one protein with these scores: its runs ranked by
// RanksBefore, the first `rank` of them (none for a rank below 1).
std::vector<Candidate> ReportedRuns(std::span<const float> scores, float threshold, int offset, int rank);

// A report line's PEAK: SCORE's text read back as a double plus the
// threshold, narrowed to single precision, so it shows the peak to the
// record's six decimals.
float ReportedPeak(const Candidate &candidate, float threshold);

// The run scan, fed the score lines in file order; it holds only the open
// run and the candidates found. It calls by RunRule, a stretch of lines of
// one name (exact match) being one protein's.
class RunScanner {
 public:
  RunScanner(float threshold, int offset);

  // line is followed by a NUL byte in memory. Fails with the line's number
  // when it lacks the "#", the space after the name or the space before the
  // length.
  void Add(std::string_view line);

  // Every line of lines, in order, as Add takes them; plain lines of the
  // usual shape are read in place, faster.
  void AddAll(LineReader &lines);

  // Ends the open run; the candidates in scan order.
  CandidateList Finish();

 private:
  // Adds the whole plain lines at the start of bytes (followed by a NUL
  // byte in memory) while they have the usual shape; returns the bytes
  // they took.
  std::size_t AddPlainLines(std::string_view bytes);
  bool ReachesFixed(bool negative, std::uint64_t digits) const;
  // A line that can change the run: it is inside one or reaches the
  // threshold.
  void Step(bool reaches, float value, std::string_view name, int position, int length);
  void SetLastName(std::string_view name);
  void CloseRun();

  RunRule rule_;
  // The usual "%f" values reach the threshold when their digits (the value
  // times 10^6 without its sign) are at least positive_least_, or for a
  // negative value at most negative_most_.
  long long positive_least_ = 0;
  long long negative_most_ = 0;
  long long line_number_ = 0;
  std::string run_name_;
  std::string last_name_;  // of the line before
  // The names compare by text only when they may differ: each new
  // last_name_ has a new generation, and run_name_ and indexed_name_ keep
  // the generation they were taken from.
  std::uint64_t name_generation_ = 0;
  std::uint64_t run_name_generation_ = 0;
  std::uint64_t indexed_generation_ = 0;
  std::uint32_t indexed_name_ = 0;  // the candidate list's index of run_name_
  int run_length_ = 0;              // of the run's last line
  CandidateList candidates_;
};

void RankCandidates(CandidateList &candidates);

// Text is handed to the sink in pieces of some tens of kilobytes, so that a
// listing of millions of records is never held whole.
using TextSink = std::function<void(std::string_view text)>;

// The records, one per line.
void WriteListing(const CandidateList &ranked, const TextSink &sink);
std::string FormatListing(const CandidateList &ranked);

// For each protein its first `rank` ranked records as
// "NAME|START,END|RUN LENGTH|PEAK|LENGTH|PEAK POSITION|I", I counting from 1,
// PEAK the ReportedPeak. "No prediction" when there is no candidate at all.
void WriteReport(const CandidateList &ranked, int rank, float threshold, const TextSink &sink);
std::string FormatReport(const CandidateList &ranked, int rank, float threshold);

// ReportDomainHinges [option file] [rank] [threshold]
void RunReportDomainHinges(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
