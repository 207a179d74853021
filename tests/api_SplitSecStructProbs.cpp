#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "failure_message.h"
#include "sec_struct.h"

namespace {

using linkerkit::SecStructTrackFiles;
using linkerkit::test::FailureMessage;
using Lines = std::vector<std::string>;

linkerkit::SecStructProbs ParseSecStruct(const Lines &lines, std::string_view path) {
  linkerkit::SecStructParser parser(path);
  for (std::size_t i = 0; i < lines.size(); ++i) parser.AddLine(lines[i], i + 1);
  return parser.Finish();
}

TEST(SplitSecStructProbs, ReadsTheThreeProbabilitiesOfEachRow) {
  const auto probs = ParseSecStruct(Lines{"# PSIPRED VFORMAT (PSIPRED V4.0)", "", "   1 M C   0.998  0.001  0.001",
                                          "   2 K H   0.000  0.000  1.000", "  10 A E   0.07   0.4    0.53"},
                                    "p.ss2");
  EXPECT_EQ(probs.coil, (std::vector<float>{0.998f, 0.0f, 0.07f}));
  EXPECT_EQ(probs.helix, (std::vector<float>{0.001f, 0.0f, 0.4f}));
  EXPECT_EQ(probs.strand, (std::vector<float>{0.001f, 1.0f, 0.53f}));
  // The first two lines are skipped whatever they hold.
  EXPECT_EQ(ParseSecStruct(Lines{"   1 M C   0.500  0.250  0.250", "   2 M C   0.100  0.200  0.700",
                                 "   3 M C   0.300  0.300  0.400"},
                           "p.ss2")
                .coil,
            std::vector<float>{0.3f});
}

TEST(SplitSecStructProbs, RejectsFilesWithoutRowsAndRowsWithoutThreeNumbers) {
  EXPECT_EQ(FailureMessage([] { ParseSecStruct(Lines{}, "p.ss2"); }),
            "p.ss2: no residue rows (fewer than three lines)");
  EXPECT_EQ(FailureMessage([] {
              ParseSecStruct(Lines{"# PSIPRED", ""}, "p.ss2");
            }),
            "p.ss2: no residue rows (fewer than three lines)");
  const std::string row = "   1 M C   0.998  0.001  0.001";
  for (const std::string &bad : {std::string("   2 M C   0.998  0.001"), std::string("1.0 2.0 3.0")}) {
    EXPECT_EQ(FailureMessage([&] {
                ParseSecStruct(Lines{"#", "", row, bad}, "p.ss2");
              }),
              "p.ss2 line 4: fewer than three probabilities")
        << bad;
  }
}

TEST(SplitSecStructProbs, WritesCoilHelixStrandInSinglePrecision) {
  linkerkit::SecStructProbs probs;
  probs.coil = {0.9f, 0.0f, 0.6f, 0.3f};
  probs.helix = {0.1f, 0.2f, 0.3f, 0.4f};
  probs.strand = {0.0f, 0.8f, 0.1f, 0.3f};
  const auto files = SecStructTrackFiles(probs, "out/", 3);
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].first, "out/PSS_C_3.txt");
  EXPECT_EQ(files[1].first, "out/PSS_H_3.txt");
  EXPECT_EQ(files[2].first, "out/PSS_E_3.txt");
  EXPECT_EQ(files[0].second, "0.900000 #QUERY 0 4\n0.500000 #QUERY 1 4\n0.300000 #QUERY 2 4\n0.300000 #QUERY 3 4\n");
  // Sums and the division stay in single precision: in double these seven
  // values would give 0.682429.
  probs.coil = {0.703f, 0.551f, 0.52f, 0.984f, 0.528f, 0.837f, 0.654f};
  EXPECT_EQ(SecStructTrackFiles(probs, "out/", 7)[0].second.substr(60, 20), "0.682428 #QUERY 3 7\n");
  // The prefix is used as typed: no slash is added.
  EXPECT_EQ(SecStructTrackFiles(probs, "run1_", 15)[2].first, "run1_PSS_E_15.txt");
  EXPECT_EQ(SecStructTrackFiles(probs, "", 15)[0].first, "PSS_C_15.txt");
}

}  // namespace
