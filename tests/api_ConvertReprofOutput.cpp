#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "failure_message.h"
#include "reprof_output.h"
#include "sec_struct.h"

namespace {

using namespace linkerkit;
using linkerkit::test::FailureMessage;

constexpr const char *kHeader = "No\tAA\tPHEL\tRI_S\tpH\tpE\tpL\tPACC\tPREL\tP10\tRI_A\tPbe\tPbie";

std::vector<ReprofResidue> Parse(const std::vector<std::string> &lines) {
  ReprofParser parser("r.reprof");
  for (std::size_t i = 0; i < lines.size(); ++i) parser.AddLine(lines[i], i + 1);
  return parser.Finish();
}

TEST(ConvertReprofOutput, ReprofTableColumnsAreFoundByTheirHeaderNames) {
  // Comments and blank lines anywhere; reprof's order first, then a
  // reordered, blank-separated table of only the columns used.
  const auto residues = Parse({"# PHEL : Secondary structure", "", kHeader, "1\tM\tL\t8\t0\t5\t93\t169\t90\t9\t2\te\te",
                               "# a comment between rows", "2\tQ\tE\t3\t2\t66\t31\t110\t56\t7\t0\te\te",
                               "3\tA\tH\t3\t87.5\t2\t11\t0\t0\t0\t0\tb\tb", ""});
  ASSERT_EQ(residues.size(), 3u);
  EXPECT_EQ(residues[0].residue, 'M');
  EXPECT_EQ(residues[0].state, 'C');
  EXPECT_EQ(residues[0].helix, 0.0);
  EXPECT_EQ(residues[0].strand, 5.0);
  EXPECT_EQ(residues[0].loop, 93.0);
  EXPECT_EQ(residues[0].relative_accessibility, 90.0);
  EXPECT_EQ(residues[1].state, 'E');
  EXPECT_EQ(residues[2].state, 'H');
  EXPECT_EQ(residues[2].helix, 87.5);

  const auto reordered = Parse({"PREL pL pE pH PHEL AA No", "40 10 20 70 H K 1"});
  ASSERT_EQ(reordered.size(), 1u);
  EXPECT_EQ(reordered[0].residue, 'K');
  EXPECT_EQ(reordered[0].helix, 70.0);
  EXPECT_EQ(reordered[0].strand, 20.0);
  EXPECT_EQ(reordered[0].loop, 10.0);
  EXPECT_EQ(reordered[0].relative_accessibility, 40.0);
}

TEST(ConvertReprofOutput, ReprofTableMalformedTablesNameFileAndLine) {
  const std::string row = "1\tM\tL\t8\t0\t5\t93\t169\t90\t9\t2\te\te";
  const auto replaced = [&](std::size_t column, const std::string &by) {
    std::string text = row;
    std::size_t start = 0;
    for (std::size_t i = 0; i < column; ++i) start = text.find('\t', start) + 1;
    return text.replace(start, text.find('\t', start) - start, by);
  };
  struct Case {
    std::vector<std::string> lines;
    std::string message;
  };
  for (const Case &c : {
           Case{{}, "r.reprof: no header line (No AA PHEL ...)"},
           Case{{"# only comments"}, "r.reprof: no header line (No AA PHEL ...)"},
           Case{{kHeader}, "r.reprof: no residue rows"},
           Case{{row}, "r.reprof line 1: expected the header line (No AA PHEL ...) before the rows"},
           Case{{"No\tAA\tPHEL\tpH\tpE\tpL\tPACC"}, "r.reprof line 1: the header has no column PREL"},
           Case{{kHeader, row.substr(0, row.rfind('\t'))}, "r.reprof line 2: 12 fields, the header has 13"},
           Case{{kHeader, row, row}, "r.reprof line 3: row numbered '1' where 2 was due"},
           Case{{kHeader, replaced(0, "2")}, "r.reprof line 2: row numbered '2' where 1 was due"},
           Case{{kHeader, replaced(0, "1.0")}, "r.reprof line 2: row numbered '1.0' where 1 was due"},
           Case{{kHeader, replaced(1, "Met")}, "r.reprof line 2: residue 'Met' is not one letter"},
           Case{{kHeader, replaced(1, "*")}, "r.reprof line 2: residue '*' is not one letter"},
           Case{{kHeader, replaced(2, "C")}, "r.reprof line 2: PHEL 'C' is not H, E or L"},
           Case{{kHeader, replaced(4, "x")}, "r.reprof line 2: pH 'x' is not a number from 0 to 100"},
           Case{{kHeader, replaced(5, "101")}, "r.reprof line 2: pE '101' is not a number from 0 to 100"},
           Case{{kHeader, replaced(6, "-1")}, "r.reprof line 2: pL '-1' is not a number from 0 to 100"},
           Case{{kHeader, replaced(8, "90%")}, "r.reprof line 2: PREL '90%' is not a number from 0 to 100"},
           Case{{kHeader, replaced(8, "nan")}, "r.reprof line 2: PREL 'nan' is not a number from 0 to 100"},
       }) {
    EXPECT_EQ(FailureMessage([&] { Parse(c.lines); }), c.message);
  }
}

TEST(ConvertReprofOutput, Ss2RowsEveryPercentageReadsBackThroughSplitSecStructProbs) {
  // Each percentage 0..100 in every column, and positions past 9999, where
  // the position column grows by one character.
  std::vector<ReprofResidue> residues;
  for (int i = 0; i < 10101; ++i) {
    const double p = i % 101;
    residues.push_back({'A', 'C', (i * 7) % 101 + 0.0, (i * 13) % 101 + 0.0, p, 0.0});
  }
  const std::string ss2 = FormatSs2(residues);
  SecStructParser parser("p.ss2");
  std::size_t number = 0;
  std::size_t start = 0;
  while (start < ss2.size()) {
    const std::size_t end = ss2.find('\n', start);
    parser.AddLine(ss2.substr(start, end - start), ++number);
    start = end + 1;
  }
  const SecStructProbs &probs = parser.Finish();
  ASSERT_EQ(probs.coil.size(), residues.size());
  for (std::size_t i = 0; i < residues.size(); ++i) {
    ASSERT_EQ(probs.coil[i], static_cast<float>(residues[i].loop / 100.0)) << i;
    ASSERT_EQ(probs.helix[i], static_cast<float>(residues[i].helix / 100.0)) << i;
    ASSERT_EQ(probs.strand[i], static_cast<float>(residues[i].strand / 100.0)) << i;
  }
  EXPECT_EQ(ss2.substr(0, ss2.find('\n', ss2.find('\n') + 1) + 1), std::string(kSs2Banner) + "\n\n");
  EXPECT_NE(ss2.find("\n   1 A C   0.000  0.000  0.000\n"), std::string::npos);
  EXPECT_NE(ss2.find("\n10000 A C   0.000  0."), std::string::npos);
}

}  // namespace
