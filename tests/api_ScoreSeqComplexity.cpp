#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "seq_complexity.h"
#include "track.h"

namespace {

using linkerkit::FormatTrack;
using linkerkit::SeqComplexityTrack;

std::vector<std::string> Values(const std::vector<double> &track) {
  std::vector<std::string> values;
  for (const double value : track) {
    std::string text;
    linkerkit::AppendFixed6(text, value);
    values.push_back(text);
  }
  return values;
}

TEST(ScoreSeqComplexity, WorkedExamples) {
  EXPECT_EQ(Values(SeqComplexityTrack("ACDEFGHIKL", 3)),
            (std::vector<std::string>{"0.000000", "0.460517", "0.690776", "0.690776", "0.690776", "0.690776",
                                      "0.690776", "0.690776", "0.460517", "0.000000"}));
  EXPECT_EQ(Values(SeqComplexityTrack("AAAAAAAAAA", 3)),
            (std::vector<std::string>{"0.000000", "0.240795", "0.361192", "0.361192", "0.361192", "0.361192",
                                      "0.361192", "0.361192", "0.240795", "0.000000"}));
  EXPECT_EQ(Values(SeqComplexityTrack("ACDXAAKL", 4)),
            (std::vector<std::string>{"0.000000", "0.000000", "0.649825", "0.866434", "0.866434", "0.649825",
                                      "0.000000", "0.000000"}));
}

TEST(ScoreSeqComplexity, WindowOfOneIsTheRawMeasure) {
  const auto track = SeqComplexityTrack("AXC", 1);
  const double x = 1.0 / 3.0;
  EXPECT_EQ(track[0], std::log(x) * -x);
  EXPECT_EQ(track[1], 0.0);  // X counts nothing
  EXPECT_EQ(track[2], track[0]);
}

TEST(ScoreSeqComplexity, NoFullWindowGivesZeros) {
  EXPECT_EQ(SeqComplexityTrack("ACDEFGHIKL", 21), std::vector<double>(10, 0.0));
  EXPECT_EQ(SeqComplexityTrack("ACDEF", 2147483647), std::vector<double>(5, 0.0));
  EXPECT_TRUE(SeqComplexityTrack("", 3).empty());
}

TEST(ScoreSeqComplexity, SlidingCountsEqualFreshCountsInAlphabetOrder) {
  // Recompute every window from scratch, terms added in alphabet order.
  const std::string alphabet = "ARNDCQEGHILKMFPSTWYV";
  std::string residues;
  unsigned state = 12345;
  for (int i = 0; i < 400; ++i) {
    state = state * 1103515245u + 12345u;
    residues += "ARNDCQEGHILKMFPSTWYVXB"[(state >> 16) % 22];
  }
  for (const int ws : {1, 2, 7, 8, 31}) {
    const long n = static_cast<long>(residues.size());
    const long h = ws / 2;
    std::vector<double> raw(n, 0.0), smoothed(n, 0.0);
    for (long j = h; j < n - h; ++j) {
      for (const char letter : alphabet) {
        int count = 0;
        for (long p = j - h; p <= j + h; ++p) count += residues[p] == letter;
        if (count == 0) continue;
        const double x = static_cast<double>(count) / static_cast<double>(n);
        raw[j] = std::log(x) * (-x) + raw[j];
      }
    }
    for (long j = h; j < n - h; ++j) {
      for (long p = j - h; p <= j + h; ++p) smoothed[j] = raw[p] + smoothed[j];
      smoothed[j] = smoothed[j] / static_cast<double>(ws);
    }
    EXPECT_EQ(SeqComplexityTrack(residues, ws), smoothed) << "ws " << ws;
  }
}

TEST(ScoreSeqComplexity, CountsAreDividedByTheWholeLength) {
  const auto once = SeqComplexityTrack("ACDEFGHIKL", 3);
  const auto twice = SeqComplexityTrack("ACDEFGHIKLACDEFGHIKL", 3);
  EXPECT_NE(once[4], twice[4]);
  EXPECT_EQ(FormatTrack(once, "QUERY").substr(0, 21), "0.000000 #QUERY 0 10\n");
}

}  // namespace
