#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

using linkerkit::test::Printf;
using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

// A protein's score lines, "%f #NAME i n".
std::string ScoreLines(const std::string &name, const std::vector<double> &values) {
  std::string lines;
  for (std::size_t i = 0; i < values.size(); ++i) {
    lines += Printf("%f #%s %zu %zu\n", values[i], name.c_str(), i, values.size());
  }
  return lines;
}

// n values of low with the given peaks.
std::vector<double> Profile(std::size_t n, std::vector<std::pair<std::size_t, double>> peaks, double low = 0.1) {
  std::vector<double> values(n, low);
  for (const auto &[position, value] : peaks) values[position] = value;
  return values;
}

struct Folder {
  TempDir dir;
  explicit Folder(const std::string &scores) { WriteFile(dir / "scores.txt", scores); }
  linkerkit::test::RunResult Run(const std::string &threshold, const std::string &min_domain,
                                 const std::string &offset) {
    return RunTool("SegmentDomains", {dir / "scores.txt", threshold, min_domain, offset});
  }
};

TEST(SegmentDomainsCli, ManyProteinsInDescendingNameOrder) {
  // With domains of 10, P2's peaks are too close for two boundaries: only
  // the best, its linker the stretch at or above the threshold around it.
  // P10 is shorter than two domains; Q3's peak at 3 would leave a first
  // domain 3 long; A1 has no score above the threshold.
  Folder folder(ScoreLines("P2", Profile(50, {{19, 0.6}, {20, 0.7}, {21, 0.9}, {22, 0.7}, {27, 0.8}})) +
                ScoreLines("P10", Profile(19, {{9, 0.9}})) +
                ScoreLines("Q3", Profile(60, {{3, 0.9}, {12, 0.6}, {30, 0.8}, {47, 0.7}})) +
                ScoreLines("A1", Profile(30, {})));
  const auto result = folder.Run("0.5", "10", "0");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out,
            "Q3|30,30|1|0.800000|60|30|1\nQ3|47,47|1|0.700000|60|47|2\nQ3|12,12|1|0.600000|60|12|3\n"
            "P2|20,22|3|0.900000|50|21|1\n");
  // Domains of 3: P2's best pair, each linker short of halfway to the other.
  const std::string others = "P2|20,22|3|0.900000|50|21|1\nP2|27,27|1|0.800000|50|27|2\nP10|9,9|1|0.900000|19|9|1\n";
  EXPECT_EQ(folder.Run("0.5", "3", "0").out,
            "Q3|3,3|1|0.900000|60|3|1\nQ3|30,30|1|0.800000|60|30|2\nQ3|47,47|1|0.700000|60|47|3\n"
            "Q3|12,12|1|0.600000|60|12|4\n" +
                others);
  // An offset of 3 leaves out position 3.
  EXPECT_EQ(folder.Run("0.5", "3", "3").out,
            "Q3|30,30|1|0.800000|60|30|1\nQ3|47,47|1|0.700000|60|47|2\nQ3|12,12|1|0.600000|60|12|3\n" + others);
}

TEST(SegmentDomainsCli, OneProteinAndNoCall) {
  Folder folder(ScoreLines("P1", Profile(120, {{60, 2.5}, {61, 1.2}, {59, 1.1}})));
  EXPECT_EQ(folder.Run("1.0", "40", "10").out, "P1|59,61|3|2.500000|120|60|1\n");
  EXPECT_EQ(folder.Run("2.5", "40", "10").out, "No prediction\n");
  EXPECT_EQ(folder.Run("1e3", "40", "10").out, "No prediction\n");
  EXPECT_EQ(folder.Run("1.0", "61", "10").out, "No prediction\n");
  Folder empty("");
  const auto result = empty.Run("0", "1", "0");
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "No prediction\n");
}

TEST(SegmentDomainsCli, FailsWithOneLine) {
  Folder folder("0.5 #P1 0 3\n0.5 #P1 1 3\n0.5 #P1 3 3\n");
  const std::string scores = folder.dir / "scores.txt";
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{scores, "0.5", "1", "0"}, scores + " line 3: protein P1 has position 3 where 2 was due"},
      {{folder.dir / "none.txt", "0.5", "1", "0"}, "cannot open " + (folder.dir / "none.txt")},
      {{folder.dir.path().string(), "0.5", "1", "0"}, "cannot open " + folder.dir.path().string()},
      {{scores, "nan", "1", "0"}, "invalid threshold 'nan': expected a finite decimal number"},
      {{scores, "0.5x", "1", "0"}, "invalid threshold '0.5x': expected a finite decimal number"},
      {{scores, "1e999", "1", "0"}, "invalid threshold '1e999': expected a finite decimal number"},
      {{scores, "0.5", "0", "0"}, "invalid min domain length '0': expected a whole number, 1 or more"},
      {{scores, "0.5", "4.0", "0"}, "invalid min domain length '4.0': expected a whole number, 1 or more"},
      {{scores, "0.5", "1", "-1"}, "invalid offset '-1': expected a whole number, 0 or more"},
      {{scores, "0.5", "1", "99999999999"}, "invalid offset '99999999999': expected a whole number, 0 or more"},
      {{scores, "0.5", "1"}, "SegmentDomains [score file] [threshold] [min domain length] [offset]"},
  };
  for (const Case &c : cases) {
    const auto result = RunTool("SegmentDomains", c.arguments);
    EXPECT_EQ(result.status, 1) << c.message;
    EXPECT_EQ(result.out, c.message + "\n");
  }
}

}  // namespace
