// The road end to end: linkerkit-predict on the example proteins, the
// workflow against it, and the training script against the shipped model.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using linkerkit::test::ReadFile;
using linkerkit::test::RunCommand;
using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

const std::string kSource = LINKERKIT_SOURCE_DIR;
const std::string kExamples = kSource + "/examples/";
const std::string kVersionLine = std::string("linkerkit-predict ") + LINKERKIT_VERSION;

// The demonstration set-up over a made-up example protein: its recipe needs
// the .ss2 and checkpoint matrix as well as the sequence.
std::vector<std::string> Predict(std::vector<std::string> options, const std::string &name) {
  options.insert(options.begin(), {"--model", kExamples + "demo", "--scales", kSource + "/examples"});
  options.insert(options.end(), {"--ss2", kExamples + name + ".ss2", "--mtx", kExamples + name + ".mtx",
                                 kExamples + name + ".fa"});
  return options;
}

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

bool Installed(const std::string &command) { return RunCommand({"sh", "-c", "command -v " + command}).status == 0; }

TEST(Road, ExampleProteinGivesTheExpectedReport) {
  TempDir dir;
  const auto result = RunTool("linkerkit-predict", Predict({"--work", dir / "P1"}, "P1"));
  ASSERT_EQ(result.status, 0) << result.out;
  const std::string report = ReadFile(kSource + "/tests/golden/P1.report");
  EXPECT_EQ(ReadFile(dir / "P1/report.txt"), report);
  // A line for each of the nine steps, then the report.
  const auto lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 12u) << result.out;
  EXPECT_EQ(lines[0], kVersionLine + ": P1, 9 steps in " + (dir / "P1"));
  EXPECT_EQ(lines[1].substr(0, 25), "[1/9] ScoreSeqComplexity ");
  EXPECT_EQ(lines[9].substr(0, 25), "[9/9] ReportDomainHinges ");
  EXPECT_EQ(lines[10] + "\n" + lines[11] + "\n", "report: " + (dir / "P1/report.txt") + "\n" + report);
  EXPECT_EQ(RunTool("linkerkit-predict", {"--version"}).out, kVersionLine + "\n");
}

TEST(Road, ModesStopEarlyAndOptionsReachTheSteps) {
  TempDir dir;
  const auto features = RunTool("linkerkit-predict", Predict({"--features-only", "--work", dir / "f"}, "P2"));
  ASSERT_EQ(features.status, 0) << features.out;
  EXPECT_EQ(Lines(ReadFile(dir / "f/P2.vectors")).size(), 158u);
  EXPECT_FALSE(std::filesystem::exists(dir / "f/P2.scores"));

  const auto scores = RunTool("linkerkit-predict", Predict({"--scores-only", "--name", "Q7", "--window=7", "--work", dir / "s"}, "P2"));
  ASSERT_EQ(scores.status, 0) << scores.out;
  EXPECT_EQ(ReadFile(dir / "s/index.txt"),
            "SeqComplexity_7\nGEOR030101_7\nPSS_C_7\nPSS_H_7\nPSS_E_7\nPSSM_P_7\nPSSM_G_7\n");
  const auto score_lines = Lines(ReadFile(dir / "s/Q7.scores"));
  ASSERT_EQ(score_lines.size(), 158u);
  EXPECT_NE(score_lines[157].find(" #Q7 157 158"), std::string::npos) << score_lines[157];
  EXPECT_FALSE(std::filesystem::exists(dir / "s/report.txt"));
}

// A model folder holding the given recipe and files.
std::string ModelFolder(const TempDir &dir, const std::string &name, const std::string &recipe,
                        const std::string &svm_model = "not read\n") {
  std::filesystem::create_directories(dir / name);
  WriteFile(dir / (name + "/index.txt"), recipe);
  WriteFile(dir / (name + "/svm.model"), svm_model);
  WriteFile(dir / (name + "/settings"), "scores zscore\n");
  return dir / name;
}

TEST(Road, FailuresStopWithOneLineAndStatusOne) {
  TempDir dir;
  const std::string usage = "usage: linkerkit-predict [options] FASTA (linkerkit-predict --help lists the options)";
  const std::string fasta = kExamples + "P1.fa";
  const auto bad_name = ModelFolder(dir, "bad_name", "SeqComplexity_15\nEntropy\n");
  const auto scale = ModelFolder(dir, "scale", "SeqComplexity_15\nKYTJ820101_15\n");
  const auto needs_ss2 = ModelFolder(dir, "needs_ss2", "SeqComplexity_15\nPSS_C_15\n");
  const auto needs_mtx = ModelFolder(dir, "needs_mtx", "PSSM_P_15\n");
  const auto broken = ModelFolder(dir, "broken", ReadFile(kExamples + "demo/index.txt"), ReadFile(fasta));
  std::filesystem::create_directory(dir / "empty");
  struct Case {
    std::vector<std::string> arguments;
    std::string last_line;
  };
  for (const Case &c : {
           Case{{}, usage},
           Case{{fasta, fasta}, usage},
           Case{Predict({"--frobnicate"}, "P1"), "unknown option: --frobnicate (" + usage + ")"},
           Case{Predict({"--rank", "two"}, "P1"), "invalid rank: two"},
           Case{Predict({"--threshold", "1.0x"}, "P1"), "invalid threshold: 1.0x"},
           Case{Predict({"--name", "P 1"}, "P1"), "invalid protein name: P 1"},
           Case{Predict({"--smoothing", "0"}, "P1"), "invalid smoothing window size: 0"},
           Case{{fasta, "--rank"}, "--rank needs a value"},
           Case{{"--model", dir / "empty", fasta},
                "no model in " + (dir / "empty") + " (a model folder holds index.txt, svm.model and settings)"},
           Case{{"--model", bad_name, fasta}, bad_name + "/index.txt line 2: no track is made for the name 'Entropy'"},
           Case{{"--model", needs_ss2, fasta},
                "the model's recipe uses PSS_C_15: give the protein's PSIPRED file with --ss2 FILE"},
           Case{{"--model", needs_mtx, fasta},
                "the model's recipe uses PSSM_P_15: give the protein's checkpoint matrix with --mtx FILE"},
           Case{{"--model", kExamples + "demo", "--ss2", kExamples + "P1.ss2", "--mtx", kExamples + "P1.mtx",
                 dir / "missing.fa"},
                "[1/9] ScoreSeqComplexity failed: cannot open " + (dir / "missing.fa")},
           Case{{"--model", scale, "--scales", dir.path().string(), fasta},
                "[2/5] ApplyResidueScale failed: cannot open " + (dir / "KYTJ820101.tsv")},
           Case{Predict({"--model", broken}, "P1"),
                "[8/9] ClassifyFeatureRows failed: cannot load model " + broken + "/svm.model"},
       }) {
    std::vector<std::string> arguments = {"--work", dir / "w"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const auto result = RunTool("linkerkit-predict", arguments);
    EXPECT_EQ(result.status, 1) << result.out;
    const auto lines = Lines(result.out);
    EXPECT_EQ(lines.empty() ? "" : lines.back(), c.last_line);
  }
}

TEST(Road, AFailedRunLeavesNoEarlierReport) {
  TempDir dir;
  ASSERT_EQ(RunTool("linkerkit-predict", Predict({"--work", dir / "w"}, "P1")).status, 0);
  ASSERT_TRUE(std::filesystem::exists(dir / "w/report.txt"));
  const auto broken = ModelFolder(dir, "broken", ReadFile(kExamples + "demo/index.txt"), "svm_type c_svc\n");
  const auto result = RunTool("linkerkit-predict", Predict({"--work", dir / "w", "--model", broken}, "P1"));
  EXPECT_EQ(result.status, 1);
  EXPECT_FALSE(std::filesystem::exists(dir / "w/report.txt"));
  EXPECT_FALSE(std::filesystem::exists(dir / "w/P1.scores"));
}

TEST(RoadWorkflow, EachProteinsLinesEqualItsOwnReport) {
  if (!Installed("snakemake")) GTEST_SKIP() << "snakemake is not installed, so the workflow is not tested";
  TempDir dir;
  std::filesystem::create_directory(dir / "run");
  const auto run = RunCommand({"snakemake", "-s", kSource + "/workflow/Snakefile", "--directory", dir / "run", "--cores",
                               "2", "--quiet", "--config", "inputs=" + kExamples, "results=" + (dir / "results"),
                               std::string("bin=") + LINKERKIT_BIN_DIR, "model=" + kExamples + "demo",
                               "scales=" + kSource + "/examples"});
  ASSERT_EQ(run.status, 0) << run.out;
  const auto combined = Lines(ReadFile(dir / "results/report.txt"));
  for (const std::string name : {"P1", "P2", "P3", "P4"}) {
    const auto own = RunTool("linkerkit-predict", Predict({"--work", dir / name}, name));
    ASSERT_EQ(own.status, 0) << own.out;
    std::string expected = ReadFile(dir / (name + "/report.txt"));
    if (expected == "No prediction\n") expected.clear();
    std::string lines;
    for (const auto &line : combined) {
      if (line.starts_with(name + "|")) lines += line + "\n";
    }
    EXPECT_EQ(lines, expected) << name;
    EXPECT_FALSE(expected.empty()) << name << ": the example should have a linker";
  }
}

TEST(RoadTraining, TheScriptRetrainsTheShippedModel) {
  if (!Installed("svm-train")) GTEST_SKIP() << "svm-train (libsvm-tools) is not installed, so training is not tested";
  TempDir dir;
  const auto run = RunCommand({"bash", kSource + "/scripts/train-demo-model.sh", dir / "demo.model", LINKERKIT_BIN_DIR});
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(ReadFile(dir / "demo.model"), ReadFile(kExamples + "demo/svm.model"));
}

// The real model's training, end to end on a few dozen of the training
// proteins: clusters, folds, the grid search, the programs' own figures and
// a model folder the road then predicts with.
TEST(RoadTraining, TheScriptTrainsAModelTheRoadUses) {
  for (const std::string command : {"svm-train", "mmseqs"}) {
    if (!Installed(command)) GTEST_SKIP() << command << " is not installed, so training is not tested";
  }
  TempDir dir;
  WriteFile(dir / "grid.txt", "# small\nlocal svm 10 0.1 1 SUYM030101_15,SeqComplexity_15\n"
                              "chain lsq 10 1 1 SUYM030101_15,SeqComplexity_15,Terminus_100,ChainLength_500\n");
  const auto run = RunCommand({"bash", kSource + "/scripts/train-model.sh", dir / "grid.txt", "--bin", LINKERKIT_BIN_DIR,
                               "--proteins", "50", "--work", dir / "work", "--out", dir / "model", "-j", "2"});
  ASSERT_EQ(run.status, 0) << run.out;
  const auto figures = Lines(ReadFile(dir / "model/figures.md"));
  ASSERT_EQ(figures.size(), 8u) << ReadFile(dir / "model/figures.md");
  EXPECT_EQ(figures[0], "proteins: 50, boundaries: " + figures[0].substr(26, figures[0].find(',', 26) - 26) +
                            ", tolerance +-20, 5 folds by mmseqs2 40% clusters");
  EXPECT_TRUE(figures[4].starts_with("| baseline: middle of every protein longer than 200 | ")) << figures[4];
  EXPECT_NE(ReadFile(dir / "model/settings").find("scores raw\n"), std::string::npos);

  // The folder is a model: the road predicts with it from a plain FASTA.
  WriteFile(dir / "query.fa", ">query\n" + std::string(60, 'A') + std::string(40, 'P') + std::string(80, 'L') + "\n");
  const auto predicted = RunTool("linkerkit-predict", {"--model", dir / "model", "--work", dir / "q", dir / "query.fa"});
  ASSERT_EQ(predicted.status, 0) << predicted.out;
  EXPECT_EQ(Lines(ReadFile(dir / "q/query.scores")).size(), 180u);
}

// The default model, the shipped sequence-only one, on the real example
// protein from its plain FASTA: the report the README shows.
TEST(Road, DefaultModelFromAPlainFasta) {
  TempDir dir;
  const auto result = RunTool("linkerkit-predict", {"--work", dir / "q", kExamples + "real/Q9LQ92.fa"});
  ASSERT_EQ(result.status, 0) << result.out;
  EXPECT_EQ(ReadFile(dir / "q/report.txt"), ReadFile(kSource + "/tests/golden/Q9LQ92.sequence.report"));
}

// The reprof model needs reprof besides the FASTA.
TEST(Road, ReprofModelFromAPlainFasta) {
  if (!std::filesystem::exists("/usr/share/reprof")) GTEST_SKIP() << "reprof is not installed";
  TempDir dir;
  const auto result =
      RunTool("linkerkit-predict", {"--model", "reprof", "--work", dir / "q", kExamples + "real/Q9LQ92.fa"});
  ASSERT_EQ(result.status, 0) << result.out;
  EXPECT_EQ(ReadFile(dir / "q/report.txt"), ReadFile(kSource + "/tests/golden/Q9LQ92.reprof.report"));
}

TEST(Road, ShowsTheSettingsInForce) {
  const auto shown = RunTool("linkerkit-predict", {"--model", kExamples + "demo", "--rank", "2", "--show-settings"});
  ASSERT_EQ(shown.status, 0) << shown.out;
  EXPECT_EQ(shown.out, "model " + kExamples + "demo\nscores zscore\nsmoothing 15\nthreshold 1.0\nrank 2\noffset 10\n");
}

}  // namespace
