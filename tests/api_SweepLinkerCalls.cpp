#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "failure_message.h"
#include "sweep_linker_calls.h"
#include "test_support.h"

namespace {

using namespace linkerkit;
using linkerkit::test::FailureMessage;
using linkerkit::test::Printf;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

TEST(SweepLinkerCalls, SettingLinesOfBothCallers) {
  const CallSetting threshold = ParseSettingLine(" 11\tthreshold  0.1 40 2 ", "s", 1);
  EXPECT_EQ(threshold.smoothing, 11);
  EXPECT_EQ(threshold.caller, Caller::kThreshold);
  EXPECT_EQ(threshold.threshold_text, "0.1");
  EXPECT_EQ(threshold.threshold, 0.1f);  // narrowed as the callers narrow it
  EXPECT_EQ(threshold.offset, 40);
  EXPECT_EQ(threshold.rank_or_min_domain, 2);
  const CallSetting segment = ParseSettingLine("1 segment -2e-1 0 30", "s", 1);
  EXPECT_EQ(segment.caller, Caller::kSegment);
  EXPECT_EQ(segment.threshold, -0.2f);
  EXPECT_EQ(segment.rank_or_min_domain, 30);
  // Rank 0 reports nothing, as ReportDomainHinges does; a domain is at
  // least one residue long.
  EXPECT_EQ(ParseSettingLine("1 threshold 0 0 0", "s", 1).rank_or_min_domain, 0);
  EXPECT_EQ(FailureMessage([] { ParseSettingLine("1 segment 0 0 0", "s", 7); }),
            "s line 7: min domain \"0\" is not a whole number of at least 1");
  EXPECT_EQ(FailureMessage([] { ParseSettingLine("1 threshold 1e999 0 1", "s", 2); }),
            "s line 2: threshold \"1e999\" is not a finite decimal number");
}

TEST(SweepLinkerCalls, CallerScoresAreClassifyFeatureRowsTextReadBack) {
  const std::vector<double> values = {0.1, 0.2, 0.7, 0.3, 1.0000004, -0.5};
  // At 1 the values themselves, narrowed.
  const std::vector<float> as_read = CallerScores(values, 1);
  for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(as_read[i], static_cast<float>(values[i]));
  // At 3 the clipped means, written "%f" and read back: 1.0000004 rounds to
  // 1.000000 in the text before the narrowing.
  const std::vector<float> smoothed = CallerScores(values, 3);
  const double means[] = {
      0.15, 1.0 / 3, 0.4, (0.7 + 0.3 + 1.0000004) / 3, (0.3 + 1.0000004 - 0.5) / 3, (1.0000004 - 0.5) / 2};
  for (std::size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(smoothed[i], static_cast<float>(std::strtod(Printf("%f", means[i]).c_str(), nullptr))) << i;
  }
  EXPECT_EQ(CallerScores({1.0000004, 1.0000004, 0.0}, 3)[0], 1.0f);
  EXPECT_NE(static_cast<float>(1.0000004), 1.0f);
  // A profile the window makes flat is "nan" in ClassifyFeatureRows' output:
  // two residues at 3 share one window.
  for (const float score : CallerScores({0.2, 0.9}, 3)) EXPECT_TRUE(std::isnan(score));
  EXPECT_EQ(CallerScores({0.2, 0.9}, 1), (std::vector<float>{0.2f, 0.9f}));
}

TEST(SweepLinkerCalls, ProteinsSmoothedOncePerSmoothingAndJudgedPerSetting) {
  TempDir dir;
  WriteFile(dir / "truth", "B|1,4|d|4|8\nB|5,8|d|4|8\nA|1,3|d|3|3\nC|1,9|d|9|9\n");
  WriteFile(dir / "scores", "0.1 #A 0 3\n0.9 #A 1 3\n0.1 #A 2 3\n" +
                                std::string("0.1 #B 0 8\n0.1 #B 1 8\n0.1 #B 2 8\n0.8 #B 3 8\n0.6 #B 4 8\n") +
                                "0.1 #B 5 8\n0.1 #B 6 8\n0.1 #B 7 8\n");
  const DomainTruth truth = ReadDomainTruth(dir / "truth");
  const SweptProteins proteins = ReadSweptProteins(dir / "scores", truth, dir / "truth", {3, 1, 3});
  // The score file's proteins in its order; C, only in the truth, is left out.
  EXPECT_EQ(proteins.truth_index, (std::vector<std::size_t>{1, 0}));
  EXPECT_EQ(proteins.scores.size(), 2u);
  EXPECT_EQ(proteins.Scores(1, 1).size(), 8u);
  EXPECT_EQ(proteins.Scores(1, 1)[3], 0.8f);
  EXPECT_EQ(proteins.Scores(3, 0)[0], 0.5f);
  EXPECT_EQ(proteins.true_boundaries[1], std::vector<DoubledPosition>{9});

  // B's run 3-4 predicts 4.5, its boundary; A's run at 1 is a false call in
  // a single-domain protein.
  const CallSetting setting = ParseSettingLine("1 threshold 0.5 0 1", "s", 1);
  std::string calls;
  const SettingFigures figures = SweepSetting(setting, proteins, truth, 20, 4, &calls);
  EXPECT_EQ(figures.summary.proteins, 2u);
  EXPECT_EQ(figures.summary.matched, 1u);
  EXPECT_EQ(figures.summary.predicted_boundaries, 2u);
  EXPECT_EQ(figures.single_domain_proteins, 1u);
  EXPECT_EQ(figures.single_domain_no_call, 0u);
  EXPECT_EQ(calls,
            "protein 4 A 1 0.900000 1\ncall 4 A 2 0.900000 0\nprotein 4 B 2 0.800000 1\ncall 4 B 4.5 0.800000 1\n");
  EXPECT_EQ(FormatSweepRow(setting, figures),
            "1\tthreshold\t0.5\t0\t1\t1\t2\t1\t0.500000\t1.000000\t0.666667\t0.500000\t1\t0.000000\n");
  // The segment caller takes the one boundary its 4-residue domains allow.
  const SettingFigures segment =
      SweepSetting(ParseSettingLine("1 segment 0.5 0 4", "s", 1), proteins, truth, 20, 1, nullptr);
  EXPECT_EQ(segment.summary.predicted_boundaries, 1u);
  EXPECT_EQ(segment.single_domain_no_call, 1u);
}

}  // namespace
