// Linker calling by domain segmentation: each protein's chain is cut at the
// set of boundaries whose scores over the threshold add up to the most,
// every domain between them at least a minimum length, and each boundary is
// reported as a linker centred on it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "program.h"

namespace linkerkit {

struct SegmentLinker {
  int start;  // from 0, both ends included
  int end;
  int peak_position;  // the boundary, the linker's middle
  float peak_value;   // the boundary's score
};

// The chosen boundaries of one protein's scores as linkers, best first
// (report rank order: peak value descending, then position ascending).
//
// The boundaries b1 < ... < bk of the n scores maximise the sum of
// score[b] - threshold over the chosen b, where every domain [0, b1),
// [b1, b2), ..., [bk, n) is at least min_domain long and every b passes the
// offset rule b > offset and n - b > offset. Only a score above the
// threshold can add to the sum, so no other position is chosen; nan never
// is. The sums are worked out in double precision, an infinite score (or a
// threshold of -inf) counting as an infinite gain that outweighs every
// finite sum, two of them outweighing one. Among choices of equal sum the
// one with fewer boundaries wins, then the one whose boundaries, read from
// the chain's start, come earlier at the first place they differ. A
// dynamic programme from the chain's end with a running best over the
// positions beyond: linear in n.
//
// A boundary b becomes the linker [b - h, b + h] for the largest h >= 0 such
// that every score in it reaches the threshold (>=, single precision), every
// position in it passes the offset rule, and every position in it lies
// strictly nearer to b than to the chosen boundaries beside it.
//
// A min_domain below 1 counts as 1.
std::vector<SegmentLinker> SegmentProtein(std::span<const float> scores, float threshold, int min_domain, int offset);

// One protein's lines of a score file, "VALUE #NAME POSITION LENGTH",
// positions 0 to LENGTH - 1 in order, the values narrowed to single
// precision.
using ScoreProteinSink = std::function<void(std::string_view name, std::span<const float> scores)>;

// Reads the score file as a stream and hands each protein to sink in file
// order, one in memory at a time. Fails with "PATH line N: problem" for a
// malformed line (the value not a number as strtod reads it whole, the
// position or length not a whole decimal number, a length of 0, a name the
// report could not carry), lines of a protein not numbered 0, 1, 2, ...
// up to LENGTH - 1, a LENGTH that changes, a protein that stops short or
// whose lines are not all together; "cannot open PATH" when it cannot be read.
void ReadScoreProteins(const std::string &path, const ScoreProteinSink &sink);

// The same proteins with their values as strtod reads them, before any
// narrowing, and the number of each protein's first line (for messages).
using ScoreValuesSink =
    std::function<void(std::string_view name, std::span<const double> values, std::size_t first_line)>;
void ReadScoreProteinValues(const std::string &path, const ScoreValuesSink &sink);

// Appends one protein's report lines (ReportDomainHinges' report line,
// report_line.h), ranks counted from 1 in the linkers' order.
void AppendSegmentReport(std::string &out, std::string_view name, int length,
                         const std::vector<SegmentLinker> &linkers);

// The report's proteins in descending name order (bytes), as
// ReportDomainHinges orders its report, while they come in file order. Past
// held_limit bytes the report text goes to an unnamed temporary file, so
// that memory holds each protein's name and place alone, however many
// linkers a proteome has.
class NameOrderedReport {
 public:
  explicit NameOrderedReport(std::size_t held_limit = std::size_t{1} << 20) : held_limit_(held_limit) {}
  // One protein's report lines; each name once.
  void Add(std::string_view name, std::string_view text);
  bool empty() const { return proteins_.empty(); }
  // The temporary file is in $TMPDIR (or /tmp). Fails with "cannot write
  // the report's temporary file in DIR" (or "cannot read the report's
  // temporary file back") when the spilled text is lost.
  void WriteTo(std::FILE *out);

 private:
  struct Place {
    std::string name;
    std::uint64_t offset;  // in the report text as added
    std::uint64_t size;
  };
  struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
  };
  void Spill();
  std::size_t held_limit_;
  std::vector<Place> proteins_;
  std::string held_;           // the text after the spilled part
  std::uint64_t spilled_ = 0;  // bytes in the temporary file
  std::unique_ptr<std::FILE, FileCloser> spill_;
};

// SegmentDomains [score file] [threshold] [min domain length] [offset]: the
// report on out, proteins in descending name order (bytes), or the single
// line "No prediction" when no protein has a linker. The threshold is a
// finite decimal number, narrowed to single precision; the minimum domain
// length a whole number of at least 1; the offset a whole number.
void RunSegmentDomains(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
