#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "failure_message.h"
#include "segment_domains.h"
#include "test_support.h"

namespace {

using namespace linkerkit;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

constexpr float kNan = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// n scores of `low` with the given peaks.
std::vector<float> Scores(int n, std::vector<std::pair<int, float>> peaks, float low = -1.0f) {
  std::vector<float> scores(static_cast<std::size_t>(n), low);
  for (const auto &[position, value] : peaks) scores[static_cast<std::size_t>(position)] = value;
  return scores;
}

// The boundaries, ascending.
std::vector<int> Boundaries(const std::vector<float> &scores, float threshold, int min_domain, int offset = 0) {
  std::vector<int> boundaries;
  for (const SegmentLinker &linker : SegmentProtein(scores, threshold, min_domain, offset))
    boundaries.push_back(linker.peak_position);
  std::sort(boundaries.begin(), boundaries.end());
  return boundaries;
}

using Ranges = std::vector<std::tuple<int, int, int>>;  // start, end, peak position

Ranges Linkers(const std::vector<float> &scores, float threshold, int min_domain, int offset = 0) {
  Ranges ranges;
  for (const SegmentLinker &linker : SegmentProtein(scores, threshold, min_domain, offset))
    ranges.emplace_back(linker.start, linker.end, linker.peak_position);
  return ranges;
}

TEST(SegmentDomains, TheMinimumDomainLengthKeepsTheBetterOfTwoPeaksTooClose) {
  // Peaks 3 apart with domains of at least 5: only the higher one.
  EXPECT_EQ(Boundaries(Scores(30, {{10, 0.8f}, {13, 0.9f}}), 0.5f, 5), std::vector<int>{13});
  // Exactly the minimum apart: both.
  EXPECT_EQ(Boundaries(Scores(30, {{10, 0.8f}, {15, 0.9f}}), 0.5f, 5), (std::vector<int>{10, 15}));
  // Not greedy: the two outer peaks together outweigh the highest one
  // between them (0.3 + 0.3 against 0.4).
  EXPECT_EQ(Boundaries(Scores(40, {{10, 0.8f}, {14, 0.9f}, {18, 0.8f}}), 0.5f, 6), (std::vector<int>{10, 18}));
  // A score at the threshold adds nothing and is never chosen; nan never is.
  EXPECT_TRUE(Boundaries(Scores(30, {{10, 0.5f}, {20, kNan}}), 0.5f, 5).empty());
}

TEST(SegmentDomains, EndDomainsAndTheOffsetRule) {
  // Domains at the chain ends are at least min_domain long: with n = 30 and
  // 10, the boundary lies from 10 to 20.
  for (const auto &[position, chosen] : {std::pair{9, false}, {10, true}, {20, true}, {21, false}}) {
    EXPECT_EQ(Boundaries(Scores(30, {{position, 0.9f}}), 0.5f, 10).size(), chosen ? 1u : 0u) << position;
  }
  // The offset rule: b > offset and n - b > offset.
  for (const auto &[position, chosen] : {std::pair{3, false}, {4, true}, {26, true}, {27, false}}) {
    EXPECT_EQ(Boundaries(Scores(30, {{position, 0.9f}}), 0.5f, 1, 3).size(), chosen ? 1u : 0u) << position;
  }
  // A protein shorter than two domains has no boundary.
  EXPECT_TRUE(Boundaries(Scores(9, {{4, 0.9f}, {5, 0.9f}}), 0.5f, 5).empty());
  EXPECT_EQ(Boundaries(Scores(10, {{4, 0.9f}, {5, 0.9f}}), 0.5f, 5), std::vector<int>{5});
  EXPECT_TRUE(SegmentProtein({}, 0.5f, 1, 0).empty());
}

TEST(SegmentDomains, TiesGoToFewerBoundariesThenEarlierOnes) {
  // Gains 0.5 against 0.25 + 0.25 (exact in binary): the one boundary.
  EXPECT_EQ(Boundaries(Scores(30, {{10, 0.25f}, {15, 0.5f}, {20, 0.25f}}), 0.0f, 10), std::vector<int>{15});
  // Equal peaks that exclude each other: the earlier.
  EXPECT_EQ(Boundaries(Scores(30, {{12, 0.75f}, {14, 0.75f}}), 0.5f, 5), std::vector<int>{12});
  // Equal pairs: the one earlier at its first boundary, then at its second.
  EXPECT_EQ(Boundaries(Scores(40, {{10, 0.75f}, {11, 0.75f}, {21, 0.75f}, {22, 0.75f}}), 0.5f, 10),
            (std::vector<int>{10, 21}));
  EXPECT_EQ(Boundaries(Scores(40, {{10, 0.75f}, {20, 0.75f}, {21, 0.75f}}), 0.5f, 10), (std::vector<int>{10, 20}));
}

TEST(SegmentDomains, InfiniteGainsCountApart) {
  // Two infinite peaks outweigh one, and one with a finite score beside it
  // outweighs it alone.
  EXPECT_EQ(Boundaries(Scores(60, {{10, kInf}, {20, kInf}}), 0.5f, 10), (std::vector<int>{10, 20}));
  EXPECT_EQ(Boundaries(Scores(60, {{10, kInf}, {15, 1e30f}, {25, 1e30f}}), 0.5f, 10), (std::vector<int>{10, 25}));
  // No score exceeds a threshold of inf.
  EXPECT_TRUE(Boundaries(Scores(60, {{10, kInf}}), kInf, 10).empty());
}

TEST(SegmentDomains, LinkersAreCentredAndStayNearerTheirOwnBoundary) {
  // A run of scores at or above the threshold around the boundary, longer on
  // one side: the linker is as wide as its shorter side allows.
  auto scores = Scores(40, {{8, 0.6f}, {9, 0.5f}, {10, 0.9f}, {11, 0.7f}, {12, 0.6f}, {13, 0.6f}});
  EXPECT_EQ(Linkers(scores, 0.5f, 5), (Ranges{{8, 12, 10}}));
  scores[8] = kNan;
  EXPECT_EQ(Linkers(scores, 0.5f, 5), (Ranges{{9, 11, 10}}));
  // The offset rule cuts the linker too.
  EXPECT_EQ(Linkers(Scores(40, {{10, 0.9f}}, 0.5f), 0.5f, 5, 8), (Ranges{{9, 11, 10}}));
  // Everything at the threshold: two boundaries 10 apart each take less
  // than half the gap (the residue halfway belongs to neither); the offset
  // rule (offset 0 leaves out position 0) bounds the other sides.
  EXPECT_EQ(Linkers(Scores(31, {{10, 0.9f}, {20, 0.8f}}, 0.5f), 0.5f, 10), (Ranges{{6, 14, 10}, {16, 24, 20}}));
  EXPECT_EQ(Linkers(Scores(12, {{5, 0.9f}}, 0.5f), 0.5f, 3), (Ranges{{1, 9, 5}}));
}

TEST(SegmentDomains, RankedByPeakThenPosition) {
  const auto linkers = SegmentProtein(Scores(60, {{10, 0.7f}, {25, 0.9f}, {40, 0.7f}}), 0.5f, 10, 0);
  ASSERT_EQ(linkers.size(), 3u);
  EXPECT_EQ(linkers[0].peak_position, 25);
  EXPECT_EQ(linkers[0].peak_value, 0.9f);
  EXPECT_EQ(linkers[1].peak_position, 10);
  EXPECT_EQ(linkers[2].peak_position, 40);
  std::string report;
  AppendSegmentReport(report, "P1", 60, linkers);
  EXPECT_EQ(report, "P1|25,25|1|0.900000|60|25|1\nP1|10,10|1|0.700000|60|10|2\nP1|40,40|1|0.700000|60|40|3\n");
}

// Every allowed choice tried: the best sum, then the fewest boundaries, then
// the earliest. Scores are multiples of 1/8, so every sum is exact.
std::vector<int> BruteForce(const std::vector<float> &scores, float threshold, int min_domain, int offset) {
  const int n = static_cast<int>(scores.size());
  std::vector<int> best;
  double best_sum = 0;
  for (unsigned mask = 1; mask < (1u << n); ++mask) {
    std::vector<int> chosen;
    double sum = 0;
    bool allowed = true;
    for (int b = 0; b < n && allowed; ++b) {
      if (!(mask & (1u << b))) continue;
      const int previous = chosen.empty() ? 0 : chosen.back();
      allowed = b - previous >= min_domain && b > offset && n - b > offset && n - b >= min_domain &&
                scores[static_cast<std::size_t>(b)] > threshold;
      chosen.push_back(b);
      sum += static_cast<double>(scores[static_cast<std::size_t>(b)]) - threshold;
    }
    if (!allowed) continue;
    if (sum > best_sum ||
        (sum == best_sum && (chosen.size() < best.size() || (chosen.size() == best.size() && chosen < best)))) {
      best = chosen;
      best_sum = sum;
    }
  }
  return best;
}

TEST(SegmentDomains, AgreesWithTryingEveryChoice) {
  std::mt19937 random(17);
  for (int trial = 0; trial < 400; ++trial) {
    const int n = 1 + static_cast<int>(random() % 12);
    std::vector<float> scores;
    for (int i = 0; i < n; ++i) scores.push_back(static_cast<float>(random() % 9) / 8.0f);
    const int min_domain = 1 + static_cast<int>(random() % 4);
    const int offset = static_cast<int>(random() % 3);
    EXPECT_EQ(Boundaries(scores, 0.5f, min_domain, offset), BruteForce(scores, 0.5f, min_domain, offset))
        << "trial " << trial;
  }
}

TEST(SegmentDomains, LinearInTheChainLength) {
  // A million residues, a peak every 50: each one chosen, at once.
  std::vector<float> scores(1000000, 0.0f);
  std::size_t peaks = 0;
  for (std::size_t i = 50; i + 40 <= scores.size(); i += 50, ++peaks) scores[i] = 1.0f;
  EXPECT_EQ(SegmentProtein(scores, 0.5f, 40, 0).size(), peaks);
}

std::string ReadFailure(const std::string &text) {
  TempDir dir;
  WriteFile(dir / "scores", text);
  const std::string message =
      test::FailureMessage([&] { ReadScoreProteins(dir / "scores", [](std::string_view, std::span<const float>) {}); });
  return message.substr(std::min(message.find(" line "), message.size()));
}

TEST(SegmentDomains, ReadsOneProteinAtATime) {
  TempDir dir;
  WriteFile(dir / "scores", "0.5 #B 0 2\n-1e-3 #B 1 2\nnan #A 0 1\n0.25 #C 0 3\n1 #C 1 3\n2 #C 2 3\n");
  std::vector<std::pair<std::string, std::vector<float>>> proteins;
  ReadScoreProteins(dir / "scores", [&](std::string_view name, std::span<const float> scores) {
    proteins.emplace_back(name, std::vector<float>(scores.begin(), scores.end()));
  });
  ASSERT_EQ(proteins.size(), 3u);
  EXPECT_EQ(proteins[0], (std::pair<std::string, std::vector<float>>{"B", {0.5f, -1e-3f}}));
  EXPECT_EQ(proteins[1].first, "A");
  EXPECT_TRUE(std::isnan(proteins[1].second[0]));
  EXPECT_EQ(proteins[2].second, (std::vector<float>{0.25f, 1.0f, 2.0f}));
}

// The report in name order, through a temporary file past held_limit bytes.
std::string NameOrdered(std::size_t held_limit, const std::vector<std::pair<std::string, std::string>> &proteins) {
  NameOrderedReport report(held_limit);
  for (const auto &[name, text] : proteins) report.Add(name, text);
  char *buffer = nullptr;
  std::size_t size = 0;
  std::FILE *out = open_memstream(&buffer, &size);
  report.WriteTo(out);
  std::fclose(out);
  std::string text(buffer, size);
  std::free(buffer);
  return text;
}

TEST(SegmentDomains, TheReportComesInDescendingNamesHeldOrSpilled) {
  const std::vector<std::pair<std::string, std::string>> proteins = {{"B", "B|1,3|3|0.5|9|2|1\nB|6,6|1|0.4|9|6|2\n"},
                                                                     {"A", "A|0,0|1|1|5|0|1\n"},
                                                                     {"C", "C|2,4|3|2|8|3|1\n"},
                                                                     {"AB", "AB|4,4|1|0.9|9|4|1\n"}};
  const std::string expected =
      "C|2,4|3|2|8|3|1\nB|1,3|3|0.5|9|2|1\nB|6,6|1|0.4|9|6|2\nAB|4,4|1|0.9|9|4|1\nA|0,0|1|1|5|0|1\n";
  // All held; every protein spilled at once; some spilled, the last held.
  for (const std::size_t held_limit : {std::size_t{1} << 20, std::size_t{0}, std::size_t{30}}) {
    EXPECT_EQ(NameOrdered(held_limit, proteins), expected) << held_limit;
  }
}

TEST(SegmentDomains, RefusesScoreFilesNamingTheLine) {
  const std::string malformed = ": expected VALUE #NAME POSITION LENGTH";
  EXPECT_EQ(ReadFailure("0.5 #A 0 2\n0.5 A 1 2\n"), " line 2" + malformed);
  EXPECT_EQ(ReadFailure("0.5x #A 0 2\n"), " line 1" + malformed);
  EXPECT_EQ(ReadFailure("0.5 #A +0 2\n"), " line 1" + malformed);
  EXPECT_EQ(ReadFailure("0.5 #A 0 2 \n"), " line 1" + malformed);
  EXPECT_EQ(ReadFailure("\n"), " line 1" + malformed);
  EXPECT_EQ(ReadFailure("0.5 #A|1 0 2\n"), " line 1: protein name 'A|1' holds '|'");
  EXPECT_EQ(ReadFailure("0.5 #A 0 0\n"), " line 1: protein A has length 0");
  EXPECT_EQ(ReadFailure("0.5 #A 1 2\n"), " line 1: protein A has position 1 where 0 was due");
  EXPECT_EQ(ReadFailure("0.5 #A 0 3\n0.5 #A 2 3\n"), " line 2: protein A has position 2 where 1 was due");
  EXPECT_EQ(ReadFailure("0.5 #A 0 3\n0.5 #A 1 4\n"), " line 2: protein A has length 4 here and 3 on its earlier lines");
  EXPECT_EQ(ReadFailure("0.5 #A 0 1\n0.5 #A 1 1\n"), " line 2: protein A has all its 1 lines already");
  EXPECT_EQ(ReadFailure("0.5 #A 0 3\n0.5 #B 0 1\n"), " line 2: protein A ends after 1 of its 3 lines");
  EXPECT_EQ(ReadFailure("0.5 #A 0 1\n0.5 #B 0 1\n0.5 #A 0 1\n"),
            " line 3: protein A appears again after other proteins' lines");
  EXPECT_EQ(ReadFailure("0.5 #A 0 3\n0.5 #A 1 3\n"), " line 2: protein A ends after 2 of its 3 lines");
  EXPECT_EQ(test::FailureMessage([] { ReadScoreProteins("/nonexistent/scores", nullptr); }),
            "cannot open /nonexistent/scores");
}

}  // namespace
