#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

// Domains from 1, in any order; report positions from 0. True boundaries:
// P2 100.5, P1 125.5 (its domains listed last first), M1 55.5, Q1 100.5;
// S1 and S2 have one domain each.
constexpr const char *kTruth =
    "P2|1,80|domain|80|200\n"
    "P1|151,300|domain|150|300\n"
    "S1|1,90|domain|90|90\n"
    "P1|1,100|domain|100|300\n"
    "M1|1,50|domain|50|120\n"
    "P2|121,200|domain|80|200\n"
    "Q1|101,200|domain|100|200\n"
    "M1|61,120|domain|60|120\n"
    "Q1|1,100|domain|100|200\n"
    "S2|1,60|domain|60|60\n";

// P1: two predictions (125, 129) near its one boundary. P2: 80.5, exactly
// 20 before its boundary. Q1: 121, 20.5 after. S1: a boundary it does not
// have. M1 and S2 are not named; "No prediction" comes from a protein's own
// report joined to the others.
constexpr const char *kReport =
    "P1|120,128|9|2.500000|300|124|1\n"
    "P1|126,130|5|1.500000|300|128|2\n"
    "No prediction\n"
    "P2|79,80|2|1.200000|200|80|1\n"
    "Q1|119,121|3|1.100000|200|120|1\n"
    "S1|40,50|11|1.300000|90|45|1\n";

constexpr const char *kHeader =
    "#protein\tdomains\ttrue\tpredicted\tmatched\tprecision\trecall\tF1\ttrue_boundaries\tpredicted_boundaries\n";

TEST(EvaluateLinkersCli, OneRowPerTruthProteinThenTheTotals) {
  TempDir dir;
  WriteFile(dir / "truth", kTruth);
  WriteFile(dir / "report", kReport);
  const auto result = RunTool("EvaluateLinkers", {dir / "report", dir / "truth"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, std::string(kHeader) +
                            "P2\t2\t1\t1\t1\t1.000000\t1.000000\t1.000000\t100.5\t80.5\n"
                            "P1\t2\t1\t2\t1\t0.500000\t1.000000\t0.666667\t125.5\t125,129\n"
                            "S1\t1\t0\t1\t0\t0.000000\t-\t0.000000\t-\t46\n"
                            "M1\t2\t1\t0\t0\t-\t0.000000\t0.000000\t55.5\t-\n"
                            "Q1\t2\t1\t1\t0\t0.000000\t0.000000\t0.000000\t100.5\t121\n"
                            "S2\t1\t0\t0\t0\t-\t-\t-\t-\t-\n"
                            "total\tproteins=6\ttrue=4\tpredicted=5\tmatched=2\tprecision=0.400000\trecall=0.500000"
                            "\tF1=0.444444\n"
                            "mean_protein_F1\t0.416667\tover=4\n"
                            "domain_number_accuracy\t0.500000\tover=6\n");
}

// A byte-order mark before the first protein's name is no part of it: P2
// stays one protein of two domains.
TEST(EvaluateLinkersCli, AByteOrderMarkIsNotPartOfTheFirstName) {
  TempDir dir;
  WriteFile(dir / "truth", kTruth);
  WriteFile(dir / "marked", std::string("\xEF\xBB\xBF") + kTruth);
  WriteFile(dir / "report", kReport);
  const auto plain = RunTool("EvaluateLinkers", {dir / "report", dir / "truth"});
  const auto marked = RunTool("EvaluateLinkers", {dir / "report", dir / "marked"});
  EXPECT_EQ(marked.status, 0);
  EXPECT_EQ(marked.out, plain.out);
}

TEST(EvaluateLinkersCli, ToleranceArgumentAndEmptyReport) {
  TempDir dir;
  WriteFile(dir / "truth", kTruth);
  WriteFile(dir / "report", kReport);
  WriteFile(dir / "empty", "");
  // At 21 residues Q1's prediction, 20.5 off, matches too; at 0 none does.
  const auto wide = RunTool("EvaluateLinkers", {dir / "report", dir / "truth", "21"});
  EXPECT_EQ(wide.status, 0);
  EXPECT_NE(wide.out.find("Q1\t2\t1\t1\t1\t1.000000\t1.000000\t1.000000\t100.5\t121\n"), std::string::npos);
  EXPECT_NE(wide.out.find("\tmatched=3\t"), std::string::npos);
  const auto exact = RunTool("EvaluateLinkers", {dir / "report", dir / "truth", "0"});
  EXPECT_NE(exact.out.find("\tmatched=0\t"), std::string::npos);
  // Rank 0 gives an empty report: nothing predicted, nothing wrong.
  const auto none = RunTool("EvaluateLinkers", {dir / "empty", dir / "truth"});
  EXPECT_EQ(none.status, 0);
  EXPECT_NE(
      none.out.find("total\tproteins=6\ttrue=4\tpredicted=0\tmatched=0\tprecision=0.000000\trecall=0.000000"
                    "\tF1=0.000000\nmean_protein_F1\t0.000000\tover=4\ndomain_number_accuracy\t0.333333\tover=6\n"),
      std::string::npos);
}

TEST(EvaluateLinkersCli, DomainIdsJoinTheSegmentsOfADomain) {
  TempDir dir;
  // 19hcA: domain D2 split around D1's first segment, boundaries 99.5,
  // 129.5 and 167.5, two domains. G1: D1's two segments lie apart with no
  // other domain between them, so its one boundary is 100.5.
  WriteFile(dir / "truth",
            "19hcA|100,129|D1|30|292\n19hcA|1,99|D2|99|292\n19hcA|130,167|D2|38|292\n19hcA|168,292|D1|125|292\n"
            "G1|1,40|D1|40|200\nG1|51,100|D1|50|200\nG1|101,200|D2|100|200\n");
  WriteFile(dir / "report", "19hcA|96,100|5|1.0|292|98|1\nG1|98,100|3|1.0|200|99|1\n");
  const auto result = RunTool("EvaluateLinkers", {"--domain-ids", dir / "report", dir / "truth"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, std::string(kHeader) +
                            "19hcA\t2\t3\t1\t1\t1.000000\t0.333333\t0.500000\t99.5,129.5,167.5\t99\n"
                            "G1\t2\t1\t1\t1\t1.000000\t1.000000\t1.000000\t100.5\t100\n"
                            "total\tproteins=2\ttrue=4\tpredicted=2\tmatched=2\tprecision=1.000000\trecall=0.500000"
                            "\tF1=0.666667\n"
                            "mean_protein_F1\t0.750000\tover=2\n"
                            "domain_number_accuracy\t1.000000\tover=2\n");
  // Without the option every line is a domain of its own.
  const auto plain = RunTool("EvaluateLinkers", {dir / "report", dir / "truth"});
  EXPECT_NE(plain.out.find("19hcA\t4\t3\t1\t1\t"), std::string::npos) << plain.out;
  EXPECT_NE(plain.out.find("G1\t3\t2\t1\t1\t1.000000\t0.500000\t0.666667\t45.5,100.5\t100\n"), std::string::npos)
      << plain.out;
  EXPECT_NE(plain.out.find("domain_number_accuracy\t0.000000\tover=2\n"), std::string::npos);
  // The tolerance still follows, and so does the known-option check.
  EXPECT_NE(RunTool("EvaluateLinkers", {"--domain-ids", dir / "report", dir / "truth", "0"}).out.find("matched=0"),
            std::string::npos);
  WriteFile(dir / "overlap", "X|1,50|D1|50|100\nX|40,100|D2|61|100\n");
  const auto overlap = RunTool("EvaluateLinkers", {"--domain-ids", dir / "report", dir / "overlap"});
  EXPECT_EQ(overlap.status, 1);
  EXPECT_EQ(overlap.out, dir / "overlap" + " line 2: segment 40,100 of X overlaps line 1\n");
}

TEST(EvaluateLinkersCli, FailuresPrintOneLine) {
  TempDir dir;
  WriteFile(dir / "truth", kTruth);
  WriteFile(dir / "report", kReport);
  const std::string truth = dir / "truth";
  const std::string report = dir / "report";
  const std::string bad = dir / "bad";
  struct Case {
    std::string truth_text;   // written to "bad" when not empty
    std::string report_text;  // likewise
    std::vector<std::string> arguments;
    std::string message;
  };
  const std::string usage =
      "EvaluateLinkers [--domain-ids] [report file] [domain region file] [tolerance, default 20]\n";
  for (const Case &c : {
           Case{"", "", {report}, usage},
           Case{"", "", {report, truth, "20", "x"}, usage},
           Case{"", "", {report, truth, "-1"}, "invalid tolerance: -1\n"},
           Case{"", "", {report, truth, "2x"}, "invalid tolerance: 2x\n"},
           Case{"", "", {report, dir / "missing"}, "cannot open " + (dir / "missing") + "\n"},
           Case{"", "", {dir / "missing", truth}, "cannot open " + (dir / "missing") + "\n"},
           Case{"",
                "P1|120,128|9|2.5|300|124|1\nX9|1,2|2|1.0|50|1|1\n",
                {bad, truth},
                bad + " line 2: protein X9 is not in " + truth + "\n"},
           Case{"",
                "P1|120,128|9|2.5|301|124|1\n",
                {bad, truth},
                bad + " line 1: length 301 of P1 differs from 300 in " + truth + " line 2\n"},
           Case{"",
                "P1 120 128\n",
                {bad, truth},
                bad + " line 1: not NAME|START,END|RUN_LENGTH|PEAK_VALUE|LENGTH|PEAK_POSITION|RANK\n"},
           Case{"P1|1,301|domain|301|300\n",
                "",
                {report, bad},
                bad + " line 1: range ends at 301, beyond the protein length 300\n"},
           Case{"P1|1-100|domain|100|300\n", "", {report, bad}, bad + " line 1: range \"1-100\" is not START,END\n"},
       }) {
    if (!c.truth_text.empty()) WriteFile(bad, c.truth_text);
    if (!c.report_text.empty()) WriteFile(bad, c.report_text);
    const auto result = RunTool("EvaluateLinkers", c.arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, c.message);
  }
}

}  // namespace
