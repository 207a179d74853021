#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "failure_message.h"
#include "residue_scale.h"
#include "track.h"

namespace {

using linkerkit::ResidueScale;
using linkerkit::ResidueScaleTrack;
using linkerkit::test::FailureMessage;
using Lines = std::vector<std::string>;

TEST(ResidueScale, WorkedExample) {
  const ResidueScale scale(Lines{"A\t1.0", "C\t2.0", "G\t3.0"}, "s.tsv");
  EXPECT_EQ(scale.fallback(), 2.0);
  EXPECT_EQ(linkerkit::FormatTrack(ResidueScaleTrack("ACGXA", scale, 3), "QUERY"),
            "1.000000 #QUERY 0 5\n2.000000 #QUERY 1 5\n2.333333 #QUERY 2 5\n2.000000 #QUERY 3 5\n1.000000 #QUERY 4 5\n");
}

TEST(ResidueScale, FirstEntryWinsAndEveryEntryCountsInTheMean) {
  // Only the first byte names the letter; a lower-case letter never matches
  // a residue; text that is no number reads as 0 (AAindex writes NA).
  const ResidueScale scale(Lines{"Ala\t1.5", "a\t5", "A\t3", "R\t NA", "N\t 2.5e0x"}, "s.tsv");
  EXPECT_EQ(scale.ValueOf('A'), 1.5);
  EXPECT_EQ(scale.ValueOf('a'), 5.0);
  EXPECT_EQ(scale.ValueOf('R'), 0.0);
  EXPECT_EQ(scale.ValueOf('N'), 2.5);
  EXPECT_EQ(scale.ValueOf('X'), (1.5 + 5 + 3 + 0 + 2.5) / 5);
}

TEST(ResidueScale, MeanIsSummedInFileOrder) {
  // 1e16 first swallows both ones; the other way round they would count.
  const ResidueScale scale(Lines{"A\t1e16", "C\t1", "D\t1"}, "s.tsv");
  EXPECT_EQ(scale.fallback(), 1e16 / 3);
}

TEST(ResidueScale, EdgesKeepLookedUpValues) {
  const ResidueScale scale(Lines{"A\t1", "C\t2", "D\t4"}, "s.tsv");
  EXPECT_EQ(ResidueScaleTrack("ACDA", scale, 2), (std::vector<double>{1, 3.5, 3.5, 1}));
  EXPECT_EQ(ResidueScaleTrack("ACDA", scale, 1), (std::vector<double>{1, 2, 4, 1}));
  EXPECT_EQ(ResidueScaleTrack("ACDA", scale, 21), (std::vector<double>{1, 2, 4, 1}));
  EXPECT_TRUE(ResidueScaleTrack("", scale, 3).empty());
}

TEST(ResidueScale, RejectsAnEmptyScaleAndLinesWithoutTab) {
  EXPECT_EQ(FailureMessage([] { ResidueScale(Lines{}, "s.tsv"); }), "s.tsv: empty residue scale");
  EXPECT_EQ(FailureMessage([] { ResidueScale(Lines{"A\t1", ""}, "s.tsv"); }), "s.tsv line 2: no TAB before the value");
  EXPECT_EQ(FailureMessage([] { ResidueScale(Lines{"A 1.8"}, "s.tsv"); }), "s.tsv line 1: no TAB before the value");
}

}  // namespace
