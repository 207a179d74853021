#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "failure_message.h"
#include "profile_column.h"
#include "test_support.h"

namespace {

using linkerkit::ScaleProfileRow;
using linkerkit::test::FailureMessage;
using linkerkit::test::Printf;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;
using Lines = std::vector<std::string>;

// What TrackProfileColumn prints for a table written to path, choosing the
// column by its letter.
std::string ProfileColumnTrack(const Lines &table, char letter, int ws, const std::string &path) {
  std::string text;
  for (const auto &line : table) text += line + "\n";
  WriteFile(path, text);
  std::vector<std::string> words = {path, std::string(1, letter), std::to_string(ws)};
  std::vector<char *> arguments;
  for (auto &word : words) arguments.push_back(word.data());
  char *buffer = nullptr;
  std::size_t size = 0;
  std::FILE *out = open_memstream(&buffer, &size);
  std::string printed;
  try {
    linkerkit::RunTrackProfileColumn(linkerkit::Arguments(arguments), out);
  } catch (...) {
    std::fclose(out);
    std::free(buffer);
    throw;
  }
  std::fclose(out);
  printed.assign(buffer, size);
  std::free(buffer);
  return printed;
}

// The track lines printf writes for the values (single precision, widened).
std::string Track(const std::vector<float> &values) {
  std::string text;
  const int n = static_cast<int>(values.size());
  for (int i = 0; i < n; ++i) text += Printf("%f #query %d %d\n", static_cast<double>(values[i]), i, n);
  return text;
}

std::string Row(const std::vector<int> &scores) {
  std::string row;
  for (const int score : scores) {
    if (!row.empty()) row += ' ';
    row += std::to_string(score);
  }
  return row;
}

std::string Repeated(int score, int times = 20) {
  return Row(std::vector<int>(static_cast<std::size_t>(times), score));
}

TEST(TrackProfileColumn, ProfileRowRangeAlwaysHoldsZero) {
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

TEST(TrackProfileColumn, ProfileRowFewerThanTwentyScoresIsNoRow) {
  EXPECT_FALSE(ScaleProfileRow(Repeated(1, 19), 0));
  EXPECT_FALSE(ScaleProfileRow(Repeated(1, 19) + " ", 0));
  EXPECT_FALSE(ScaleProfileRow("", 0));
  EXPECT_TRUE(ScaleProfileRow(Repeated(1, 20) + " ", 0));
}

TEST(TrackProfileColumn, ProfileColumnWorkedExample) {
  TempDir dir;
  const Lines table = {"3", "ignored line 2", Row({4, -2, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}),
                       Row({-1, -3, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}), Repeated(2)};
  EXPECT_EQ(ProfileColumnTrack(table, 'A', 3, dir / "p.tab"), Track({1.0f, 0.75f, 1.0f}));
  // R is column 1: -2 in a row from -2 to 4, -3 in one from -3 to 5.
  EXPECT_EQ(ProfileColumnTrack(table, 'R', 1, dir / "p.tab"), Track({0.0f, 0.0f, 1.0f}));
}

TEST(TrackProfileColumn, ProfileColumnRowCountComesFromLineOne) {
  TempDir dir;
  const std::string path = dir / "p.tab";
  // Rows beyond n are not used (nor checked); positions without a row are 0.
  EXPECT_EQ(ProfileColumnTrack(Lines{"2", "", Repeated(4), Repeated(4), "short"}, 'A', 1, path), Track({1.0f, 1.0f}));
  EXPECT_EQ(ProfileColumnTrack(Lines{"4", "", Repeated(4)}, 'A', 1, path), Track({1.0f, 0, 0, 0}));
  EXPECT_EQ(ProfileColumnTrack(Lines{"4", "", Repeated(4), Repeated(4)}, 'A', 3, path),
            Track({1.0f, 2.0f / 3.0f, 1.0f / 3.0f, 0.0f}));
  EXPECT_EQ(ProfileColumnTrack(Lines{"not a number", "", Repeated(4)}, 'A', 1, path), "");
}

TEST(TrackProfileColumn, ProfileColumnRejectsEmptyTablesNegativeCountsShortRowsAndUnknownLetters) {
  TempDir dir;
  const std::string path = dir / "p.tab";
  EXPECT_EQ(FailureMessage([&] { ProfileColumnTrack(Lines{}, 'A', 1, path); }), path + ": empty profile table");
  EXPECT_EQ(FailureMessage([&] {
              ProfileColumnTrack(Lines{"-1", ""}, 'A', 1, path);
            }),
            path + " line 1: negative residue count");
  EXPECT_EQ(FailureMessage([&] {
              ProfileColumnTrack(Lines{"2", "", Repeated(4), Repeated(4, 19)}, 'A', 1, path);
            }),
            path + " line 4: fewer than 20 scores");
  EXPECT_EQ(FailureMessage([&] { ProfileColumnTrack(Lines{"1", "", Repeated(4)}, 'B', 1, path); }), "Non AA code");
}

}  // namespace
