#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using linkerkit::test::Printf;
using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

constexpr const char *kUsage = "ApplyResidueScale [FASTA file] [AAIndex score file] [ws]\n";

TEST(ApplyResidueScaleCli, PrintsTheSmoothedScale) {
  TempDir dir;
  WriteFile(dir / "p.fa", ">P1\nACG\nXA\n");
  WriteFile(dir / "s.tsv", "A\t1.0\r\nC\t2.0\r\nG\t3.0\r\n");
  const auto result = RunTool("ApplyResidueScale", {dir / "p.fa", dir / "s.tsv", "3"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(
      result.out,
      "1.000000 #QUERY 0 5\n2.000000 #QUERY 1 5\n2.333333 #QUERY 2 5\n2.000000 #QUERY 3 5\n1.000000 #QUERY 4 5\n");

  WriteFile(dir / "lower.fa", ">P1\nacgxa\n");
  const auto empty = RunTool("ApplyResidueScale", {dir / "lower.fa", dir / "s.tsv", "3"});
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(empty.out, "");
}

TEST(ApplyResidueScaleCli, FailuresAreOneLineAndStatusOne) {
  TempDir dir;
  WriteFile(dir / "p.fa", ">P1\nACDE\n");
  WriteFile(dir / "s.tsv", "A\t1.0\n");
  WriteFile(dir / "empty.tsv", "");
  WriteFile(dir / "blank.tsv", "A\t1.0\n\nC\t2.0\n");
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  for (const Case &c : {
           Case{{dir / "p.fa", dir / "s.tsv"}, kUsage},
           Case{{dir / "missing.fa", dir / "s.tsv", "3"}, "cannot open " + (dir / "missing.fa") + "\n"},
           Case{{dir / "p.fa", dir / "missing.tsv", "3"}, "cannot open " + (dir / "missing.tsv") + "\n"},
           // the window size is checked before any file is read
           Case{{dir / "missing.fa", dir / "missing.tsv", "0"}, "invalid window size: 0\n"},
           Case{{dir / "p.fa", dir / "empty.tsv", "3"}, dir / "empty.tsv" + ": empty residue scale\n"},
           Case{{dir / "p.fa", dir / "blank.tsv", "3"}, dir / "blank.tsv" + " line 2: no TAB before the value\n"},
       }) {
    const auto result = RunTool("ApplyResidueScale", c.arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, c.message);
  }
}

TEST(ApplyResidueScaleCli, ValuesAtTheEdgesPrintAsPrintfDoes) {
  TempDir dir;
  const std::vector<std::string> values = {"1e308", "-1e308", "-0.0", "inf", "-inf", "nan", "1e-320", "-1e-320"};
  const std::string letters = "ACDEFGHI";
  std::string scale;
  for (std::size_t i = 0; i < values.size(); ++i) scale += std::string(1, letters[i]) + "\t" + values[i] + "\n";
  WriteFile(dir / "s.tsv", scale);
  WriteFile(dir / "p.fa", ">P1\n" + letters + "\n");
  // Windows wider than the chain leave every value as it was read.
  for (const char *ws : {"2147483647", "2147483646"}) {
    std::string expected;
    for (std::size_t i = 0; i < values.size(); ++i) {
      expected += Printf("%f #QUERY %zu %zu\n", std::strtod(values[i].c_str(), nullptr), i, values.size());
    }
    const auto result = RunTool("ApplyResidueScale", {dir / "p.fa", dir / "s.tsv", ws});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, expected) << ws;
  }
  // Sums beyond the double range are infinite; -0.0 added to 0 is 0.
  WriteFile(dir / "q.fa", ">Q\nAAADDH\n");
  const auto sums = RunTool("ApplyResidueScale", {dir / "q.fa", dir / "s.tsv", "3"});
  EXPECT_EQ(sums.status, 0);
  EXPECT_EQ(sums.out, Printf("%f #QUERY 0 6\n", 1e308) + "inf #QUERY 1 6\ninf #QUERY 2 6\n" +
                          Printf("%f #QUERY 3 6\n", 1e308 / 3) + "0.000000 #QUERY 4 6\n0.000000 #QUERY 5 6\n");
}

}  // namespace
