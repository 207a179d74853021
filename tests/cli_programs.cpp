// What every program answers before it does any work: --help, --version and
// a wrong argument count.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

using linkerkit::test::RunTool;

struct Program {
  const char *name;
  const char *usage;
  bool takes_options = false;  // reads a leading "--" word as an option
};

const Program kPrograms[] = {
    {"ScoreSeqComplexity", "ScoreSeqComplexity [FASTA file] [ws]"},
    {"ApplyResidueScale", "ApplyResidueScale [FASTA file] [AAIndex score file] [ws]"},
    {"SplitSecStructProbs", "SplitSecStructProbs [data file (*.ss2)] [output dir] [ws]"},
    {"ConvertReprofOutput", "ConvertReprofOutput [reprof file] [ss2 file] [accessibility track] [ws]"},
    {"ExtractProfileMatrix", "ExtractProfileMatrix [MTX file] [output file]"},
    {"TrackProfileColumn", "TrackProfileColumn [PSSM file] [Selection (1 letter AA)] [smoothing ws]"},
    {"TrackChainPosition", "TrackChainPosition [FASTA file] [measure] [cap]"},
    {"AssembleFeatureRows", "AssembleFeatureRows [index list] [Vector element dir]"},
    {"ClassifyFeatureRows",
     "ClassifyFeatureRows [--ranges FILE] [--raw] [model file] [vector file] [protein name] [smoothing ws]", true},
    {"LabelFeatureRows", "LabelFeatureRows [vector file] [region file] [key]"},
    {"ReportDomainHinges", "ReportDomainHinges [option file] [rank] [threshold]"},
    {"SegmentDomains", "SegmentDomains [score file] [threshold] [min domain length] [offset]"},
    {"EvaluateLinkers", "EvaluateLinkers [--domain-ids] [report file] [domain region file] [tolerance, default 20]",
     true},
    {"SweepLinkerCalls",
     "SweepLinkerCalls [--domain-ids] [--calls] [score file] [domain region file] [settings file] [tolerance, default "
     "20]",
     true},
};

class EveryProgram : public testing::TestWithParam<Program> {};

TEST_P(EveryProgram, HelpIsTheUsageAndAParagraph) {
  const Program &program = GetParam();
  const auto help = RunTool(program.name, {"--help"});
  EXPECT_EQ(help.status, 0);
  const std::string head = std::string(program.usage) + "\n\n";
  ASSERT_TRUE(help.out.starts_with(head)) << help.out;
  const std::string paragraph = help.out.substr(head.size());
  // One paragraph, saying what the program reads and what it writes.
  ASSERT_TRUE(paragraph.ends_with(".\n")) << paragraph;
  EXPECT_EQ(paragraph.find("\n\n"), std::string::npos) << paragraph;
  EXPECT_NE(paragraph.find("Reads"), std::string::npos) << paragraph;
  EXPECT_NE(paragraph.find("writes"), std::string::npos) << paragraph;
  for (std::size_t start = 0, end; (end = paragraph.find('\n', start)) != std::string::npos; start = end + 1) {
    EXPECT_LE(end - start, 100u) << paragraph.substr(start, end - start);
  }
}

TEST_P(EveryProgram, VersionIsTheNameAndTheProjectVersion) {
  const auto version = RunTool(GetParam().name, {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string(GetParam().name) + " " + LINKERKIT_VERSION + "\n");
}

TEST_P(EveryProgram, AWrongArgumentCountIsTheUsageAlone) {
  const std::string name = GetParam().name;
  const std::string usage = std::string(GetParam().usage) + "\n";
  for (const std::vector<std::string> &arguments :
       {std::vector<std::string>{}, std::vector<std::string>{"x"}, std::vector<std::string>{"-h"},
        std::vector<std::string>{"x", "y", "z", "w", "v", "u"}}) {
    const auto result = RunTool(name, arguments);
    EXPECT_EQ(result.status, 1) << arguments.size();
    EXPECT_EQ(result.out, usage);
  }
  // Only the lone, exact words are answered; a program with options reads
  // any other leading "--" word as an option it does not know.
  for (const std::vector<std::string> &arguments :
       {std::vector<std::string>{"--helps"}, std::vector<std::string>{"--help", "--version", "x", "y", "z", "w"}}) {
    const auto result = RunTool(name, arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, GetParam().takes_options ? "unknown option: " + arguments[0] + "\n" : usage);
  }
}

INSTANTIATE_TEST_SUITE_P(Programs, EveryProgram, testing::ValuesIn(kPrograms),
                         [](const testing::TestParamInfo<Program> &info) { return std::string(info.param.name); });

}  // namespace
