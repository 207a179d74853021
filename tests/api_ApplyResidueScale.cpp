#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "residue_scale.h"

namespace {

using linkerkit::ResidueScale;
using Lines = std::vector<std::string>;

TEST(ApplyResidueScale, FirstEntryWinsAndEveryEntryCountsInTheMean) {
  // Only the first byte names the letter; a lower-case letter never matches
  // a residue; text that is no number reads as 0 (AAindex writes NA).
  const ResidueScale scale(Lines{"Ala\t1.5", "a\t5", "A\t3", "R\t NA", "N\t 2.5e0x"}, "s.tsv");
  EXPECT_EQ(scale.ValueOf('A'), 1.5);
  EXPECT_EQ(scale.ValueOf('a'), 5.0);
  EXPECT_EQ(scale.ValueOf('R'), 0.0);
  EXPECT_EQ(scale.ValueOf('N'), 2.5);
  EXPECT_EQ(scale.ValueOf('X'), (1.5 + 5 + 3 + 0 + 2.5) / 5);
}

TEST(ApplyResidueScale, MeanIsSummedInFileOrder) {
  // 1e16 first swallows both ones; the other way round they would count.
  const ResidueScale scale(Lines{"A\t1e16", "C\t1", "D\t1"}, "s.tsv");
  EXPECT_EQ(scale.fallback(), 1e16 / 3);
}

}  // namespace
