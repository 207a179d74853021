#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "test_support.h"

namespace {

using linkerkit::test::Printf;
using linkerkit::test::ReadFile;
using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

constexpr const char *kUsage = "ConvertReprofOutput [reprof file] [ss2 file] [accessibility track] [ws]\n";

// reprof's own output for the first ubiquitin repeat (tests/data/ubiquitin.fa),
// and what it converts to; the golden files were made apart from the program,
// with awk over the same table.
std::string Fixture(const std::string &name) { return std::string(LINKERKIT_TEST_DATA_DIR) + "/" + name; }

std::size_t CountEntries(const std::filesystem::path &folder) {
  return static_cast<std::size_t>(
      std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

TEST(ConvertReprofOutputCli, ConvertsReprofsTable) {
  TempDir dir;
  const auto result =
      RunTool("ConvertReprofOutput", {Fixture("ubiquitin.reprof"), dir / "u.ss2", dir / "acc.txt", "7"});
  EXPECT_EQ(result.status, 0);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(ReadFile(dir / "u.ss2"), ReadFile(Fixture("ubiquitin.ss2")));
  EXPECT_EQ(ReadFile(dir / "acc.txt"), ReadFile(Fixture("ubiquitin_acc_7.txt")));
}

TEST(ConvertReprofOutputCli, SplitSecStructProbsReadsReprofsProbabilities) {
  TempDir dir;
  ASSERT_EQ(RunTool("ConvertReprofOutput", {Fixture("ubiquitin.reprof"), dir / "u.ss2", dir / "acc.txt", "1"}).status,
            0);
  ASSERT_EQ(RunTool("SplitSecStructProbs", {dir / "u.ss2", dir / "", "1"}).status, 0);
  // With ws 1 each track is the probability as read, in single precision.
  std::string coil, helix, strand;
  std::istringstream table(ReadFile(Fixture("ubiquitin.reprof")));
  std::string line;
  int n = 0;
  while (std::getline(table, line)) {
    if (line.empty() || line[0] == '#' || line.starts_with("No\t")) continue;
    std::istringstream fields(line);
    int number, ri_s, ph, pe, pl;
    std::string residue, state;
    fields >> number >> residue >> state >> ri_s >> ph >> pe >> pl;
    ASSERT_EQ(number, n + 1);
    const auto add = [&](std::string &track, int percent) {
      track += Printf("%f #QUERY %d 76\n", static_cast<double>(static_cast<float>(percent / 100.0)), n);
    };
    add(coil, pl);
    add(helix, ph);
    add(strand, pe);
    ++n;
  }
  EXPECT_EQ(n, 76);
  EXPECT_EQ(ReadFile(dir / "PSS_C_1.txt"), coil);
  EXPECT_EQ(ReadFile(dir / "PSS_H_1.txt"), helix);
  EXPECT_EQ(ReadFile(dir / "PSS_E_1.txt"), strand);
}

TEST(ConvertReprofOutputCli, FailuresWriteNoFile) {
  TempDir dir;
  const std::string header = "No\tAA\tPHEL\tRI_S\tpH\tpE\tpL\tPACC\tPREL\tP10\tRI_A\tPbe\tPbie\n";
  WriteFile(dir / "gap.reprof",
            header + "1\tM\tL\t8\t0\t5\t93\t169\t90\t9\t2\te\te\n3\tQ\tE\t3\t2\t66\t31\t110\t56\t7\t0\te\te\n");
  WriteFile(dir / "empty.reprof", "");
  const std::string input = Fixture("ubiquitin.reprof");
  std::filesystem::create_directory(dir / "out");
  WriteFile(dir / "out/u.ss2", "kept\n");
  WriteFile(dir / "out/acc.txt", "kept\n");
  const std::string ss2 = dir / "out/u.ss2";
  const std::string acc = dir / "out/acc.txt";
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  for (const Case &c : {
           Case{{input, ss2, acc}, kUsage},
           Case{{dir / "missing", ss2, acc, "0"}, "invalid window size: 0\n"},
           Case{{dir / "missing", ss2, acc, "7"}, "cannot open " + (dir / "missing") + "\n"},
           Case{{dir / "gap.reprof", ss2, acc, "7"},
                dir / "gap.reprof" + " line 3: row numbered '3' where 2 was due\n"},
           Case{{dir / "empty.reprof", ss2, acc, "7"}, dir / "empty.reprof" + ": no header line (No AA PHEL ...)\n"},
           // An output that names the input is refused before the input is
           // read: even a missing input gives this message.
           Case{{dir / "missing", dir / "missing", acc, "7"},
                "output file " + (dir / "missing") + " is the input file " + (dir / "missing") + "\n"},
           Case{{input, ss2, ss2, "7"}, "the ss2 file and the accessibility track are both " + ss2 + "\n"},
           Case{{input, ss2, dir / "none/acc.txt", "7"}, "cannot open " + (dir / "none/acc.txt") + "\n"},
       }) {
    const auto result = RunTool("ConvertReprofOutput", c.arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, c.message);
  }
  EXPECT_EQ(ReadFile(ss2), "kept\n");
  EXPECT_EQ(ReadFile(acc), "kept\n");
  EXPECT_EQ(CountEntries(dir / "out"), 2u);

  // The input under another name, as either output: it stays as it was.
  TempDir work;
  WriteFile(work / "u.reprof", ReadFile(input));
  std::filesystem::create_symlink(work / "u.reprof", work / "link.ss2");
  for (const auto &[ss2_path, track_path, named] :
       {std::tuple{work / "link.ss2", work / "acc.txt", work / "link.ss2"},
        std::tuple{work / "u.ss2", work.path().string() + "/./u.reprof", work.path().string() + "/./u.reprof"}}) {
    const auto result = RunTool("ConvertReprofOutput", {work / "u.reprof", ss2_path, track_path, "7"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, "output file " + named + " is the input file " + (work / "u.reprof") + "\n");
  }
  EXPECT_EQ(ReadFile(work / "u.reprof"), ReadFile(input));
  EXPECT_EQ(CountEntries(work.path()), 2u);
}

}  // namespace
