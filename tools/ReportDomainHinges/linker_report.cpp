#include "linker_report.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "LineReader.h"
#include "cnumber.h"
#include "failure.h"
#include "options.h"
#include "output_file.h"
#include "report_line.h"
#include "track.h"

namespace linkerkit {

std::uint32_t CandidateList::NameIndex(std::string_view name) {
  const auto next = static_cast<std::uint32_t>(names_.size());
  // Runs of one protein follow each other: the last name is the usual one.
  if (!names_.empty() && names_.back() == name) return next - 1;
  if (index_.empty()) {
    const int order = names_.empty() ? 0 : (name > names_.back() ? 1 : -1);
    if (name_order_ == 0 || order == name_order_) {
      name_order_ = order;
      names_.emplace_back(name);
      return next;
    }
    for (std::uint32_t i = 0; i < next; ++i) index_.emplace(names_[i], i);
  }
  const auto [entry, added] = index_.try_emplace(std::string(name), next);
  if (added) names_.emplace_back(name);
  return entry->second;
}

void CandidateList::AppendRecord(std::string &out, const Candidate &candidate) const {
  const std::size_t at = out.size();
  out.resize(at + RecordRoom(candidate));
  out.resize(static_cast<std::size_t>(WriteRecord(out.data() + at, candidate) - out.data()));
}

char *CandidateList::WriteRecord(char *out, const Candidate &candidate) const {
  const std::string_view name = Name(candidate);
  out = std::copy(name.begin(), name.end(), out);
  *out++ = ' ';
  return WriteFields(out, candidate);
}

void CandidateList::AppendFields(std::string &out, const Candidate &candidate) {
  const std::size_t at = out.size();
  out.resize(at + kMostFieldsBytes);
  out.resize(static_cast<std::size_t>(WriteFields(out.data() + at, candidate) - out.data()));
}

char *CandidateList::WriteFields(char *out, const Candidate &candidate) {
  out = WriteFixed6(out, candidate.score);
  for (const int field : {candidate.start, candidate.end, candidate.peak_position, candidate.length}) {
    *out++ = ' ';
    out = std::to_chars(out, out + 11, field).ptr;
  }
  return out;
}

std::string CandidateList::Record(const Candidate &candidate) const {
  std::string record;
  AppendRecord(record, candidate);
  return record;
}

double CandidateList::Score(const Candidate &candidate) {
  if (const std::optional<Fixed6Count> count = CountFixed6(candidate.score)) {
    const double value = static_cast<double>(count->millionths) / 1e6;
    return count->negative ? -value : value;
  }
  std::string text;
  AppendFixed6(text, candidate.score);
  return ReadCDouble(text.c_str());
}

namespace {

// RanksBefore, the usual case decided without a call: scores more than
// 10^-5 apart (not "nan") rank as their floats.
bool RanksBeforeByScore(const Candidate &a, const Candidate &b) {
  if (std::fabs(static_cast<double>(a.score) - static_cast<double>(b.score)) > 1e-5) return a.score > b.score;
  return RanksBefore(a, b);
}

// Sorts the n keys at keys in descending order, with no branch that depends
// on them, using scratch for as many. The key before and the key after
// both stretches must be readable: they are read and never taken.
void MergeSortDescending(std::uint64_t *keys, std::uint64_t *scratch, std::ptrdiff_t n) {
  std::uint64_t *from = keys;
  std::uint64_t *to = scratch;
  // Runs of four are sorted first by a network of five exchanges, which a
  // processor works through side by side; a shorter last run is sorted as
  // it is.
  const auto exchange = [](std::uint64_t &larger, std::uint64_t &smaller) {
    const std::uint64_t low = std::min(larger, smaller);
    larger = std::max(larger, smaller);
    smaller = low;
  };
  std::ptrdiff_t run = 0;
  for (; run + 4 <= n; run += 4) {
    std::uint64_t *const k = from + run;
    exchange(k[0], k[1]);
    exchange(k[2], k[3]);
    exchange(k[0], k[2]);
    exchange(k[1], k[3]);
    exchange(k[1], k[2]);
  }
  std::sort(from + run, from + n, std::greater<>());
  // The choices are made by masks, which compilers keep free of branches.
  const auto choose = [](std::uint64_t take_first, std::uint64_t first, std::uint64_t second) {
    const std::uint64_t mask = 0 - take_first;
    return (first & mask) | (second & ~mask);
  };
  for (std::ptrdiff_t width = 4; width < n; width *= 2) {
    for (std::ptrdiff_t left = 0; left < n; left += 2 * width) {
      const std::ptrdiff_t middle = std::min(left + width, n);
      const std::ptrdiff_t right = std::min(left + 2 * width, n);
      // Two merges go side by side, each on its own: the larger keys from
      // the front, the smaller from the back.
      std::ptrdiff_t front_left = left;
      std::ptrdiff_t front_right = middle;
      std::ptrdiff_t back_left = middle - 1;
      std::ptrdiff_t back_right = right - 1;
      std::ptrdiff_t front = left;
      std::ptrdiff_t back = right - 1;
      const auto take_front = [&] {
        const std::uint64_t a = from[front_left];
        const std::uint64_t b = from[front_right];
        const auto take_left = static_cast<std::uint64_t>((front_right == right) | ((front_left < middle) & (a > b)));
        to[front++] = choose(take_left, a, b);
        front_left += static_cast<std::ptrdiff_t>(take_left);
        front_right += static_cast<std::ptrdiff_t>(1 - take_left);
      };
      for (std::ptrdiff_t step = 0; step < (right - left) / 2; ++step) {
        take_front();
        const std::uint64_t a = from[back_left];
        const std::uint64_t b = from[back_right];
        const auto take_left = static_cast<std::uint64_t>((back_right < middle) | ((back_left >= left) & (a < b)));
        to[back--] = choose(take_left, a, b);
        back_left -= static_cast<std::ptrdiff_t>(take_left);
        back_right -= static_cast<std::ptrdiff_t>(1 - take_left);
      }
      if ((right - left) % 2 != 0) take_front();
    }
    std::swap(from, to);
  }
  if (from != keys) std::copy(from, from + n, keys);
}

// Puts one protein's runs in RanksBefore order. Their scores come in no
// order, on which a comparison sort mispredicts about every other
// comparison: so they are merge-sorted on keys (a score's bits, which order
// non-negative floats, above the run's index), and only runs whose scores
// lie within 10^-5 of each other, or are "nan", are then put in order by
// RanksBefore itself.
class RunSorter {
 public:
  void Sort(std::vector<Candidate> &runs) {
    // A key of 0 stands before and after the keys for the merge to read.
    keys_.assign(1, 0);
    for (std::size_t i = 0; i < runs.size(); ++i) {
      const float score = runs[i].score;
      // A scan's scores are never below 0; any other list is sorted as it
      // is.
      if (std::signbit(score) && !std::isnan(score)) {
        std::sort(runs.begin(), runs.end(), RanksBeforeByScore);
        return;
      }
      std::uint32_t bits;
      std::memcpy(&bits, &score, sizeof bits);
      const std::uint64_t score_key = std::isnan(score) ? 0 : std::uint64_t{bits} + 1;
      keys_.push_back(score_key << 32 | i);
    }
    keys_.push_back(0);
    scratch_.resize(keys_.size());
    const auto n = static_cast<std::ptrdiff_t>(runs.size());
    MergeSortDescending(keys_.data() + 1, scratch_.data() + 1, n);
    sorted_.clear();
    for (std::ptrdiff_t i = 1; i <= n; ++i) sorted_.push_back(runs[keys_[static_cast<std::size_t>(i)] & 0xffffffff]);
    // Scores more than 10^-5 apart are in their final order; the stretches
    // of others are sorted again.
    for (auto start = sorted_.begin(); start != sorted_.end();) {
      auto stop = start + 1;
      while (stop != sorted_.end() &&
             !(std::fabs(static_cast<double>(stop[-1].score) - static_cast<double>(stop->score)) > 1e-5))
        ++stop;
      if (stop - start > 1) std::sort(start, stop, RanksBefore);
      start = stop;
    }
    runs.swap(sorted_);
  }

 private:
  std::vector<std::uint64_t> keys_;
  std::vector<std::uint64_t> scratch_;
  std::vector<Candidate> sorted_;
};

}  // namespace

void CandidateList::Rank() {
  // Each name's place in descending byte order, so that candidates compare
  // names by one integer. Names that came in one order need no sorting.
  const auto names = static_cast<std::uint32_t>(names_.size());
  std::vector<std::uint32_t> place(names);
  if (index_.empty()) {
    for (std::uint32_t i = 0; i < names; ++i) place[i] = name_order_ > 0 ? names - 1 - i : i;
  } else {
    std::vector<std::uint32_t> by_name(names);
    for (std::uint32_t i = 0; i < names; ++i) by_name[i] = i;
    std::sort(by_name.begin(), by_name.end(), [&](std::uint32_t a, std::uint32_t b) { return names_[a] > names_[b]; });
    for (std::uint32_t i = 0; i < names; ++i) place[by_name[i]] = i;
  }

  const auto ranks_before = [&](const Candidate &a, const Candidate &b) {
    if (a.name != b.name) return place[a.name] < place[b.name];
    return RanksBeforeByScore(a, b);
  };
  // A score file usually holds each protein's lines together, the proteins
  // in ascending or descending name order: then only the runs of each
  // protein need sorting, after the whole list is turned round if the names
  // ascend. Any other order is sorted whole.
  // Group to group the names' places must all rise or all fall, so no name
  // comes back after another.
  bool grouped = true;
  int direction = 0;  // +1: places rise from group to group, -1: fall
  std::uint32_t previous = empty() ? 0 : candidates_[0].name;
  for (const Candidate &candidate : candidates_) {
    if (candidate.name == previous) continue;
    const int step = place[candidate.name] > place[previous] ? 1 : -1;
    if (direction != 0 && step != direction) {
      grouped = false;
      break;
    }
    direction = step;
    previous = candidate.name;
  }
  if (!grouped) {
    std::sort(candidates_.begin(), candidates_.end(), ranks_before);
    return;
  }
  if (direction < 0) std::reverse(candidates_.begin(), candidates_.end());
  // A protein's runs are sorted in a small array by RunSorter; a protein
  // with very many runs is sorted where it stands.
  constexpr std::ptrdiff_t kBufferRoom = 4096;
  std::vector<Candidate> buffer;
  buffer.reserve(kBufferRoom);
  RunSorter sorter;
  for (auto group = candidates_.begin(); group != candidates_.end();) {
    const std::uint32_t name = group->name;
    const auto next = std::find_if(group, candidates_.end(), [&](const Candidate &c) { return c.name != name; });
    if (next - group <= kBufferRoom) {
      buffer.assign(group, next);
      sorter.Sort(buffer);
      std::copy(buffer.begin(), buffer.end(), group);
    } else {
      std::sort(group, next, RanksBeforeByScore);
    }
    group = next;
  }
}

bool RanksBefore(const Candidate &a, const Candidate &b) {
  // The scores compare as their six-decimal SCORE texts read back, so two
  // floats that print alike are equal and their records decide. Floats more
  // than 10^-5 apart never print alike, and their own order is the texts'.
  const bool a_nan = std::isnan(a.score);
  const bool b_nan = std::isnan(b.score);
  if (a_nan != b_nan) return b_nan;
  if (!a_nan && a.score != b.score) {
    if (std::fabs(static_cast<double>(a.score) - static_cast<double>(b.score)) > 1e-5) return a.score > b.score;
    const double a_score = CandidateList::Score(a);
    const double b_score = CandidateList::Score(b);
    if (a_score != b_score) return a_score > b_score;
  }
  // The names are equal, so the records compare as what follows them.
  std::string a_fields;
  std::string b_fields;
  CandidateList::AppendFields(a_fields, a);
  CandidateList::AppendFields(b_fields, b);
  return a_fields > b_fields;
}

std::vector<Candidate> FindRuns(std::span<const float> scores, float threshold, int offset) {
  RunRule rule(threshold, offset);
  const int length = static_cast<int>(scores.size());
  std::vector<Candidate> runs;
  for (int position = 0; position < length; ++position) {
    if (!rule.TakesPart(position, length)) continue;
    const float value = scores[static_cast<std::size_t>(position)];
    if (rule.Reaches(value)) {
      rule.Extend(position, value);
    } else if (rule.open()) {
      runs.push_back(rule.Close(0, length));
    }
  }
  if (rule.open()) runs.push_back(rule.Close(0, length));
  return runs;
}

std::vector<Candidate> ReportedRuns(std::span<const float> scores, float threshold, int offset, int rank) {
  std::vector<Candidate> runs = FindRuns(scores, threshold, offset);
  std::sort(runs.begin(), runs.end(), RanksBefore);
  runs.resize(std::min(runs.size(), static_cast<std::size_t>(std::max(rank, 0))));
  return runs;
}

float ReportedPeak(const Candidate &candidate, float threshold) {
  return static_cast<float>(CandidateList::Score(candidate) + static_cast<double>(threshold));
}

namespace {

// A score value as "%f" writes it, [-]D.DDDDDD with at most nine digits
// before the point, is read without the general reader's loops: a score file
// has millions of lines, and this is much of the work on each. Its digits,
// read as one integer, over 10^6 is exactly what ReadCDouble computes for
// such a text. Any other text is left to ReadCDouble.
constexpr std::uint64_t kFixedDigitsEnd = 1000000000000000;  // 10^15: nine digits and six decimals

double FixedValue(bool negative, std::uint64_t digits) {
  const double value = static_cast<double>(digits) / 1e6;
  return negative ? -value : value;
}

struct ScoreValue {
  bool fixed;  // read on the short path: negative and digits hold it
  bool negative;
  std::uint64_t digits;
  double value;  // when not fixed
  const char *end;
};

// text is followed by a NUL byte in memory.
ScoreValue ReadScoreValue(std::string_view line) {
  const char *const text = line.data();
  const bool negative = *text == '-';
  const char *p = text + negative;
  std::uint64_t digits = 0;
  const char *const first = p;
  for (unsigned digit; (digit = static_cast<unsigned>(static_cast<unsigned char>(*p)) - '0') <= 9; ++p)
    digits = digits * 10 + digit;
  const std::ptrdiff_t whole = p - first;
  // The six decimals and the byte after them must lie within the line (its
  // NUL included).
  if (whole >= 1 && whole <= 9 && *p == '.' && p + 7 <= text + line.size()) {
    unsigned bad = 0;
    for (int i = 1; i <= 6; ++i) {
      const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(p[i])) - '0';
      bad |= digit > 9;
      digits = digits * 10 + (digit & 15);
    }
    const char after = p[7];
    const bool ends = static_cast<unsigned>(static_cast<unsigned char>(after)) - '0' > 9 && after != '.' &&
                      after != 'e' && after != 'E' && after != 'x' && after != 'X';
    if (!bad && ends) return ScoreValue{true, negative, digits, 0.0, p + 7};
  }
  ScoreValue read{false, false, 0, 0.0, text};
  read.value = ReadCDouble(text, &read.end);
  return read;
}

// Whether the n bytes at a and b are the same: a protein name is short, and
// a call to memcmp for it costs more than the comparison.
bool SameBytes(const char *a, const char *b, std::size_t n) {
  for (; n >= 8; n -= 8, a += 8, b += 8) {
    std::uint64_t a_word;
    std::uint64_t b_word;
    std::memcpy(&a_word, a, 8);
    std::memcpy(&b_word, b, 8);
    if (a_word != b_word) return false;
  }
  for (; n > 0; --n) {
    if (*a++ != *b++) return false;
  }
  return true;
}

// The eight bytes from text on, the first in the lowest bits whatever the
// machine's byte order.
std::uint64_t Word(const char *text) {
  std::uint64_t word = 0;
  for (int i = 0; i < 8; ++i) word |= std::uint64_t{static_cast<unsigned char>(text[i])} << (8 * i);
  return word;
}

// The bytes of a word that are not digits, each marked by its top bit. A
// digit byte becomes 0 to 9 and any other gets its top bit once 0x76 is
// added; a carry out of a byte (one of 0x80 or more) may mark a digit after
// it, but never unmarks a byte.
std::uint64_t NotDigits(std::uint64_t word) {
  const std::uint64_t offsets = word ^ 0x3030303030303030;
  return ((offsets + 0x7676767676767676) | offsets) & 0x8080808080808080;
}

// How many of a word's bytes, from the first, are digits (8 when all are).
int LeadingDigits(std::uint64_t word) { return std::countr_zero(NotDigits(word)) / 8; }

// The number that a word's first count digits (1 to 8) make.
std::uint64_t DigitsValue(std::uint64_t word, int count) {
  // The digits are moved to the top of the word, behind leading zeros, and
  // joined in pairs, fours and eights.
  std::uint64_t value = (word & 0x0F0F0F0F0F0F0F0F) << (8 * (8 - count));
  value = (value * 2561) >> 8;
  value = ((value & 0x00FF00FF00FF00FF) * 6553601) >> 16;
  return ((value & 0x0000FFFF0000FFFF) * 42949672960001) >> 32;
}

// A value "D.DDDDDD" with one to eight digits before the point, without its
// sign, read from the words at text: its digits as one number, and its end
// (nullptr when text holds no such value).
struct PlainValue {
  std::uint64_t digits;
  const char *end;
};

PlainValue ReadPlainValue(const char *text) {
  const std::uint64_t word = Word(text);
  // The usual value, one digit before the point, fills the word.
  if (NotDigits(word) == 0x8000 && text[1] == '.')
    return PlainValue{(word & 0x0F) * 1000000 + DigitsValue(word >> 16, 6), text + 8};
  const int whole_digits = LeadingDigits(word);
  if (whole_digits == 0 || text[whole_digits] != '.') return PlainValue{0, nullptr};
  const char *const decimals = text + whole_digits + 1;
  const std::uint64_t decimals_word = Word(decimals);
  if (LeadingDigits(decimals_word) != 6) return PlainValue{0, nullptr};
  return PlainValue{DigitsValue(word, whole_digits) * 1000000 + DigitsValue(decimals_word, 6), decimals + 6};
}

// "POSITION LENGTH" with one to eight digits in each and the end of the
// line, a line feed or a carriage return and a line feed, read from the
// words at text: the words that start with each number and its digits, and
// the line feed (nullptr when text holds no such end of line). The numbers
// are worked out only for the lines that need them.
struct PlainTail {
  std::uint64_t position_word;
  int position_digits;
  std::uint64_t length_word;
  int length_digits;
  const char *line_feed;
  int Position() const { return static_cast<int>(DigitsValue(position_word, position_digits)); }
  int Length() const { return static_cast<int>(DigitsValue(length_word, length_digits)); }
};

// The line feed that ends a line at text, after a carriage return or not.
const char *LineFeedAt(const char *text) {
  if (*text == '\n') return text;
  return *text == '\r' && text[1] == '\n' ? text + 1 : nullptr;
}

PlainTail ReadPlainTail(const char *text) {
  const std::uint64_t word = Word(text);
  // The usual tail is read from one word: its first two bytes that are not
  // digits are the space and the end of the line.
  const std::uint64_t not_digits = NotDigits(word);
  const int space = std::countr_zero(not_digits) / 8;
  const int stop = std::countr_zero(not_digits & (not_digits - 1)) / 8;
  if (stop < 8 && space >= 1 && stop - space >= 2 && text[space] == ' ') {
    if (const char *const line_feed = LineFeedAt(text + stop))
      return PlainTail{word, space, word >> (8 * (space + 1)), stop - space - 1, line_feed};
  }
  if (space == 0 || space == 8 || text[space] != ' ') return PlainTail{0, 0, 0, 0, nullptr};
  const char *const length_text = text + space + 1;
  const std::uint64_t length_word = Word(length_text);
  const int length_digits = LeadingDigits(length_word);
  const char *const line_feed = length_digits == 0 ? nullptr : LineFeedAt(length_text + length_digits);
  return PlainTail{word, space, length_word, length_digits, line_feed};
}

// The first `wanted` from text on, or nullptr at the end of the line.
const char *FindInLine(const char *text, char wanted) {
  for (; *text != wanted; ++text) {
    if (*text == '\0') return nullptr;
  }
  return text;
}

}  // namespace

RunScanner::RunScanner(float threshold, int offset) : rule_(threshold, offset) {
  // The value of digits d is d / 10^6, and its single-precision value never
  // falls as d grows: the d of non-negative values that reach the threshold
  // are those from the least one on, the d of negative values those up to
  // the most one. Both are found by bisection.
  const auto single = [](std::uint64_t d) { return static_cast<float>(FixedValue(false, d)); };
  std::uint64_t low = 0;
  std::uint64_t high = kFixedDigitsEnd;  // the least d with single(d) >= threshold, or the end
  while (low < high) {
    const std::uint64_t middle = low + (high - low) / 2;
    if (rule_.Reaches(single(middle))) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  positive_least_ = static_cast<long long>(low);
  // -single(d) >= threshold, that is single(d) <= -threshold: the first d
  // past them is found, then the one before it.
  low = 0;
  high = kFixedDigitsEnd;
  while (low < high) {
    const std::uint64_t middle = low + (high - low) / 2;
    if (!rule_.Reaches(-single(middle))) {
      high = middle;
    } else {
      low = middle + 1;
    }
  }
  negative_most_ = static_cast<long long>(low) - 1;
}

void RunScanner::Add(std::string_view text) {
  ++line_number_;
  // As ParseScoreLine reads the line: the name between the first "#" (which
  // no number holds, so it lies after the value) and the next space, then
  // the position and, after the following space, the length.
  const ScoreValue read = ReadScoreValue(text);
  const char *hash = FindInLine(read.end, '#');
  const char *name_end = nullptr;
  if (hash) {
    // Most lines name the protein of the line before: its name and a space
    // are compared at once instead of looked through byte by byte.
    const std::size_t after_hash = static_cast<std::size_t>(hash + 1 - text.data());
    const std::size_t n = last_name_.size();
    if (n > 0 && text.size() - after_hash > n && text[after_hash + n] == ' ' &&
        std::memcmp(hash + 1, last_name_.data(), n) == 0) {
      name_end = hash + 1 + n;
    } else {
      name_end = FindInLine(hash, ' ');
      if (name_end) SetLastName(std::string_view(hash + 1, static_cast<std::size_t>(name_end - hash - 1)));
    }
  }
  const char *length_space = name_end ? FindInLine(name_end + 1, ' ') : nullptr;
  if (!length_space)
    Fail("malformed score line " + std::to_string(line_number_) + ": expected VALUE #NAME POSITION LENGTH");
  const bool reaches =
      read.fixed ? ReachesFixed(read.negative, read.digits) : rule_.Reaches(static_cast<float>(read.value));
  // Outside a run a line below the threshold changes nothing, filtered or
  // not: most lines end here without their integers being read.
  if (!rule_.open() && !reaches) return;
  const ScoreLine line{read.fixed ? FixedValue(read.negative, read.digits) : read.value,
                       std::string_view(hash + 1, static_cast<std::size_t>(name_end - hash - 1)), name_end + 1,
                       length_space + 1};
  Step(reaches, static_cast<float>(line.value), line.name, line.Position(), line.Length());
}

std::size_t RunScanner::AddPlainLines(std::string_view bytes) {
  // Add's reading, for plain lines of the usual shape only,
  // "D.DDDDDD #NAME POSITION LENGTH" with a minus sign allowed and one to
  // eight digits before the point and in each integer: eight bytes are
  // looked at at once. The first line of any other shape is left to Add.
  const char *const end = bytes.data() + bytes.size();  // the NUL byte after them may be read
  const char *line = bytes.data();
  // The most bytes looked at before the name ("-DDDDDDDD.DDDDDD #") and
  // from the space after it (" DDDDDDDD DDDDDDDD\r\n"), so that the words
  // read stay within the bytes.
  constexpr std::size_t kMostBeforeName = 18;
  constexpr std::size_t kMostFromNameEnd = 19;
  while (static_cast<std::size_t>(end - line) >= kMostBeforeName + last_name_.size() + kMostFromNameEnd) {
    const bool negative = *line == '-';
    const PlainValue value = ReadPlainValue(line + negative);
    if (!value.end || value.end[0] != ' ' || value.end[1] != '#') break;
    const char *const name = value.end + 2;
    const std::size_t n = last_name_.size();
    const bool same_name = n > 0 && name[n] == ' ' && SameBytes(name, last_name_.data(), n);
    const char *name_end = name + n;
    if (!same_name) {
      name_end = name;
      while (*name_end != ' ' && *name_end != '\n' && *name_end != '\0') ++name_end;
      if (*name_end != ' ' || static_cast<std::size_t>(end - name_end) < kMostFromNameEnd) break;
    }
    const PlainTail tail = ReadPlainTail(name_end + 1);
    if (!tail.line_feed || static_cast<std::size_t>(tail.line_feed - line) > LineReader::kMaxPlainLine) break;

    ++line_number_;
    const std::string_view name_text(name, static_cast<std::size_t>(name_end - name));
    if (!same_name) SetLastName(name_text);
    line = tail.line_feed + 1;
    const bool reaches = ReachesFixed(negative, value.digits);
    if (!rule_.open() && !reaches) continue;
    Step(reaches, static_cast<float>(FixedValue(negative, value.digits)), name_text, tail.Position(), tail.Length());
  }
  return static_cast<std::size_t>(line - bytes.data());
}

void RunScanner::AddAll(LineReader &lines) {
  std::string_view line;
  do {
    lines.Skip(AddPlainLines(lines.Unread()));
    if (!lines.Next(line)) return;
    Add(line);
  } while (true);
}

bool RunScanner::ReachesFixed(bool negative, std::uint64_t digits) const {
  // Compared as digits, which needs no division: the bounds give the same
  // answer as the value in single precision against the threshold.
  return negative ? static_cast<long long>(digits) <= negative_most_
                  : static_cast<long long>(digits) >= positive_least_;
}

void RunScanner::Step(bool reaches, float value, std::string_view name, int position, int length) {
  if (!rule_.TakesPart(position, length)) return;
  // name is the last line's: run_name_ holds it too when the name has not
  // changed since run_name_ was set.
  const bool run_name_is_last = run_name_generation_ == name_generation_;
  if (rule_.open() && (!reaches || (!run_name_is_last && name != run_name_))) CloseRun();
  if (!reaches) return;
  if (!rule_.open() && !run_name_is_last) {
    run_name_.assign(name);
    run_name_generation_ = name_generation_;
  }
  rule_.Extend(position, value);
  run_length_ = length;
}

CandidateList RunScanner::Finish() {
  if (rule_.open()) CloseRun();
  return std::move(candidates_);
}

void RunScanner::SetLastName(std::string_view name) {
  last_name_.assign(name);
  ++name_generation_;
}

void RunScanner::CloseRun() {
  if (indexed_generation_ != run_name_generation_) {
    indexed_name_ = candidates_.NameIndex(run_name_);
    indexed_generation_ = run_name_generation_;
  }
  candidates_.Add(rule_.Close(indexed_name_, run_length_));
}

void RankCandidates(CandidateList &candidates) { candidates.Rank(); }

namespace {

constexpr std::size_t kPiece = 1 << 16;

// Hands text to sink whenever a piece is full, and the rest at the end.
// Text is written straight into its buffer.
class PieceWriter {
 public:
  explicit PieceWriter(const TextSink &sink) : sink_(sink), text_(kPiece + 512, '\0') {}
  // Where up to `bytes` bytes may be written; Wrote then says where they
  // end.
  char *Room(std::size_t bytes) {
    if (used_ + bytes > text_.size()) {
      Flush();
      if (bytes > text_.size()) text_.resize(bytes);
    }
    return text_.data() + used_;
  }
  void Wrote(const char *end) {
    used_ = static_cast<std::size_t>(end - text_.data());
    if (used_ >= kPiece) Flush();
  }
  void Append(std::string_view text) { Wrote(std::copy(text.begin(), text.end(), Room(text.size()))); }
  void Flush() {
    if (used_ > 0) sink_(std::string_view(text_.data(), used_));
    used_ = 0;
  }

 private:
  const TextSink &sink_;
  std::string text_;
  std::size_t used_ = 0;
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
    const Candidate &candidate = ranked[i];
    char *const end = ranked.WriteRecord(writer.Room(ranked.RecordRoom(candidate) + 1), candidate);
    *end = '\n';
    writer.Wrote(end + 1);
  }
  writer.Flush();
}

std::string FormatListing(const CandidateList &ranked) {
  return Collect([&](const TextSink &sink) { WriteListing(ranked, sink); });
}

void WriteReport(const CandidateList &ranked, int rank, float threshold, const TextSink &sink) {
  if (ranked.empty()) {
    sink(kNoPredictionLine);
    return;
  }
  PieceWriter writer(sink);
  std::string line;
  const int reported = std::max(rank, 0);
  // Each protein's candidates stand together: its first `rank` are written
  // and the others passed over.
  for (std::size_t group = 0; group < ranked.size();) {
    const std::uint32_t name = ranked[group].name;
    std::size_t i = group;
    for (; i < ranked.size() && ranked[i].name == name && i - group < static_cast<std::size_t>(reported); ++i) {
      const Candidate &candidate = ranked[i];
      line.clear();
      AppendReportLine(line, ranked.Name(candidate), candidate.start, candidate.end, ReportedPeak(candidate, threshold),
                       candidate.length, candidate.peak_position, static_cast<long long>(i - group) + 1);
      writer.Append(line);
    }
    while (i < ranked.size() && ranked[i].name == name) ++i;
    group = i;
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
  scanner.AddAll(scores);
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
