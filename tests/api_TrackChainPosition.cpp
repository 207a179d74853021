#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chain_position.h"
#include "failure_message.h"

namespace {

using namespace linkerkit;
using linkerkit::test::FailureMessage;

TEST(TrackChainPosition, TerminusDistanceIsCappedAndSymmetric) {
  EXPECT_EQ(ChainPositionTrack(7, ChainMeasure::kTerminus, 2), (std::vector<double>{0, 0.5, 1, 1, 1, 0.5, 0}));
  // An even chain has two middle residues; a cap beyond the middle is never reached.
  EXPECT_EQ(ChainPositionTrack(4, ChainMeasure::kTerminus, 4), (std::vector<double>{0, 0.25, 0.25, 0}));
  EXPECT_EQ(ChainPositionTrack(1, ChainMeasure::kTerminus, 1), (std::vector<double>{0}));
  EXPECT_EQ(ChainPositionTrack(3, ChainMeasure::kTerminus, 3)[1], 1.0 / 3);
  EXPECT_TRUE(ChainPositionTrack(0, ChainMeasure::kTerminus, 5).empty());
}

TEST(TrackChainPosition, LengthIsCappedOnEveryResidue) {
  EXPECT_EQ(ChainPositionTrack(3, ChainMeasure::kLength, 4), (std::vector<double>(3, 0.75)));
  EXPECT_EQ(ChainPositionTrack(5, ChainMeasure::kLength, 4), (std::vector<double>(5, 1.0)));
  EXPECT_EQ(ChainPositionTrack(2, ChainMeasure::kLength, 2147483647), (std::vector<double>(2, 2.0 / 2147483647)));
}

TEST(TrackChainPosition, MeasureAndCapAreReadStrictly) {
  EXPECT_EQ(ReadChainMeasure("terminus"), ChainMeasure::kTerminus);
  EXPECT_EQ(ReadChainMeasure("length"), ChainMeasure::kLength);
  for (const char *bad : {"Length", "len", "", "terminus "}) {
    EXPECT_EQ(FailureMessage([&] { ReadChainMeasure(bad); }),
              std::string("unknown measure: ") + bad + " (terminus or length)");
  }
  EXPECT_EQ(ReadCap("1"), 1);
  EXPECT_EQ(ReadCap("0050"), 50);
  EXPECT_EQ(ReadCap("2147483647"), 2147483647);
  for (const char *bad : {"0", "-5", "+5", "5x", "1.5", " 5", "", "2147483648", "99999999999999999999"}) {
    EXPECT_EQ(FailureMessage([&] { ReadCap(bad); }), std::string("invalid cap: ") + bad);
  }
}

}  // namespace
