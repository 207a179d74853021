#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "failure_message.h"
#include "feature_rows.h"

namespace {

using linkerkit::AppendFeatureRow;
using linkerkit::FeatureColumn;
using linkerkit::test::FailureMessage;
using Lines = std::vector<std::string>;

void Fill(const Lines &lines, FeatureColumn &column) {
  for (std::size_t i = 0; i < lines.size(); ++i) linkerkit::StoreTrackLine(lines[i], i + 1, column, "t.txt");
}

TEST(AssembleFeatureRows, ValuesLandAtTheirTaggedPositions) {
  FeatureColumn column(4, 0.0f);  // m = 3 and the spare slot
  Fill(Lines{"0.5 #QUERY 2 3", "0.25 #query 0 3", "9 #QUERY 2 3", "7 #QUERY 3 3"}, column);
  EXPECT_EQ(column, (FeatureColumn{0.25f, 0.0f, 9.0f, 7.0f}));
  // Values pass through single precision.
  Fill(Lines{"16777217 #QUERY 0 3", "0.1234567 #QUERY 1 3"}, column);
  std::string row;
  AppendFeatureRow(row, {column}, 0, 3);
  AppendFeatureRow(row, {column}, 1, 3);
  EXPECT_EQ(row, "0 1:16777216.000000 #QUERY 0 3\n0 1:0.123457 #QUERY 1 3\n");
}

TEST(AssembleFeatureRows, RejectsLinesWithoutTagOrWithPositionsOutsideTheTrack) {
  FeatureColumn column(4, 0.0f);
  const auto message = [&](const std::string &line) {
    return FailureMessage([&] { Fill(Lines{"0.5 #QUERY 0 3", line}, column); });
  };
  EXPECT_EQ(message("0.5 QUERY 1 3"), "t.txt line 2: no \"#\" followed by a space before the position");
  EXPECT_EQ(message("0.5 #QUERY"), "t.txt line 2: no \"#\" followed by a space before the position");
  EXPECT_EQ(message(""), "t.txt line 2: no \"#\" followed by a space before the position");
  EXPECT_EQ(message("0.5 #QUERY 4 3"), "t.txt line 2: position 4 outside 0 to 3");
  EXPECT_EQ(message("0.5 #QUERY -1 3"), "t.txt line 2: position -1 outside 0 to 3");
}

}  // namespace
