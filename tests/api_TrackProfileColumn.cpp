#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "failure_message.h"
#include "profile_column.h"
#include "window.h"

namespace {

using linkerkit::ScaleProfileRow;
using linkerkit::test::FailureMessage;
using Lines = std::vector<std::string>;

// The track TrackProfileColumn prints for a table.
std::vector<float> ProfileColumnTrack(const Lines &table, int column, int ws, std::string_view path) {
  linkerkit::ProfileColumnReader reader(column, path);
  for (std::size_t i = 0; i < table.size(); ++i) reader.AddLine(table[i], i + 1);
  return linkerkit::SmoothCentred(reader.Finish(), ws, linkerkit::WindowEdges::kRaw);
}

std::string Row(const std::vector<int> &scores) {
  std::string row;
  for (const int score : scores) {
    if (!row.empty()) row += ' ';
    row += std::to_string(score);
  }
  return row;
}

std::string Repeated(int score, int times = 20) { return Row(std::vector<int>(static_cast<std::size_t>(times), score)); }

TEST(ProfileRow, RangeAlwaysHoldsZero) {
  const std::string row = Row({5, -3, 7, 0, 1, 2, 3, 4, 5, 6, -1, -2, 0, 0, 0, 0, 0, 0, 0, 2});
  EXPECT_EQ(ScaleProfileRow(row, 0), 0.8f);   // (5 + 3) / (7 + 3)
  EXPECT_EQ(ScaleProfileRow(row, 2), 1.0f);   // the largest score
  EXPECT_EQ(ScaleProfileRow(row, 1), 0.0f);   // the smallest score
  EXPECT_EQ(ScaleProfileRow(row, 19), 0.5f);  // V is column 19
  EXPECT_EQ(ScaleProfileRow(Repeated(4), 7), 1.0f);
  EXPECT_EQ(ScaleProfileRow(Repeated(-2), 7), 0.0f);
  EXPECT_EQ(ScaleProfileRow(Repeated(0), 7), 0.0f);
  // Only the first 20 scores count.
  EXPECT_EQ(ScaleProfileRow(Repeated(1) + " 100 -100", 0), 1.0f);
}

TEST(ProfileRow, FewerThanTwentyScoresIsNoRow) {
  EXPECT_FALSE(ScaleProfileRow(Repeated(1, 19), 0));
  EXPECT_FALSE(ScaleProfileRow(Repeated(1, 19) + " ", 0));
  EXPECT_FALSE(ScaleProfileRow("", 0));
  EXPECT_TRUE(ScaleProfileRow(Repeated(1, 20) + " ", 0));
}

TEST(ProfileColumn, WorkedExample) {
  const Lines table = {"3", "ignored line 2", Row({4, -2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}),
                       Row({-1, -3, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}), Repeated(2)};
  EXPECT_EQ(ProfileColumnTrack(table, 0, 3, "p.tab"), (std::vector<float>{1.0f, 0.75f, 1.0f}));
}

TEST(ProfileColumn, RowCountComesFromLineOne) {
  // Rows beyond n are not used (nor checked); positions without a row are 0.
  EXPECT_EQ(ProfileColumnTrack(Lines{"2", "", Repeated(4), Repeated(4), "short"}, 0, 1, "p.tab"),
            (std::vector<float>{1.0f, 1.0f}));
  EXPECT_EQ(ProfileColumnTrack(Lines{"4", "", Repeated(4)}, 0, 1, "p.tab"), (std::vector<float>{1.0f, 0, 0, 0}));
  EXPECT_EQ(ProfileColumnTrack(Lines{"4", "", Repeated(4), Repeated(4)}, 0, 3, "p.tab"),
            (std::vector<float>{1.0f, 2.0f / 3.0f, 1.0f / 3.0f, 0.0f}));
  EXPECT_TRUE(ProfileColumnTrack(Lines{"not a number", "", Repeated(4)}, 0, 1, "p.tab").empty());
}

TEST(ProfileColumn, RejectsEmptyTablesNegativeCountsAndShortRows) {
  EXPECT_EQ(FailureMessage([] { ProfileColumnTrack(Lines{}, 0, 1, "p.tab"); }), "p.tab: empty profile table");
  EXPECT_EQ(FailureMessage([] { ProfileColumnTrack(Lines{"-1", ""}, 0, 1, "p.tab"); }),
            "p.tab line 1: negative residue count");
  EXPECT_EQ(FailureMessage([] { ProfileColumnTrack(Lines{"2", "", Repeated(4), Repeated(4, 19)}, 0, 1, "p.tab"); }),
            "p.tab line 4: fewer than 20 scores");
}

}  // namespace
