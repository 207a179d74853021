#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

TEST(TrackChainPositionCli, PrintsATrackPerMeasure) {
  TempDir dir;
  // Only capitals after the header are residues: five of them.
  WriteFile(dir / "p.fa", ">P1 five residues\nMK\nvL*AX\n");
  const auto terminus = RunTool("TrackChainPosition", {dir / "p.fa", "terminus", "3"});
  EXPECT_EQ(terminus.status, 0);
  EXPECT_EQ(
      terminus.out,
      "0.000000 #QUERY 0 5\n0.333333 #QUERY 1 5\n0.666667 #QUERY 2 5\n0.333333 #QUERY 3 5\n0.000000 #QUERY 4 5\n");
  const auto length = RunTool("TrackChainPosition", {dir / "p.fa", "length", "8"});
  EXPECT_EQ(length.status, 0);
  EXPECT_EQ(
      length.out,
      "0.625000 #QUERY 0 5\n0.625000 #QUERY 1 5\n0.625000 #QUERY 2 5\n0.625000 #QUERY 3 5\n0.625000 #QUERY 4 5\n");
  WriteFile(dir / "empty.fa", ">P1\n");
  const auto empty = RunTool("TrackChainPosition", {dir / "empty.fa", "length", "8"});
  EXPECT_EQ(empty.status, 0);
  EXPECT_EQ(empty.out, "");
}

TEST(TrackChainPositionCli, FailuresAreOneLineAndStatusOne) {
  TempDir dir;
  WriteFile(dir / "p.fa", ">P1\nMKV\n");
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  for (const Case &c : {
           Case{{dir / "p.fa", "terminus"}, "TrackChainPosition [FASTA file] [measure] [cap]\n"},
           // the arguments are checked before the file is read
           Case{{dir / "missing.fa", "middle", "3"}, "unknown measure: middle (terminus or length)\n"},
           Case{{dir / "missing.fa", "length", "3x"}, "invalid cap: 3x\n"},
           Case{{dir / "missing.fa", "length", "0"}, "invalid cap: 0\n"},
           Case{{dir / "missing.fa", "length", "3"}, "cannot open " + (dir / "missing.fa") + "\n"},
       }) {
    const auto result = RunTool("TrackChainPosition", c.arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, c.message);
  }
}

}  // namespace
