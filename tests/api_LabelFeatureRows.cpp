#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "failure_message.h"
#include "label_rows.h"
#include "test_support.h"

namespace {

using linkerkit::AppendLabelledRow;
using linkerkit::ReadLinkerMarks;
using linkerkit::test::FailureMessage;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

TEST(LabelFeatureRows, LinkerMarksConsecutiveKeyLinesOfTheWholeKeyOnly) {
  TempDir dir;
  // P10 comes first and begins with P1; the second P1 line adds a region.
  WriteFile(dir / "regions",
            "P10|1,8|linker|8|8\n"
            "P1|2,3|linker|2|6\n"
            "P1|6,6|linker|1|6\n"
            "Q2|1,4|linker|4|4\n");
  EXPECT_EQ(ReadLinkerMarks(dir / "regions", "P1"), (std::vector<bool>{false, true, true, false, false, true}));
  EXPECT_EQ(ReadLinkerMarks(dir / "regions", "Q2"), (std::vector<bool>(4, true)));
  EXPECT_EQ(FailureMessage([&] { ReadLinkerMarks(dir / "regions", "P"); }),
            "no linker region for P in " + (dir / "regions"));
  EXPECT_EQ(FailureMessage([&] { ReadLinkerMarks(dir / "missing", "P1"); }), "cannot open " + (dir / "missing"));
}

TEST(LabelFeatureRows, LabelledRowReplacesTheLabelAndKeepsTheRest) {
  const std::vector<bool> marks = {false, true, false};
  std::string out;
  AppendLabelledRow(out, "0 1:0.500000 2:0.100000 #QUERY 1 3", 1, marks, "v");
  AppendLabelledRow(out, "0 1:0.500000 2:0.100000 #QUERY 2 3", 2, marks, "v");
  AppendLabelledRow(out, "#QUERY 0 3", 3, marks, "v");
  EXPECT_EQ(out, "+1 1:0.500000 2:0.100000 #QUERY 1 3\n-1 1:0.500000 2:0.100000 #QUERY 2 3\n-1 #QUERY 0 3\n");
}

TEST(LabelFeatureRows, LabelledRowRejectsLinesThatDoNotFitTheRegions) {
  const std::vector<bool> marks(3);
  std::string out;
  const auto message = [&](const char *line) {
    return FailureMessage([&] { AppendLabelledRow(out, line, 7, marks, "v"); });
  };
  EXPECT_EQ(message("0 1:0.5 2:0.1"), "v line 7: no #QUERY comment");
  EXPECT_EQ(message("0 1:0.5 #QUERY 1"), "v line 7: malformed comment \"#QUERY 1\": expected #QUERY POSITION LENGTH");
  EXPECT_EQ(message("0 1:0.5 #"), "v line 7: malformed comment \"#\": expected #QUERY POSITION LENGTH");
  EXPECT_EQ(message("0 1:0.5 #QUERY 1 4"), "v line 7: residue count 4 differs from the region length 3");
  EXPECT_EQ(message("0 1:0.5 #QUERY 3 3"), "v line 7: position 3 outside 0 to 2");
  EXPECT_EQ(message("0 1:0.5 #QUERY -1 3"),
            "v line 7: malformed comment \"#QUERY -1 3\": expected #QUERY POSITION LENGTH");
  EXPECT_EQ(out, "");
}

}  // namespace
