#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "cnumber.h"
#include "failure_message.h"
#include "feature_rows.h"
#include "track.h"

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

// The road takes a track's values and a row's features without their text:
// each must be what the text reads back as.
TEST(AssembleFeatureRows, ValuesWithoutTheTextAreTheTextsValues) {
  const std::vector<double> track = {0.0078125, -2.5e-7, 1.0 / 3.0, 16777217.0, 123456.789, -0.0};
  FeatureColumn from_text(track.size() + 1, 0.0f), from_values(track.size() + 1, 0.0f);
  const std::string text = linkerkit::FormatTrack(track, "QUERY");
  std::size_t number = 0;
  for (std::size_t start = 0, end; start < text.size(); start = end + 1) {
    end = text.find('\n', start);
    linkerkit::StoreTrackLine(text.substr(start, end - start), ++number, from_text, "t.txt");
  }
  for (std::size_t i = 0; i < track.size(); ++i) from_values[i] = linkerkit::ColumnValue(track[i]);
  EXPECT_EQ(std::memcmp(from_text.data(), from_values.data(), track.size() * sizeof(float)), 0);

  const std::vector<FeatureColumn> columns = {from_values, FeatureColumn(track.size() + 1, -1.0e-7f)};
  for (std::size_t position = 0; position < track.size(); ++position) {
    std::string row;
    AppendFeatureRow(row, columns, position, track.size());
    const auto values = linkerkit::FeatureRowValues(columns, position);
    ASSERT_EQ(values.size(), 2U);
    const char *cursor = row.c_str() + 2;
    for (const auto &[index, value] : values) {
      char *end = nullptr;
      EXPECT_EQ(std::strtol(cursor, &end, 10), index);
      const double read = linkerkit::ReadCDouble(end + 1, &cursor);
      EXPECT_EQ(std::memcmp(&read, &value, sizeof read), 0) << row;
    }
  }
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
