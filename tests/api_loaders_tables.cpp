#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "linkerkit/LoadData.h"
#include "loaders_test_support.h"
#include "test_support.h"

namespace {

using linkerkit::test::Entries;
using linkerkit::test::OwnedDSSP;
using linkerkit::test::OwnedEigen;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

// ---- DSSP detail table ----

TEST(GetDSSPFromDetail, OneEntryPerLine) {
  TempDir dir;
  WriteFile(dir / "d.txt",
            "A\t12\t10\tA\tH\t35.0\t-60.5\t-45.2\t#7\n"
            "B\t-3\t11\tG\tE\t1e1\t2\t3\tnote # 8 # 9\n"
            "C\t5\t6\tSX\tTY\t0.5\t0.25\t0.125\tno mark\n");
  const OwnedDSSP d(GetDSSPFromDetail((dir / "d.txt").c_str()));
  ASSERT_TRUE(d);
  ASSERT_EQ(d->num, 3);
  EXPECT_EQ(Entries(d->number_a, 3), (std::vector<int>{12, -3, 5, 0}));
  EXPECT_EQ(Entries(d->number_b, 3), (std::vector<int>{10, 11, 6, 0}));
  EXPECT_STREQ(d->letter_a, "AGS");
  EXPECT_STREQ(d->letter_b, "HET");
  EXPECT_EQ(Entries(d->value_a, 3), (std::vector<double>{35.0, 10, 0.5, 0}));
  EXPECT_EQ(Entries(d->value_b, 3), (std::vector<double>{-60.5, 2, 0.25, 0}));
  EXPECT_EQ(Entries(d->value_c, 3), (std::vector<double>{-45.2, 3, 0.125, 0}));
  EXPECT_EQ(Entries(d->mark, 3), (std::vector<int>{7, 8, 0, 0}));
}

TEST(GetDSSPFromDetail, MissingFieldsReadAsZero) {
  TempDir dir;
  // An empty line, a line cut after its letters, a "#" before the seventh
  // tab (not the mark) and a line ending right after a tab.
  WriteFile(dir / "d.txt", "\nA\t1\t2\tC\tD\nB\t#5\t2\tC\tD\t1\t2\t3\nC\t1\t2\t");
  const OwnedDSSP d(GetDSSPFromDetail((dir / "d.txt").c_str()));
  ASSERT_TRUE(d);
  ASSERT_EQ(d->num, 4);
  EXPECT_EQ(Entries(d->number_a, 4), (std::vector<int>{0, 1, 0, 1, 0}));
  EXPECT_EQ(Entries(d->letter_a, 4), (std::vector<char>{0, 'C', 'C', 0, 0}));
  EXPECT_EQ(Entries(d->letter_b, 4), (std::vector<char>{0, 'D', 'D', 0, 0}));
  EXPECT_EQ(Entries(d->value_c, 4), (std::vector<double>{0, 0, 3, 0, 0}));
  EXPECT_EQ(Entries(d->mark, 4), (std::vector<int>{0, 0, 0, 0, 0}));

  WriteFile(dir / "empty.txt", "");
  EXPECT_EQ(GetDSSPFromDetail((dir / "empty.txt").c_str()), nullptr);
  EXPECT_EQ(GetDSSPFromDetail((dir / "missing.txt").c_str()), nullptr);
  ClearDSSP(nullptr);
}

// ---- Eigen file ----

// A vector block: its line, the line after it, then the component lines.
std::string Block(const std::string &vector_line, const std::vector<std::string> &components) {
  std::string block = vector_line + "\n ----------\n";
  for (const auto &line : components) block += line + "\n";
  return block;
}

TEST(GetEigen, SixVectorsOfSixComponents) {
  TempDir dir;
  std::string file = "EIGENVECTORS OF THE MASS-WEIGHTED HESSIAN\n\n";
  for (int j = 1; j <= 6; ++j) {
    const std::string v = std::to_string(j);
    file += Block(" VECTOR " + v + "  VALUE  " + v + ".5E+02", {"  0." + v + "  -1." + v + "   2", "   3  4  5." + v});
  }
  WriteFile(dir / "e.txt", file);
  const OwnedEigen e(GetEigen((dir / "e.txt").c_str()));
  ASSERT_TRUE(e);
  ASSERT_EQ(e->num, 6);
  EXPECT_EQ(Entries(e->value, 6), (std::vector<double>{150, 250, 350, 450, 550, 650, 0}));
  EXPECT_EQ(Entries(e->vector[0], 6), (std::vector<double>{0.1, -1.1, 2, 3, 4, 5.1, 0}));
  EXPECT_EQ(Entries(e->vector[5], 6), (std::vector<double>{0.6, -1.6, 2, 3, 4, 5.6, 0}));
  EXPECT_EQ(e->vector[6], nullptr);
}

TEST(GetEigen, VectorLinesAndMissingValues) {
  TempDir dir;
  // "VECTOR" without the leading blank is a component line; a vector line
  // without "VALUE" ends the reading but still counts.
  WriteFile(dir / "e.txt", Block(" VECTOR 1 VALUE 2", {"1 2", "VECTOR 9", "7 8 9"}) + Block(" VECTOR 2", {"5 5 5"}) +
                               Block(" VECTOR 3 VALUE 4", {"6 6 6"}));
  const OwnedEigen e(GetEigen((dir / "e.txt").c_str()));
  ASSERT_TRUE(e);
  ASSERT_EQ(e->num, 3);
  EXPECT_EQ(Entries(e->value, 3), (std::vector<double>{2, 0, 0, 0}));
  EXPECT_EQ(Entries(e->vector[0], 3), (std::vector<double>{1, 2, 0, 0}));  // "VECTOR 9" reads 0s, then no room
  EXPECT_EQ(Entries(e->vector[1], 3), (std::vector<double>(4, 0.0)));
  EXPECT_EQ(Entries(e->vector[2], 3), (std::vector<double>(4, 0.0)));

  WriteFile(dir / "none.txt", "no vectors here\n");
  WriteFile(dir / "empty.txt", "");
  for (const char *name : {"none.txt", "empty.txt", "missing.txt"}) {
    const OwnedEigen none(GetEigen((dir / name).c_str()));
    ASSERT_TRUE(none) << name;
    EXPECT_EQ(none->num, 0);
    EXPECT_EQ(none->vector[0], nullptr);
  }
  ClearEigen(nullptr);
}

TEST(GetEigen, ComponentsBeyondAVectorAreIgnored) {
  TempDir dir;
  // Two vectors hold three components each: the second component line and
  // the empty last line have no room; "VALUE" without a blank reads 0; a
  // vector line at the very end has nothing to read.
  WriteFile(dir / "e.txt", Block(" VECTOR 1 VALUE 3", {"1 2 3", "4 5 6", "7 8 9", ""}) + " VECTOR 2 VALUE\n");
  const OwnedEigen e(GetEigen((dir / "e.txt").c_str()));
  ASSERT_TRUE(e);
  ASSERT_EQ(e->num, 2);
  EXPECT_EQ(Entries(e->vector[0], 2), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(Entries(e->value, 2), (std::vector<double>{3, 0, 0}));
}

}  // namespace
