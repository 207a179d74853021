#include "segment_domains.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <unordered_set>

#include "arguments.h"
#include "cnumber.h"
#include "failure.h"
#include "lines.h"
#include "output_file.h"
#include "report_line.h"
#include "track.h"

namespace linkerkit {

namespace {

// What a choice of boundaries is worth. Infinite gains are counted apart
// from the finite sum, so that two of them outweigh one.
struct Worth {
  long long infinite = 0;
  double finite = 0;
  int boundaries = 0;
};

// a is the better choice: the larger sum, then fewer boundaries.
bool Outweighs(const Worth &a, const Worth &b) {
  if (a.infinite != b.infinite) return a.infinite > b.infinite;
  if (a.finite != b.finite) return a.finite > b.finite;
  return a.boundaries < b.boundaries;
}

// The best choice among the boundaries from some position on, and its first
// boundary (-1: none, the empty choice).
struct Choice {
  Worth worth;
  long long first = -1;
};

// The chosen boundaries, ascending.
std::vector<long long> ChooseBoundaries(std::span<const float> scores, float threshold, long long min_domain,
                                        long long offset) {
  const long long n = static_cast<long long>(scores.size());
  // Where a boundary may stand: both end domains long enough, and the
  // offset rule.
  const long long lowest = std::max(min_domain, offset + 1);
  const long long highest = std::min(n - min_domain, n - offset - 1);
  if (lowest > highest) return {};
  // best[i]: the best choice of boundaries all at i or later; next[b]: the
  // boundary after b in the best choice that starts at b.
  std::vector<Choice> best(static_cast<std::size_t>(n) + 1);
  std::vector<long long> next(static_cast<std::size_t>(n), -1);
  for (long long b = highest; b >= lowest; --b) {
    Choice here = best[b + 1];
    if (scores[b] > threshold) {
      // b + min_domain <= n, as b <= n - min_domain.
      const Choice &rest = best[b + min_domain];
      Worth worth = rest.worth;
      const double gain = static_cast<double>(scores[b]) - static_cast<double>(threshold);
      if (std::isinf(gain)) {
        ++worth.infinite;
      } else {
        worth.finite += gain;
      }
      ++worth.boundaries;
      next[b] = rest.first;
      // At equal worth the choice starting earlier wins.
      if (!Outweighs(here.worth, worth)) here = Choice{worth, b};
    }
    best[b] = here;
  }
  std::vector<long long> chosen;
  for (long long b = best[lowest].first; b >= 0; b = next[b]) chosen.push_back(b);
  return chosen;
}

}  // namespace

std::vector<SegmentLinker> SegmentProtein(std::span<const float> scores, float threshold, int min_domain, int offset) {
  const long long n = static_cast<long long>(scores.size());
  const std::vector<long long> chosen = ChooseBoundaries(scores, threshold, std::max(min_domain, 1), offset);
  const auto passes_offset = [&](long long position) { return position > offset && n - position > offset; };
  std::vector<SegmentLinker> linkers;
  for (std::size_t i = 0; i < chosen.size(); ++i) {
    const long long b = chosen[i];
    // The stretch stays strictly nearer to b than to its neighbours: 2h is
    // below the gap to each.
    const long long room_before = i > 0 ? b - chosen[i - 1] : n + n;
    const long long room_after = i + 1 < chosen.size() ? chosen[i + 1] - b : n + n;
    long long h = 0;
    while (true) {
      const long long before = b - h - 1;
      const long long after = b + h + 1;
      if (before < 0 || after >= n || !passes_offset(before) || !passes_offset(after)) break;
      if (2 * (h + 1) >= room_before || 2 * (h + 1) >= room_after) break;
      if (!(scores[before] >= threshold && scores[after] >= threshold)) break;
      ++h;
    }
    linkers.push_back({static_cast<int>(b - h), static_cast<int>(b + h), static_cast<int>(b), scores[b]});
  }
  std::sort(linkers.begin(), linkers.end(), [](const SegmentLinker &a, const SegmentLinker &b) {
    if (a.peak_value != b.peak_value) return a.peak_value > b.peak_value;
    return a.peak_position < b.peak_position;
  });
  return linkers;
}

namespace {

constexpr const char *kExpectedLine = "expected VALUE #NAME POSITION LENGTH";

// The protein whose lines are being read.
class ProteinInProgress {
 public:
  bool open() const { return !name_.empty(); }
  const std::string &name() const { return name_; }
  bool complete() const { return static_cast<long long>(scores_.size()) == length_; }
  std::string Shortfall() const {
    return "protein " + name_ + " ends after " + std::to_string(scores_.size()) + " of its " + std::to_string(length_) +
           " lines";
  }

  void Start(std::string_view name, int length, std::size_t first_line) {
    name_.assign(name);
    length_ = length;
    first_line_ = first_line;
    scores_.clear();
  }
  void Add(double value) { scores_.push_back(value); }
  int length() const { return length_; }
  std::size_t first_line() const { return first_line_; }
  long long next_position() const { return static_cast<long long>(scores_.size()); }
  std::span<const double> scores() const { return scores_; }
  void Close() { name_.clear(); }

 private:
  std::string name_;
  int length_ = 0;
  std::size_t first_line_ = 0;
  std::vector<double> scores_;
};

}  // namespace

void ReadScoreProteins(const std::string &path, const ScoreProteinSink &sink) {
  std::vector<float> narrowed;
  ReadScoreProteinValues(path, [&](std::string_view name, std::span<const double> values, std::size_t) {
    narrowed.clear();
    for (const double value : values) narrowed.push_back(static_cast<float>(value));
    sink(name, narrowed);
  });
}

void ReadScoreProteinValues(const std::string &path, const ScoreValuesSink &sink) {
  ProteinInProgress protein;
  std::unordered_set<std::string> finished;
  std::size_t last_line = 0;
  const auto hand_over = [&] {
    sink(protein.name(), protein.scores(), protein.first_line());
    finished.insert(protein.name());
    protein.Close();
  };
  ForEachLine(path, [&](std::string_view text, std::size_t number) {
    last_line = number;
    const auto fail = [&](const std::string &problem) { FailAtLine(path, number, problem); };
    const std::optional<ScoreLine> line = ParseScoreLine(text.data());
    if (!line) fail(kExpectedLine);
    // The value runs to the "#", blanks before it allowed.
    std::string value_text(text.substr(0, static_cast<std::size_t>(line->name.data() - 1 - text.data())));
    while (!value_text.empty() && (value_text.back() == ' ' || value_text.back() == '\t')) value_text.pop_back();
    const std::optional<double> value = ReadWholeCDouble(value_text);
    const std::string_view position_text(line->position_text,
                                         static_cast<std::size_t>(line->length_text - 1 - line->position_text));
    const std::optional<int> position = ReadWholeNumber(position_text);
    const std::optional<int> length = ReadWholeNumber(line->length_text);
    if (!value || !position || !length) fail(kExpectedLine);
    if (const std::string problem = ProteinNameProblem(line->name); !problem.empty()) fail(problem);
    if (*length < 1) fail("protein " + std::string(line->name) + " has length 0");

    if (protein.open() && line->name != protein.name()) {
      if (!protein.complete()) fail(protein.Shortfall());
      hand_over();
    }
    if (!protein.open()) {
      if (finished.contains(std::string(line->name))) {
        fail("protein " + std::string(line->name) + " appears again after other proteins' lines");
      }
      protein.Start(line->name, *length, number);
    }
    if (*length != protein.length()) {
      fail("protein " + protein.name() + " has length " + std::to_string(*length) + " here and " +
           std::to_string(protein.length()) + " on its earlier lines");
    }
    if (protein.complete()) {
      fail("protein " + protein.name() + " has all its " + std::to_string(protein.length()) + " lines already");
    }
    if (*position != protein.next_position()) {
      fail("protein " + protein.name() + " has position " + std::to_string(*position) + " where " +
           std::to_string(protein.next_position()) + " was due");
    }
    protein.Add(*value);
  });
  if (protein.open()) {
    if (!protein.complete()) FailAtLine(path, last_line, protein.Shortfall());
    hand_over();
  }
}

void AppendSegmentReport(std::string &out, std::string_view name, int length,
                         const std::vector<SegmentLinker> &linkers) {
  long long rank = 0;
  for (const SegmentLinker &linker : linkers) {
    AppendReportLine(out, name, linker.start, linker.end, linker.peak_value, length, linker.peak_position, ++rank);
  }
}

void RunSegmentDomains(Arguments arguments, std::FILE *out) {
  const std::string path = arguments[0];
  const std::string threshold_text = arguments[1];
  const std::optional<double> threshold = ReadFiniteDecimal(threshold_text);
  if (!threshold) Fail("invalid threshold '" + threshold_text + "': expected a finite decimal number");
  const std::optional<int> min_domain = ReadPlainCount(arguments[2]);
  if (!min_domain || *min_domain < 1) {
    Fail(std::string("invalid min domain length '") + arguments[2] + "': expected a whole number, 1 or more");
  }
  const std::optional<int> offset = ReadPlainCount(arguments[3]);
  if (!offset) Fail(std::string("invalid offset '") + arguments[3] + "': expected a whole number, 0 or more");

  NameOrderedReport report;
  std::string lines;
  ReadScoreProteins(path, [&](std::string_view name, std::span<const float> scores) {
    const std::vector<SegmentLinker> linkers =
        SegmentProtein(scores, static_cast<float>(*threshold), *min_domain, *offset);
    if (linkers.empty()) return;
    lines.clear();
    AppendSegmentReport(lines, name, static_cast<int>(scores.size()), linkers);
    report.Add(name, lines);
  });
  if (report.empty()) {
    WriteAll(out, kNoPredictionLine);
    return;
  }
  report.WriteTo(out);
}

void NameOrderedReport::Add(std::string_view name, std::string_view text) {
  proteins_.push_back({std::string(name), spilled_ + held_.size(), text.size()});
  held_ += text;
  if (held_.size() > held_limit_) Spill();
}

namespace {

[[noreturn]] void FailSpilling() { Fail("cannot write the report's temporary file in " + TemporaryFolder()); }

}  // namespace

void NameOrderedReport::Spill() {
  const std::string folder = TemporaryFolder();
  const auto fail = [] { FailSpilling(); };
  if (!spill_) {
    // Unnamed once open: nothing is left behind, however the run ends.
    std::string pattern = folder + "/linkerkit-report-XXXXXX";
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) fail();
    unlink(pattern.c_str());
    spill_.reset(fdopen(descriptor, "w+b"));
    if (!spill_) {
      close(descriptor);
      fail();
    }
  }
  if (std::fwrite(held_.data(), 1, held_.size(), spill_.get()) != held_.size()) fail();
  spilled_ += held_.size();
  held_.clear();
}

void NameOrderedReport::WriteTo(std::FILE *out) {
  std::sort(proteins_.begin(), proteins_.end(), [](const Place &a, const Place &b) { return a.name > b.name; });
  if (spill_ && std::fflush(spill_.get()) != 0) FailSpilling();
  std::string text;
  for (const Place &protein : proteins_) {
    // A protein's text lies whole on one side: it is spilled with the rest
    // of what is held.
    if (protein.offset >= spilled_) {
      WriteAll(out, std::string_view(held_).substr(protein.offset - spilled_, protein.size));
      continue;
    }
    text.resize(protein.size);
    if (pread(fileno(spill_.get()), text.data(), text.size(), static_cast<off_t>(protein.offset)) !=
        static_cast<ssize_t>(text.size())) {
      Fail("cannot read the report's temporary file back");
    }
    WriteAll(out, text);
  }
}

}  // namespace linkerkit
