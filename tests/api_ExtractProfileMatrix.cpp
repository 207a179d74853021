#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "failure_message.h"
#include "profile_matrix.h"

namespace {

using linkerkit::test::FailureMessage;
using Lines = std::vector<std::string>;

std::string ProfileTableFromMtx(const Lines &lines, std::string_view path) {
  linkerkit::ProfileTableBuilder builder(path);
  for (std::size_t i = 0; i < lines.size(); ++i) builder.AddLine(lines[i], i + 1);
  return builder.Finish();
}

// A row whose columns 0 to 27 hold -32768, 1, 2, ..., 27, each followed by
// two blanks as PSI-BLAST writes them.
std::string CountingRow() {
  std::string row = "-32768  ";
  for (int column = 1; column < 28; ++column) row += std::to_string(column) + "  ";
  return row;
}

TEST(ExtractProfileMatrix, PicksTheTwentyColumnsInProfileOrder) {
  const Lines mtx = {
      "2",
      "sequence",
      "2.670000e-03",
      "4.100000e-02",
      CountingRow(),
      "-32768   -5 -32768 -7  -9   -11 -13 -15 -17 -19 -21 -23 -25 -27 -29 -31 -33 -35 -37 -39 -41 -100 -43"};
  EXPECT_EQ(ProfileTableFromMtx(mtx, "p.mtx"),
            "2\nsequence\n"
            "1 16 13 4 3 15 5 7 8 9 11 10 12 6 14 17 18 20 22 19\n"
            "-5 -33 -27 -9 -7 -31 -11 -15 -17 -19 -23 -21 -25 -13 -29 -35 -37 -41 -43 -39\n");
}

TEST(ExtractProfileMatrix, HeaderLinesAndTheEndOfTheMatrix) {
  // Only a lower-case "e" marks a header line; the first line after the
  // rows that does not begin with -32768 ends the matrix.
  EXPECT_EQ(ProfileTableFromMtx(Lines{"1", "A", "1.0e-01", CountingRow(), "", CountingRow()}, "p.mtx"),
            "1\nA\n1 16 13 4 3 15 5 7 8 9 11 10 12 6 14 17 18 20 22 19\n");
  EXPECT_EQ(FailureMessage([] {
              ProfileTableFromMtx(Lines{"1", "A", "1.0E-01", CountingRow()}, "p.mtx");
            }),
            "p.mtx: no matrix row (no line beginning with -32768 after the header lines)");
  // Header lines that are lone zeros (a single-sequence matrix) hold no "e".
  EXPECT_EQ(FailureMessage([] {
              ProfileTableFromMtx(Lines{"1", "A", "0", "0", CountingRow()}, "p.mtx");
            }),
            "p.mtx: no matrix row (no line beginning with -32768 after the header lines)");
  EXPECT_EQ(FailureMessage([] {
              ProfileTableFromMtx(Lines{"1", "A", "1.0e-01", "2.0e-01"}, "p.mtx");
            }),
            "p.mtx: no matrix row (no line beginning with -32768 after the header lines)");
}

TEST(ExtractProfileMatrix, RowsNeedTwentyThreeIntegers) {
  // 23 columns (up to Y) are enough; 22 are not, trailing blanks or not.
  std::string row23 = "-32768";
  for (int column = 1; column < 23; ++column) row23 += ' ' + std::to_string(column);
  EXPECT_EQ(ProfileTableFromMtx(Lines{"1", "A", row23}, "p.mtx"),
            "1\nA\n1 16 13 4 3 15 5 7 8 9 11 10 12 6 14 17 18 20 22 19\n");
  const std::string row22 = row23.substr(0, row23.rfind(' ')) + "   ";
  EXPECT_EQ(FailureMessage([&] {
              ProfileTableFromMtx(Lines{"1", "A", "1e0", CountingRow(), row22}, "p.mtx");
            }),
            "p.mtx line 5: matrix row with fewer than 23 integers");
}

TEST(ExtractProfileMatrix, RejectsShortInput) {
  EXPECT_EQ(FailureMessage([] { ProfileTableFromMtx(Lines{}, "p.mtx"); }), "p.mtx: empty checkpoint matrix");
  EXPECT_EQ(FailureMessage([] { ProfileTableFromMtx(Lines{"1", "A"}, "p.mtx"); }), "p.mtx: fewer than three lines");
}

}  // namespace
