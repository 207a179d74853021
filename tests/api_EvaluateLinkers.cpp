#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "evaluate_linkers.h"
#include "failure_message.h"
#include "test_support.h"

namespace {

using namespace linkerkit;
using linkerkit::test::FailureMessage;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

TEST(EvaluateLinkers, TrueBoundariesMiddleOfEachGapBetweenDomainsSortedByStart) {
  // Doubled: 100 + 151 is the boundary at 125.5.
  EXPECT_EQ(TrueBoundaries({{301, 400}, {1, 100}, {151, 300}}), (std::vector<DoubledPosition>{251, 601}));
  EXPECT_EQ(TrueBoundaries({{1, 50}}), (std::vector<DoubledPosition>{}));
}

TEST(EvaluateLinkers, SegmentsOfOneDomainHaveNoBoundaryBetweenThem) {
  // A domain split in two around another: boundaries on both sides of the
  // inserted domain, two domains in all; segments of one id next to each
  // other (20-30 then 41-60 of id 2) are one domain.
  const std::vector<Domain> split{{100, 129, 1}, {1, 99, 2}, {130, 167, 2}, {168, 292, 1}};
  EXPECT_EQ(TrueBoundaries(split), (std::vector<DoubledPosition>{199, 259, 335}));
  EXPECT_EQ(DomainCount(split), 2u);
  const std::vector<Domain> gapped{{1, 10, 1}, {20, 30, 2}, {41, 60, 2}, {61, 90, 3}};
  EXPECT_EQ(TrueBoundaries(gapped), (std::vector<DoubledPosition>{30, 121}));
  EXPECT_EQ(DomainCount(gapped), 3u);
  // Id 0 is a domain by itself, as every line is without ids.
  EXPECT_EQ(DomainCount({{1, 10}, {11, 20}, {21, 30, 4}, {41, 50, 4}}), 3u);
  EXPECT_EQ(TrueBoundaries({{1, 10}, {11, 20}}), std::vector<DoubledPosition>{21});
}

TEST(EvaluateLinkers, CountMatchesEachBoundaryOnceNearestPairsFirst) {
  // Doubled positions: a tolerance of 20 residues is 40.
  EXPECT_EQ(CountMatches({200}, {198, 202}, 40), 1u);       // two predictions, one boundary
  EXPECT_EQ(CountMatches({200, 300}, {160, 340}, 40), 2u);  // exactly 20 residues off
  EXPECT_EQ(CountMatches({200, 300}, {159, 341}, 40), 0u);  // 20.5 residues off
  EXPECT_EQ(CountMatches({200, 220}, {215, 250}, 40), 1u);  // 220 takes 215, 200 goes without
  EXPECT_EQ(CountMatches({200, 260}, {230, 290}, 30), 2u);  // equal distances: smaller truth first
  EXPECT_EQ(CountMatches({}, {100}, 40), 0u);
  EXPECT_EQ(CountMatches({100}, {}, 40), 0u);
  EXPECT_EQ(CountMatches({100, 100}, {100}, 0), 1u);
  // Which predictions the pairs took: 215 went to 220, 250 to nobody.
  const BoundaryMatches matches = MatchBoundaries({200, 220}, {150, 215, 250}, 40);
  EXPECT_EQ(matches.count, 1u);
  EXPECT_EQ(matches.predicted_matched, (std::vector<bool>{false, true, false}));
  EXPECT_EQ(EvaluateProtein({"T", 300, 1, {{1, 100}, {151, 300}}}, {260, 100, 250}, 5).predicted_matched,
            (std::vector<bool>{false, true, false}));
}

TEST(EvaluateLinkers, ReportedLinkerMiddleOfTheLinkerCountedFromOne) {
  const auto linker = ParseReportLine("P1|58,77|20|2.571104|120|67|1", "r", 1);
  ASSERT_TRUE(linker);
  EXPECT_EQ(linker->name, "P1");
  EXPECT_EQ(PredictedBoundary(*linker), 137);  // residue 68.5
  EXPECT_FALSE(ParseReportLine("No prediction", "r", 1));
  const auto message = [](const char *line) { return FailureMessage([&] { ParseReportLine(line, "r", 4); }); };
  EXPECT_EQ(message("P1|58,77|20|2.5|120|67"),
            "r line 4: not NAME|START,END|RUN_LENGTH|PEAK_VALUE|LENGTH|PEAK_POSITION|RANK");
  EXPECT_EQ(message("|58,77|20|2.5|120|67|1"), "r line 4: no protein name");
  EXPECT_EQ(message("P1|77,58|20|2.5|120|67|1"), "r line 4: reversed range 77,58");
  EXPECT_EQ(message("P1|-1,58|20|2.5|120|67|1"), "r line 4: start \"-1\" is not a whole number");
  EXPECT_EQ(message("P1|58,120|20|2.5|120|67|1"), "r line 4: range ends at 120, beyond the protein length 120");
  EXPECT_EQ(message("P1|58,77|20|2.5|12 0|67|1"), "r line 4: length \"12 0\" is not a whole number");
}

TEST(EvaluateLinkers, DomainTruthProteinsInOrderOfFirstAppearanceAndConsistent) {
  TempDir dir;
  WriteFile(dir / "truth", "B|101,200|d|100|200\nA|1,50|d|50|50\n\nB|1,100|d|100|200\n");
  const DomainTruth truth = ReadDomainTruth(dir / "truth");
  ASSERT_EQ(truth.proteins.size(), 2u);
  EXPECT_EQ(truth.proteins[0].name, "B");
  EXPECT_EQ(truth.proteins[0].domains.size(), 2u);
  EXPECT_EQ(truth.proteins[1].name, "A");
  EXPECT_EQ(truth.index_by_name.at("A"), 1u);

  const auto message = [&](const std::string &text) {
    WriteFile(dir / "bad", text);
    return FailureMessage([&] { ReadDomainTruth(dir / "bad"); });
  };
  EXPECT_EQ(message("B|1,100|d|100|200\nB|101,200|d|100|201\n"),
            dir / "bad" + " line 2: protein length 201 of B differs from 200 on line 1");
  // Overlapping annotations are domains too; a repeated one is not.
  EXPECT_EQ(message("B|90,200|d|111|200\nA|1,5|d|5|5\nB|90,200|d|111|200\n"),
            dir / "bad" + " line 3: domain 90,200 of B repeats line 1");
  WriteFile(dir / "overlap", "B|80,200|d|121|200\nB|1,90|d|90|200\n");
  EXPECT_EQ(TrueBoundaries(ReadDomainTruth(dir / "overlap").proteins[0].domains), std::vector<DoubledPosition>{170});
  EXPECT_EQ(message("\n"), dir / "bad" + ": no domains");
  EXPECT_EQ(message("B|0,100|d|100|200\n"), dir / "bad" + " line 1: range starts at 0, before residue 1");
}

TEST(EvaluateLinkers, DomainIdsFromTheTypeFieldWithoutOverlaps) {
  TempDir dir;
  WriteFile(dir / "truth",
            "19hcA|100,129|D1|30|292\n19hcA|1,99|D2|99|292\nS|1,50|D1|50|50\n19hcA|130,167|D2|38|292\n"
            "19hcA|168,292|D1|125|292\n");
  const DomainTruth truth = ReadDomainTruth(dir / "truth", DomainIds::kInTypeField);
  const TruthProtein &split = truth.proteins[0];
  EXPECT_EQ(TrueBoundaries(split.domains), (std::vector<DoubledPosition>{199, 259, 335}));
  EXPECT_EQ(DomainCount(split.domains), 2u);
  EXPECT_EQ(DomainCount(truth.proteins[1].domains), 1u);
  // Ids belong to their protein: S's D1 is not 19hcA's.
  EXPECT_EQ(truth.proteins[1].domains[0].id, 1);
  // Without ids the same lines are four domains.
  EXPECT_EQ(DomainCount(ReadDomainTruth(dir / "truth").proteins[0].domains), 4u);

  const auto message = [&](const std::string &text) {
    WriteFile(dir / "bad", text);
    return FailureMessage([&] { ReadDomainTruth(dir / "bad", DomainIds::kInTypeField); });
  };
  EXPECT_EQ(message("B|1,100|D1|100|200\nA|1,5|D1|5|5\nB|90,200|D2|111|200\n"),
            dir / "bad" + " line 3: segment 90,200 of B overlaps line 1");
  // A segment inside a long one is found past the segments between them.
  EXPECT_EQ(message("B|1,150|D1|150|200\nB|151,200|D2|50|200\nB|20,30|D3|11|200\nB|40,60|D3|21|200\n"),
            dir / "bad" + " line 3: segment 20,30 of B overlaps line 1");
  EXPECT_EQ(message("B|1,100||100|200\n"), dir / "bad" + " line 1: no domain id in the TYPE field");
  EXPECT_EQ(message("B|1,100|D1|100|200\nB|1,100|D2|100|200\n"),
            dir / "bad" + " line 2: domain 1,100 of B repeats line 1");
}

TEST(EvaluateLinkers, EvaluationSummaryPooledCountsAndUndefinedRatiosAsZero) {
  const TruthProtein two_domains{"T", 200, 1, {{1, 100}, {101, 200}}};
  const TruthProtein one_domain{"O", 50, 3, {{1, 50}}};
  // A protein with a boundary and no prediction scores F1 0 in the mean.
  const EvaluationSummary summary =
      Summarise({EvaluateProtein(two_domains, {201}, 20), EvaluateProtein(two_domains, {}, 20),
                 EvaluateProtein(one_domain, {}, 20)});
  EXPECT_EQ(summary.true_boundaries, 2u);
  EXPECT_EQ(summary.predicted_boundaries, 1u);
  EXPECT_EQ(summary.matched, 1u);
  EXPECT_DOUBLE_EQ(summary.precision, 1.0);
  EXPECT_DOUBLE_EQ(summary.recall, 0.5);
  EXPECT_DOUBLE_EQ(summary.f1, 2.0 / 3.0);
  EXPECT_DOUBLE_EQ(summary.mean_protein_f1, 0.5);
  EXPECT_EQ(summary.proteins_with_boundaries, 2u);
  EXPECT_DOUBLE_EQ(summary.domain_number_accuracy, 2.0 / 3.0);

  const EvaluationSummary nothing = Summarise({EvaluateProtein(one_domain, {}, 20)});
  EXPECT_EQ(nothing.precision, 0.0);
  EXPECT_EQ(nothing.recall, 0.0);
  EXPECT_EQ(nothing.f1, 0.0);
  EXPECT_EQ(nothing.mean_protein_f1, 0.0);
  EXPECT_EQ(nothing.proteins_with_boundaries, 0u);
}

}  // namespace
