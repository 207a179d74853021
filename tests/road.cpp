// The road end to end as a user meets it: linkerkit-predict on one protein
// and on a proteome, with bad inputs, strict options, interruptions and a
// shared work folder; the pictures; the workflow against one run; and the
// training scripts against the road.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using linkerkit::test::ReadFile;
using linkerkit::test::RunCommand;
using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

const std::string kSource = LINKERKIT_SOURCE_DIR;
const std::string kExamples = kSource + "/examples/";
// A linear model of the sequence tracks with the threshold caller and no
// calibration, kept apart from the shipped models so that the road's own
// tests stay put when a shipped model is trained again.
const std::string kLinearModel = kSource + "/tests/data/linear-model";
const std::string kRoad = std::string(LINKERKIT_BIN_DIR) + "/linkerkit-predict";
const std::string kVersionLine = std::string("linkerkit-predict ") + LINKERKIT_VERSION;
const std::string kUsage = "usage: linkerkit-predict [options] FASTA (linkerkit-predict --help lists the options)";

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

std::string LastLine(const std::string &text) {
  const auto lines = Lines(text);
  return lines.empty() ? "" : lines.back();
}

bool Installed(const std::string &command) { return RunCommand({"sh", "-c", "command -v " + command}).status == 0; }
bool Wrapped() { return std::getenv("LINKERKIT_TOOL_WRAPPER") != nullptr; }

// A run of the road with its two streams apart: the report on standard
// output, progress and messages on standard error.
struct RoadRun {
  std::string out;
  std::string err;
  int status;  // the exit status, or 128 + the signal that ended it
};

// In a forked child: runs command with standard input from /dev/null and
// its two output streams to the files out and err (one file when the same).
[[noreturn]] void ExecWithStreams(std::vector<std::string> command, const std::string &out, const std::string &err) {
  const int in = open("/dev/null", O_RDONLY);
  const int out_file = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int err_file = err == out ? out_file : open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  dup2(in, 0);
  dup2(out_file, 1);
  dup2(err_file, 2);
  std::vector<char *> argv;
  for (std::string &word : command) argv.push_back(word.data());
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

// The road started in the background, under LINKERKIT_TOOL_WRAPPER when
// that is set, with TMPDIR set where tmpdir is given.
class StartedRoad {
 public:
  // Standard output goes to out and standard error to err when given, else
  // to files of dir.
  StartedRoad(const std::vector<std::string> &arguments, const TempDir &dir, const std::string &tmpdir = "",
              const std::string &out = "", const std::string &err = "")
      : out_(out.empty() ? dir / ("out" + std::to_string(++count_)) : out),
        err_(err.empty() ? dir / ("err" + std::to_string(++count_)) : err) {
    std::vector<std::string> command;
    if (const char *wrapper = std::getenv("LINKERKIT_TOOL_WRAPPER")) {
      std::istringstream words(wrapper);
      for (std::string word; words >> word;) command.push_back(word);
    }
    command.push_back(kRoad);
    command.insert(command.end(), arguments.begin(), arguments.end());
    pid_ = fork();
    if (pid_ == 0) {
      if (!tmpdir.empty()) setenv("TMPDIR", tmpdir.c_str(), 1);
      ExecWithStreams(command, out_, err_);
    }
  }
  void Signal(int signal_number) const { kill(pid_, signal_number); }
  std::string Err() const { return ReadFile(err_); }
  RoadRun Wait() const {
    int status = 0;
    waitpid(pid_, &status, 0);
    // A device (/dev/full) or a pipe is not read back.
    return {fs::is_regular_file(out_) ? ReadFile(out_) : "", fs::is_regular_file(err_) ? ReadFile(err_) : "",
            WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status)};
  }

 private:
  static inline int count_ = 0;
  std::string out_;
  std::string err_;
  pid_t pid_ = -1;
};

RoadRun Road(const std::vector<std::string> &arguments, const TempDir &dir, const std::string &tmpdir = "",
             const std::string &out = "") {
  return StartedRoad(arguments, dir, tmpdir, out).Wait();
}

// The demonstration model with the examples' scales: its recipe needs the
// .ss2 and checkpoint matrix as well as the sequence.
std::vector<std::string> Demo(std::vector<std::string> options) {
  options.insert(options.begin(), {"--model", kExamples + "demo", "--scales", kSource + "/examples"});
  return options;
}
std::vector<std::string> DemoProtein(std::vector<std::string> options, const std::string &name) {
  options.insert(options.end(),
                 {"--ss2", kExamples + name + ".ss2", "--mtx", kExamples + name + ".mtx", kExamples + name + ".fa"});
  return Demo(options);
}

// Made-up proteins of 60 to 400 residues, the same for the same seed.
std::string GeneratedProteome(int count, unsigned seed) {
  std::mt19937 random(seed);
  const std::string alphabet = "ACDEFGHIKLMNPQRSTVWY";
  std::string fasta;
  for (int i = 0; i < count; ++i) {
    fasta += ">G" + std::to_string(10000 + i) + " generated\n";
    const int length = 60 + static_cast<int>(random() % 341);
    for (int j = 0; j < length; ++j) {
      // Proline-rich stretches now and then give the classifier linkers to find.
      const bool linker_like = (j / 40) % 4 == 2;
      fasta += linker_like && random() % 2 ? 'P' : alphabet[random() % alphabet.size()];
      if (j % 60 == 59) fasta += '\n';
    }
    fasta += '\n';
  }
  return fasta;
}

std::vector<std::string> FilesUnder(const std::string &folder) {
  std::vector<std::string> files;
  for (const auto &entry : fs::recursive_directory_iterator(folder)) files.push_back(entry.path().string());
  return files;
}

TEST(RoadOneProtein, GivesTheReportOnStandardOutputAndInTheWorkFolder) {
  TempDir dir;
  const auto run = Road(DemoProtein({"--work", dir / "P1"}, "P1"), dir);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string report = ReadFile(kSource + "/tests/golden/P1.report");
  EXPECT_EQ(run.out, report);
  EXPECT_EQ(ReadFile(dir / "P1/report.txt"), report);
  EXPECT_EQ(Lines(run.err)[0], kVersionLine + ": 1 protein, model " + kExamples + "demo (7 tracks), 1 at a time, " +
                                   "work folder " + (dir / "P1"));
  // P1|58,77|20|2.571104|120|67|1, positions from 0, becomes a line from 1.
  // No calibration in the demonstration model: no confidence.
  EXPECT_EQ(
      ReadFile(dir / "P1/linkers.tsv"),
      "protein\tstart\tend\tpeak_position\tscore\tconfidence\tprotein_length\nP1\t59\t78\t68\t2.571104\t-\t120\n");
  EXPECT_TRUE(ReadFile(dir / "P1/proteins.tsv")
                  .starts_with("protein\tlength\tlinkers\thighest_score\t"
                               "multi_domain_probability\nP1\t120\t1\t"))
      << ReadFile(dir / "P1/proteins.tsv");
  EXPECT_EQ(Lines(ReadFile(dir / "P1/scores/P1.scores")).size(), 120u);
  EXPECT_EQ(Road({"--version"}, dir).out, kVersionLine + "\n");
  EXPECT_NE(Road({"--help"}, dir).out.find("--ss2-dir DIR"), std::string::npos);
}

TEST(RoadOneProtein, ModesStopEarlyAndOptionsReachTheSteps) {
  TempDir dir;
  const auto features = Road(DemoProtein({"--features-only", "--work", dir / "f"}, "P2"), dir);
  ASSERT_EQ(features.status, 0) << features.err;
  EXPECT_EQ(Lines(ReadFile(dir / "f/vectors/P2.vectors")).size(), 158u);
  EXPECT_FALSE(fs::exists(dir / "f/scores/P2.scores"));

  const auto scores =
      Road(DemoProtein({"--scores-only", "--keep-work", "--name", "Q7", "--window=7", "--work", dir / "s"}, "P2"), dir);
  ASSERT_EQ(scores.status, 0) << scores.err;
  EXPECT_EQ(ReadFile(dir / "s/proteins/Q7/index.txt"),
            "SeqComplexity_7\nGEOR030101_7\nPSS_C_7\nPSS_H_7\nPSS_E_7\nPSSM_P_7\nPSSM_G_7\n");
  const auto score_lines = Lines(ReadFile(dir / "s/scores/Q7.scores"));
  ASSERT_EQ(score_lines.size(), 158u);
  EXPECT_NE(score_lines[157].find(" #Q7 157 158"), std::string::npos) << score_lines[157];
  EXPECT_EQ(ReadFile(dir / "s/scores.txt"), ReadFile(dir / "s/scores/Q7.scores"));
  EXPECT_FALSE(fs::exists(dir / "s/report.txt"));
  EXPECT_EQ(scores.out, "");
}

// A linear LIBSVM model over unscaled vectors of the given number of features.
std::string LinearSvmModel(std::size_t features) {
  std::string model = "svm_type c_svc\nkernel_type linear\nnr_class 2\nrho 0\nlabel 1 -1\ntotal_sv 1\nnr_sv 1 0\nSV\n1";
  for (std::size_t k = 1; k <= features; ++k) model.append(" ").append(std::to_string(k)).append(":0.5");
  return model + "\n";
}

// A model folder holding the given recipe and files: by default a linear
// model of as many features as the recipe has lines.
std::string ModelFolder(const TempDir &dir, const std::string &name, const std::string &recipe,
                        const std::string &svm_model = "",
                        const std::string &settings = "scores zscore\nscaling none\n") {
  fs::create_directories(dir / name);
  WriteFile(dir / (name + "/index.txt"), recipe);
  WriteFile(dir / (name + "/svm.model"), svm_model.empty() ? LinearSvmModel(Lines(recipe).size()) : svm_model);
  WriteFile(dir / (name + "/settings"), settings);
  return dir / name;
}

struct FailureCase {
  std::vector<std::string> arguments;
  std::string message;  // the one line on standard error
};

void ExpectFailures(const TempDir &dir, const std::vector<FailureCase> &cases) {
  for (const FailureCase &c : cases) {
    std::vector<std::string> arguments = {"--work", dir / "w"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const auto run = Road(arguments, dir);
    EXPECT_EQ(run.status, 1) << c.message;
    EXPECT_EQ(LastLine(run.err), c.message);
    EXPECT_EQ(run.out, "") << c.message;
    fs::remove_all(dir / "w");
  }
}

TEST(RoadFailures, ModelsAndMissingInputsStopWithOneLine) {
  TempDir dir;
  const std::string fasta = kExamples + "P1.fa";
  const auto bad_name = ModelFolder(dir, "bad_name", "SeqComplexity_15\nEntropy\n");
  const auto scale = ModelFolder(dir, "scale", "SeqComplexity_15\nKYTJ820101_15\n");
  const auto needs_ss2 = ModelFolder(dir, "needs_ss2", "SeqComplexity_15\nPSS_C_15\n");
  const auto needs_mtx = ModelFolder(dir, "needs_mtx", "PSSM_P_15\n");
  const auto broken = ModelFolder(dir, "broken", ReadFile(kExamples + "demo/index.txt"), ReadFile(fasta));
  fs::create_directory(dir / "empty");
  ExpectFailures(
      dir,
      {
          {{}, kUsage},
          {{fasta, fasta}, kUsage},
          {Demo({"--frobnicate", fasta}), "unknown option: --frobnicate (" + kUsage + ")"},
          {{fasta, "--rank"}, "--rank needs a value"},
          {{"--model", dir / "empty", fasta},
           "no model in " + (dir / "empty") +
               " (a model folder holds index.txt, settings, and svm.model, xgboost.ubj or xgboost.json)"},
          {{"--model", bad_name, fasta}, bad_name + "/index.txt line 2: no track is made for the name 'Entropy'"},
          {{"--model", needs_ss2, fasta},
           "the model's recipe uses PSS_C_15: give the protein's PSIPRED file with --ss2 FILE (--ss2-dir DIR for many)"},
          {{"--model", needs_mtx, fasta},
           "the model's recipe uses PSSM_P_15: give the protein's checkpoint matrix with --mtx FILE (--mtx-dir DIR for "
           "many)"},
          {DemoProtein({}, "missing"), "cannot open " + kExamples + "missing.ss2"},
          {{"--model", scale, "--scales", dir.path().string(), fasta},
           "the model's recipe uses KYTJ820101_15: cannot open " + (dir / "KYTJ820101.tsv")},
          {DemoProtein({"--model", broken}, "P1"),
           "cannot load model " + broken + "/svm.model: line 1: '>P1' is no LIBSVM model keyword"},
      });
}

// A model folder of XGBoost's trees over sequence-only tracks, saved as
// UBJSON (xgboost.ubj) or, as in older folders, as JSON (xgboost.json).
std::string XGBoostModelFolder(const TempDir &dir, const std::string &name,
                               const std::string &recipe = "Terminus_100\nGEOR030101_15\nChainLength_500\n",
                               const std::string &settings = "classifier xgboost\nscores raw\nsmoothing 5\n",
                               const std::string &format = "ubj") {
  fs::create_directories(dir / name);
  WriteFile(dir / (name + "/index.txt"), recipe);
  WriteFile(dir / (name + "/xgboost." + format), ReadFile(kSource + "/tests/data/tiny.xgboost." + format));
  WriteFile(dir / (name + "/settings"), settings);
  return dir / name;
}

TEST(RoadFailures, XGBoostModelFoldersStopWithOneLine) {
  TempDir dir;
  const std::string fasta = kExamples + "P1.fa";
  const auto bad_kind = XGBoostModelFolder(dir, "bad_kind", "Terminus_100\n", "scores raw\nclassifier svm\n");
  const auto missing = XGBoostModelFolder(dir, "missing");
  fs::remove(missing + "/xgboost.ubj");
  const auto both = XGBoostModelFolder(dir, "both");
  fs::copy(kSource + "/tests/data/tiny.xgboost.json", both + "/xgboost.json");
  const auto ranges = XGBoostModelFolder(dir, "ranges");
  WriteFile(ranges + "/ranges", "x\n-1 1\n1 0 1\n");
  const auto broken = XGBoostModelFolder(dir, "broken");
  WriteFile(broken + "/xgboost.ubj", ReadFile(broken + "/xgboost.ubj").substr(0, 100));
  const auto broken_json = XGBoostModelFolder(dir, "broken_json", "Terminus_100\n", "classifier xgboost\n", "json");
  WriteFile(broken_json + "/xgboost.json", "{\"learner\":");
  ExpectFailures(
      dir,
      {
          {{"--model", bad_kind, fasta}, bad_kind + "/settings line 2: classifier must be libsvm or xgboost"},
          {{"--model", missing, fasta},
           "no classifier in " + missing +
               ": xgboost.ubj (or xgboost.json) is missing (its settings say classifier xgboost)"},
          {{"--model", both, "--show-settings"},
           "the model " + both + " has both xgboost.ubj and xgboost.json, and takes one booster: remove one of them"},
          {{"--model", ranges, "--show-settings"},
           "the model " + ranges + " has a ranges file, which an XGBoost model does not take: remove it"},
          {{"--model", broken, fasta}, "cannot load model " + broken + "/xgboost.ubj: malformed UBJSON at byte 100"},
          {{"--model", broken_json, fasta},
           "cannot load model " + broken_json + "/xgboost.json: malformed JSON at byte 12"},
      });
}

// Every file of a model folder, and every line of each, is read before the
// first protein: a fault is one line naming the file (and line), and no
// protein is worked on.
TEST(RoadFailures, ABrokenModelFolderStopsBeforeTheFirstProtein) {
  TempDir dir;
  const std::string fasta = kExamples + "real/Q9LQ92.fa";
  const auto copy = [&](const std::string &name) {
    fs::copy(kLinearModel, dir / name, fs::copy_options::recursive);
    return dir / name;
  };
  const auto edit = [&](const std::string &path, const std::string &line, const std::string &by) {
    std::string text = ReadFile(path);
    ASSERT_NE(text.find(line), std::string::npos) << line;
    WriteFile(path, text.replace(text.find(line), line.size(), by));
  };
  const std::string no_settings = copy("no_settings");
  fs::remove(no_settings + "/settings");
  const std::string no_ranges = copy("no_ranges");
  fs::remove(no_ranges + "/ranges");
  const std::string extra_track = copy("extra_track");
  WriteFile(extra_track + "/index.txt", ReadFile(extra_track + "/index.txt") + "SeqComplexity_81\n");
  const std::string short_recipe = copy("short_recipe");
  edit(short_recipe + "/index.txt", "ChainLength_1000\n", "");
  const std::string nan_weight = copy("nan_weight");
  edit(nan_weight + "/svm.model", "3:-0.3245086964227846", "3:nan");
  const std::string nan_rho = copy("nan_rho");
  edit(nan_rho + "/svm.model", "rho 0.057871289610470604", "rho nan");
  const std::string bad_range = copy("bad_range");
  edit(bad_range + "/ranges", "3 -0.4188 0.5724", "3 -0.4188 inf");
  const std::string unscaled_with_ranges = copy("unscaled_with_ranges");
  WriteFile(unscaled_with_ranges + "/settings", ReadFile(unscaled_with_ranges + "/settings") + "scaling none\n");
  const std::string scaled_trees = XGBoostModelFolder(
      dir, "scaled_trees", "Terminus_100\nGEOR030101_15\nChainLength_500\n", "classifier xgboost\nscaling ranges\n");
  fs::create_directory(dir / "scales");
  for (const std::string scale : {"SUYM030101", "BAEK050101", "GEOR030101", "GEOR030109", "BHAR880101", "CHOP780101"}) {
    fs::copy(kSource + "/data/scales/" + scale + ".tsv", dir / ("scales/" + scale + ".tsv"));
  }
  std::string kyte;
  for (const std::string &line : Lines(ReadFile(kSource + "/data/scales/KYTJ820101.tsv"))) {
    kyte += line.starts_with("L\t") ? "L\tnan\n" : line + "\n";
  }
  WriteFile(dir / "scales/KYTJ820101.tsv", kyte);
  std::size_t kyte_l = 0;
  while (!Lines(kyte)[kyte_l].starts_with("L\t")) ++kyte_l;
  const struct {
    std::vector<std::string> arguments;
    std::string message;
  } cases[] = {
      {{"--model", no_settings, fasta},
       "the model " + no_settings + " has no settings file, which names its classifier and how its scores are called"},
      {{"--model", no_ranges, fasta},
       "the model " + no_ranges +
           " has no ranges file, the svm-scale ranges its LIBSVM model's vectors were scaled with; a model trained on "
           "unscaled vectors says 'scaling none' in its settings"},
      {{"--model", extra_track, fasta},
       "the recipe " + extra_track + "/index.txt has 19 tracks, and the model " + extra_track +
           "/svm.model takes 18 features (up to the last of its ranges): a model works only with the recipe it was "
           "trained with"},
      {{"--model", short_recipe, fasta},
       "the recipe " + short_recipe + "/index.txt has 17 tracks, and the model " + short_recipe +
           "/svm.model takes 18 features (up to the last of its ranges): a model works only with the recipe it was "
           "trained with"},
      {{"--model", nan_weight, fasta},
       "cannot load model " + nan_weight + "/svm.model: line 9: feature 3 of '3:nan' is not a finite number"},
      {{"--model", nan_rho, "--show-settings"},
       "cannot load model " + nan_rho + "/svm.model: line 4: rho 'nan' is not a finite number"},
      {{"--model", bad_range, fasta}, bad_range + "/ranges line 5: expected INDEX MIN MAX"},
      {{"--model", unscaled_with_ranges, fasta},
       "the model " + unscaled_with_ranges +
           " has a ranges file, and its settings say scaling none: remove one of them"},
      {{"--model", scaled_trees, fasta},
       scaled_trees + "/settings: scaling ranges is for LIBSVM models; XGBoost's trees take none"},
      {{"--model", kLinearModel, "--scales", dir / "scales", fasta},
       "the model's recipe uses KYTJ820101_15: " + (dir / "scales/KYTJ820101.tsv") + " line " +
           std::to_string(kyte_l + 1) + ": the value of L is not a finite number"},
  };
  for (const auto &c : cases) {
    std::vector<std::string> arguments = {"--work", dir / "w"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const auto run = Road(arguments, dir);
    EXPECT_EQ(run.status, 1) << c.message;
    EXPECT_EQ(run.err, c.message + "\n");
    EXPECT_FALSE(fs::exists(dir / "w")) << c.message;
  }
  // The vector lines need the recipe alone: the training script makes them
  // before there is a classifier, or settings.
  const auto features = Road({"--features-only", "--model", no_settings, "--work", dir / "f", fasta}, dir);
  EXPECT_EQ(features.status, 0) << features.err;
}

TEST(RoadFailures, OptionsAreReadStrictly) {
  TempDir dir;
  const std::string fasta = kExamples + "real/Q9LQ92.fa";
  ExpectFailures(
      dir, {
               {{"--window", "15x", fasta}, "invalid window size '15x': expected a whole number from 1 to 1000000"},
               {{"--window", "0", fasta}, "invalid window size '0': expected a whole number from 1 to 1000000"},
               {{"--rank", "abc", fasta}, "invalid rank 'abc': expected a whole number from 1 to 1000000"},
               {{"--rank", "+2", fasta}, "invalid rank '+2': expected a whole number from 1 to 1000000"},
               {{"--offset", "-1", fasta}, "invalid offset '-1': expected a whole number from 0 to 1000000"},
               {{"--smoothing", "99999999999", fasta},
                "invalid smoothing window size '99999999999': expected a whole number from 1 to 1000000"},
               {{"-j", "0", fasta}, "invalid -j '0': expected a whole number from 1 to 1024"},
               {{"-j2x", fasta}, "invalid -j '2x': expected a whole number from 1 to 1024"},
               {{"--threshold", "1.0x", fasta},
                "invalid threshold '1.0x': expected a decimal number from -1000000 to 1000000"},
               {{"--threshold", "nan", fasta},
                "invalid threshold 'nan': expected a decimal number from -1000000 to 1000000"},
               {{"--threshold", "1e999", fasta},
                "invalid threshold '1e999': expected a decimal number from -1000000 to 1000000"},
               // Scores lie nowhere near: beyond single precision's reach
               // the peak is lost to rounding, or the threshold is -nan.
               {{"--threshold", "-1e38", fasta},
                "invalid threshold '-1e38': expected a decimal number from -1000000 to 1000000"},
               {{"--threshold", "-3.5e38", fasta},
                "invalid threshold '-3.5e38': expected a decimal number from -1000000 to 1000000"},
               {{"--threshold", "1000000.5", fasta},
                "invalid threshold '1000000.5': expected a decimal number from -1000000 to 1000000"},
               {{"--threshold=", fasta}, "--threshold needs a value"},
               {{"--keep-work=yes", fasta}, "--keep-work takes no value"},
               {{"--name", "P 1", fasta}, "invalid --name: protein name 'P 1' holds a blank or control character"},
               {{"--ss2", "a.ss2", "--ss2-dir", "d", fasta}, "--ss2 and --ss2-dir cannot be given together"},
               {{"--truth", "t.txt", fasta}, "--truth draws on the plots: give --plot DIR too"},
           });
  // Good values in every accepted form.
  const auto run =
      Road({"--threshold=.25", "-j", "2", "--rank", "1", "--offset", "0", "--work", dir / "ok", fasta}, dir);
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(Road({"--threshold", "-1e6", "--work", dir / "far", fasta}, dir).status, 0);
}

TEST(RoadFailures, MismatchedInputsNameTheProteinAndBothLengths) {
  TempDir dir;
  // The count and sequence lines, the header and 60 of the 120 residue rows.
  std::string truncated;
  for (const auto &line : Lines(ReadFile(kExamples + "P1.mtx"))) {
    if (Lines(truncated).size() < 74) truncated += line + "\n";
  }
  WriteFile(dir / "truncated.mtx", truncated);
  const std::string p1 = kExamples + "P1.fa";
  ExpectFailures(dir,
                 {
                     {Demo({"--ss2", kExamples + "P2.ss2", "--mtx", kExamples + "P1.mtx", p1}),
                      "P1: the .ss2 file " + kExamples + "P2.ss2 has 158 residues, the FASTA sequence 120"},
                     {Demo({"--ss2", kExamples + "P1.ss2", "--mtx", kExamples + "P3.mtx", p1}),
                      "P1: the checkpoint matrix " + kExamples + "P3.mtx has 127 residues, the FASTA sequence 120"},
                 });
  const auto run =
      Road(Demo({"--work", dir / "t", "--ss2", kExamples + "P1.ss2", "--mtx", dir / "truncated.mtx", p1}), dir);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(std::regex_match(LastLine(run.err), std::regex("P1: the checkpoint matrix " + (dir / "truncated.mtx") +
                                                             " gives 60 residues, the FASTA sequence 120")))
      << run.err;
}

// A nan or inf in a scale would turn every score into NaN and the report
// into "No prediction": the scale is read before the first protein.
TEST(RoadFailures, NoNonFiniteValueReachesTheClassifier) {
  TempDir dir;
  fs::create_directory(dir / "scales");
  std::string scale;
  for (const auto &line : Lines(ReadFile(kExamples + "GEOR030101.tsv")))
    scale += line.starts_with("L\t") ? "L\tinf\n" : line + "\n";
  WriteFile(dir / "scales/GEOR030101.tsv", scale);
  const auto run = Road({"--model", kExamples + "demo", "--scales", dir / "scales", "--ss2", kExamples + "P1.ss2",
                         "--mtx", kExamples + "P1.mtx", "--work", dir / "w", kExamples + "P1.fa"},
                        dir);
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(std::regex_match(run.err, std::regex("the model's recipe uses GEOR030101_15: .*/GEOR030101.tsv line "
                                                   "[0-9]+: the value of L is not a finite number\n")))
      << run.err;
  EXPECT_FALSE(fs::exists(dir / "w"));
}

TEST(RoadFasta, RecordsAreNormalisedOrRefusedNamingTheLine) {
  TempDir dir;
  // A byte-order mark, carriage returns and lower case give the clean file's report.
  std::string messy = "\xEF\xBB\xBF";
  for (const auto &line : Lines(ReadFile(kExamples + "real/Q9LQ92.fa"))) {
    std::string lower = line;
    if (line[0] != '>') {
      for (char &c : lower) c = static_cast<char>(std::tolower(c));
    }
    messy += lower + "\r\n";
  }
  WriteFile(dir / "messy.fa", messy);
  const auto clean = Road({"--work", dir / "clean", kExamples + "real/Q9LQ92.fa"}, dir);
  const auto normalised = Road({"--work", dir / "messy", dir / "messy.fa"}, dir);
  ASSERT_EQ(normalised.status, 0) << normalised.err;
  EXPECT_EQ(normalised.out, clean.out);
  EXPECT_EQ(ReadFile(dir / "messy/scores.txt"), ReadFile(dir / "clean/scores.txt"));

  WriteFile(dir / "two.fa", ">sp|P0A1|ONE_HUMAN first\nMKVLAAGPPPSTTT\n\n>second desc\nmkvlaagpppsttt\n");
  const auto two = Road({"--work", dir / "two", "--scores-only", dir / "two.fa"}, dir);
  ASSERT_EQ(two.status, 0) << two.err;
  EXPECT_TRUE(fs::exists(dir / "two/scores/P0A1.scores"));
  EXPECT_TRUE(fs::exists(dir / "two/scores/second.scores"));

  WriteFile(dir / "dup.fa", ">A\nMKV\n>B\nMKV\n>A again\nMKV\n");
  WriteFile(dir / "letters.fa", ">A\nMKV\n>B\nMK1V\n");
  WriteFile(dir / "binary.fa", std::string("\x7f"
                                           "ELF\x02\x01",
                                           6));
  WriteFile(dir / "names.fa", ">A#1\nMKV\n");
  WriteFile(dir / "empty.fa", "");
  WriteFile(dir / "bare.fa", ">A\n\n>B\nMKV\n");
  ExpectFailures(
      dir,
      {
          {{dir / "dup.fa"}, dir / "dup.fa" + " line 5: protein name A is used twice"},
          {{dir / "letters.fa"}, dir / "letters.fa" + " line 4: protein B: '1' is no residue letter (A to Z)"},
          {{dir / "binary.fa"}, dir / "binary.fa" + " line 1: expected a '>' header line before the sequence"},
          {{dir / "names.fa"}, dir / "names.fa" + " line 1: protein name 'A#1' holds '#'"},
          {{dir / "empty.fa"}, dir / "empty.fa" + ": no protein (a FASTA record begins with a '>' header line)"},
          {{dir / "bare.fa"}, dir / "bare.fa" + " line 1: protein A has no residues"},
          {{"--ss2", kExamples + "P1.ss2", dir / "two.fa"},
           dir / "two.fa" + " holds 2 proteins: --name, --ss2, --mtx and --reprof are for one protein; use --ss2-dir, "
                            "--mtx-dir and --reprof-dir"},
      });
}

// A name names the protein's files: one too long for them is refused before
// the first protein, and the longest taken fits every file made from it.
TEST(RoadFasta, NamesTooLongForAFileNameAreRefusedBeforeAnyWork) {
  TempDir dir;
  const std::string longest(230, 'N');
  const std::string sequence = "MKVLAAGPPPSTTTLLLAAAVVVKKKPPPGSGSGSLLLKKKEEEVVV\n";
  WriteFile(dir / "long.fa", ">A\n" + sequence + ">" + longest + "x\n" + sequence);
  const auto refused = Road({"--keep-work", "--plot", dir / "plots", "--work", dir / "w", dir / "long.fa"}, dir);
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.err, dir / "long.fa" +
                             " line 3: protein name 'NNNNNNNNNNNNNNNNNNNN...' is 231 bytes long: a name longer than "
                             "230 bytes does not fit in its file names\n");
  EXPECT_FALSE(fs::exists(dir / "w"));
  WriteFile(dir / "longest.fa", ">A\n" + sequence + ">" + longest + "\n" + sequence);
  const auto taken = Road({"--keep-work", "--plot", dir / "plots", "--work", dir / "w", dir / "longest.fa"}, dir);
  ASSERT_EQ(taken.status, 0) << taken.err;
  EXPECT_TRUE(fs::exists(dir / ("plots/" + longest + ".svg")));
  EXPECT_TRUE(fs::exists(dir / ("w/proteins/" + longest + "/" + longest + ".vectors")));
  EXPECT_NE(ReadFile(dir / "w/proteins.tsv").find("\n" + longest + "\t"), std::string::npos);
}

// A proteome of generated proteins: the report is ReportDomainHinges' over
// the proteins' own scores joined in file order, and the same at any -j.
// The road makes a protein's tracks, vector lines and scores in memory
// unless the work is kept, when every step writes its file as the programs
// do: both roads give the same bytes, for every kind of model and protein,
// the short ones and those with rare letters too.
constexpr const char *kMarker = ".linkerkit-work";
TEST(RoadMemory, TheStepsInMemoryGiveTheProgramsBytes) {
  TempDir dir;
  std::string fasta = GeneratedProteome(Wrapped() ? 4 : 40, 21);
  for (const std::string example : {"P1", "P2", "P3", "P4", "real/Q9LQ92"}) {
    fasta += ReadFile(kExamples + example + ".fa");
  }
  fasta += ">one\nM\n>three\nMKX\n>rare\nBZUOXJACDEFGHIKLMNPQRSTVWYBZUOXPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPPP\n";
  WriteFile(dir / "proteome.fa", fasta);
  WriteFile(dir / "ubiquitin.fa", ReadFile(kSource + "/tests/data/ubiquitin.fa"));
  const std::string proteome = dir / "proteome.fa";
  std::string examples;
  for (const char *name : {"P1", "P2", "P3", "P4"}) examples += ReadFile(kExamples + name + ".fa");
  WriteFile(dir / "examples.fa", examples);
  // The models that read companion files: reprof's prediction at hand or
  // made by reprof, the .ss2 files and checkpoint matrices.
  std::vector<std::vector<std::string>> cases = {
      {proteome},
      {"--model", kLinearModel, "--rank", "2", proteome},
      {"--model", kLinearModel, "--window", "9", "--caller", "segment", proteome},
      {"--model", XGBoostModelFolder(dir, "trees"), "--threshold", "0.5", proteome},
      {"--plot", dir / "pictures", proteome},
      {"--features-only", proteome},
      {"--scores-only", "--model", kLinearModel, proteome},
      {"--model", "reprof", "--reprof", kSource + "/tests/data/ubiquitin.reprof", dir / "ubiquitin.fa"},
      {"--model", kExamples + "demo", "--scales", kSource + "/examples", "--ss2-dir", kExamples, "--mtx-dir", kExamples,
       dir / "examples.fa"}};
  if (fs::exists("/usr/share/reprof")) cases.push_back({"--model", "reprof", dir / "examples.fa"});
  int count = 0;
  for (const std::vector<std::string> &options : cases) {
    const std::string memory = dir / ("memory" + std::to_string(count));
    const std::string files = dir / ("files" + std::to_string(count++));
    const auto run = [&](const std::string &work, std::vector<std::string> extra) {
      extra.insert(extra.end(), {"-j", "2", "--work", work});
      extra.insert(extra.end(), options.begin(), options.end());
      const auto ran = Road(extra, dir);
      if (fs::exists(dir / "pictures"))
        fs::rename(dir / "pictures", work + "/../" + fs::path(work).filename().string() + "-pictures");
      return ran;
    };
    const auto in_memory = run(memory, {});
    ASSERT_EQ(in_memory.status, 0) << in_memory.err;
    const auto through_files = run(files, {"--keep-work"});
    ASSERT_EQ(through_files.status, 0) << through_files.err;
    EXPECT_EQ(in_memory.out, through_files.out) << count;
    EXPECT_FALSE(fs::exists(memory + "/proteins")) << "no step's file where the work is not kept";
    EXPECT_FALSE(fs::is_empty(files + "/proteins")) << "every step's file where it is";
    std::size_t compared = 0;
    for (const auto &[from, to] : {std::pair(memory, files), std::pair(memory + "-pictures", files + "-pictures")}) {
      if (!fs::exists(from)) continue;
      for (const std::string &file : FilesUnder(from)) {
        if (file.ends_with(kMarker) || fs::is_directory(file)) continue;
        EXPECT_EQ(ReadFile(file), ReadFile(to + file.substr(from.size()))) << file;
        ++compared;
      }
    }
    // Every protein's scores at least; the wrapper's proteome has twelve.
    EXPECT_GT(compared, options.back() == proteome ? (Wrapped() ? 10U : 40U) : 3U) << count;
  }
}

TEST(RoadProteome, TheReportIsTheOneOverTheJoinedScores) {
  TempDir dir;
  const int count = Wrapped() ? 12 : 300;
  WriteFile(dir / "proteome.fa", GeneratedProteome(count, 7));
  const auto run =
      Road({"--model", kLinearModel, "--work", dir / "w", "-j", "2", "--rank", "2", dir / "proteome.fa"}, dir);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(LastLine(run.err).find("linkers: " + (dir / "w/linkers.tsv")), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(std::to_string(count) + "/" + std::to_string(count) + " proteins"), std::string::npos);

  std::string joined;
  for (int i = 0; i < count; ++i) joined += ReadFile(dir / ("w/scores/G" + std::to_string(10000 + i) + ".scores"));
  EXPECT_EQ(ReadFile(dir / "w/scores.txt"), joined);
  const std::string settings =
      RunTool("linkerkit-predict", {"--model", kLinearModel, "--rank", "2", "--show-settings"}).out;
  const std::regex threshold_line("threshold ([^\n]+)");
  std::smatch threshold, offset;
  ASSERT_TRUE(std::regex_search(settings, threshold, threshold_line));
  ASSERT_TRUE(std::regex_search(settings, offset, std::regex("offset ([^\n]+)")));
  WriteFile(dir / "joined.txt", joined);
  WriteFile(dir / "options.txt", "NormalizedFile = " + (dir / "joined.txt") + "\nOutputFile = " + (dir / "own.txt") +
                                     "\nOffSet = " + offset[1].str() + "\n");
  const auto own = RunTool("ReportDomainHinges", {dir / "options.txt", "2", threshold[1].str()});
  ASSERT_EQ(own.status, 0) << own.out;
  EXPECT_EQ(run.out, ReadFile(dir / "own.txt"));
  EXPECT_EQ(ReadFile(dir / "w/candidates.txt"), own.out);
  // The bar scales down with the proteome: the wrapper's twelve proteins give eight report lines.
  EXPECT_GT(Lines(run.out).size(), std::min<std::size_t>(10, count / 2))
      << "the generated proteins should have linkers";

  const auto one_at_a_time =
      Road({"--model", kLinearModel, "--work", dir / "w1", "-j", "1", "--rank", "2", dir / "proteome.fa"}, dir);
  EXPECT_EQ(one_at_a_time.out, run.out);
}

TEST(RoadWorkFolder, NeverReplacesAUsersFilesAndCleansUpAfterItself) {
  TempDir dir;
  const std::string fasta = kExamples + "real/Q9LQ92.fa";
  fs::create_directory(dir / "mine");
  WriteFile(dir / "mine/index.txt", "my own index\n");
  const auto refused = Road({"--work", dir / "mine", fasta}, dir);
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(LastLine(refused.err), "the work folder " + (dir / "mine") +
                                       " holds files of its own; give a new or empty folder, or one an earlier "
                                       "linkerkit-predict run made");
  EXPECT_EQ(FilesUnder(dir / "mine"), std::vector<std::string>{dir / "mine/index.txt"});
  EXPECT_EQ(ReadFile(dir / "mine/index.txt"), "my own index\n");

  // By default a temporary folder, gone at the end unless kept.
  fs::create_directory(dir / "tmp");
  const auto temporary = Road({fasta}, dir, dir / "tmp");
  ASSERT_EQ(temporary.status, 0) << temporary.err;
  EXPECT_EQ(temporary.out, ReadFile(kSource + "/tests/golden/Q9LQ92.sequence.report"));
  EXPECT_TRUE(fs::is_empty(dir / "tmp"));
  ASSERT_EQ(Road({"--keep-work", fasta}, dir, dir / "tmp").status, 0);
  ASSERT_EQ(FilesUnder(dir / "tmp").size() > 5, true);

  // A second run in the road's own folder replaces the first one's outputs,
  // and a run that fails at a protein leaves none of them behind.
  ASSERT_EQ(Road({"--work", dir / "w", fasta}, dir).status, 0);
  ASSERT_EQ(Road({"--work", dir / "w", fasta}, dir).status, 0);
  const auto failed = Road(
      Demo({"--work", dir / "w", "--ss2", kExamples + "P2.ss2", "--mtx", kExamples + "P1.mtx", kExamples + "P1.fa"}),
      dir);
  EXPECT_EQ(failed.status, 1);
  EXPECT_FALSE(fs::exists(dir / "w/report.txt"));
  EXPECT_FALSE(fs::exists(dir / "w/scores/Q9LQ92.scores"));
}

// Whether some process holds a lock on path, as /proc/locks shows it: the
// test looks without taking the lock, which would turn the run away.
bool HoldsFileLock(const std::string &path) {
  struct stat file {};
  if (stat(path.c_str(), &file) != 0) return false;
  const std::string inode = ":" + std::to_string(file.st_ino) + " ";
  std::istringstream locks(ReadFile("/proc/locks"));
  for (std::string line; std::getline(locks, line);) {
    if (line.find("FLOCK") != std::string::npos && line.find(inode) != std::string::npos) return true;
  }
  return false;
}

TEST(RoadWorkFolder, TwoRunsAtOnceCannotMix) {
  TempDir dir;
  WriteFile(dir / "proteome.fa", GeneratedProteome(Wrapped() ? 10 : 200, 3));
  // A run holding the folder, as a running linkerkit-predict does.
  ASSERT_EQ(Road({"--work", dir / "w", "--scores-only", kExamples + "real/Q9LQ92.fa"}, dir).status, 0);
  const int held = open((dir / "w/.linkerkit-work").c_str(), O_RDWR);
  ASSERT_EQ(flock(held, LOCK_EX | LOCK_NB), 0);
  const auto second = Road({"--work", dir / "w", dir / "proteome.fa"}, dir);
  EXPECT_EQ(second.status, 1);
  EXPECT_EQ(LastLine(second.err), "another linkerkit-predict run is using the work folder " + (dir / "w") +
                                      "; wait for it or give another --work");
  EXPECT_TRUE(fs::exists(dir / "w/scores/Q9LQ92.scores")) << "the second run must not touch the first one's files";
  close(held);

  // A real run holding the folder: the second stops at once, the first is
  // not disturbed. The first run's standard error is a pipe filled to the
  // brim, so its first progress line, which comes after it has taken the
  // folder, holds it there however fast it would otherwise finish.
  const std::string err_pipe = dir / "first.err";
  ASSERT_EQ(mkfifo(err_pipe.c_str(), 0600), 0);
  const int reader = open(err_pipe.c_str(), O_RDONLY | O_NONBLOCK);
  const int filler = open(err_pipe.c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  ASSERT_GE(filler, 0);
  while (write(filler, ".", 1) == 1) {
  }
  close(filler);
  WriteFile(dir / "long.fa", GeneratedProteome(Wrapped() ? 10 : 200, 4));
  StartedRoad first({"--work", dir / "both", "-j", "1", dir / "long.fa"}, dir, "", "", err_pipe);
  bool holding = false;
  for (int waited = 0; waited < 300000 && !holding; waited += 5) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    holding = HoldsFileLock(dir / "both/.linkerkit-work");
  }
  ASSERT_TRUE(holding) << "the first run never took the folder";
  const auto during = Road({"--work", dir / "both", dir / "proteome.fa"}, dir);
  EXPECT_EQ(during.status, 1);
  EXPECT_EQ(LastLine(during.err), "another linkerkit-predict run is using the work folder " + (dir / "both") +
                                      "; wait for it or give another --work");
  // Let the first run write again and end.
  fcntl(reader, F_SETFL, 0);
  std::thread drain([reader] {
    char buffer[4096];
    while (read(reader, buffer, sizeof buffer) > 0) {
    }
  });
  first.Signal(SIGTERM);
  const RoadRun ended = first.Wait();
  drain.join();
  close(reader);
  EXPECT_TRUE(ended.status == 143 || ended.status == 0) << ended.status;
}

// Made-up proteins named with some 150 bytes each: a report over a few of
// them passes the 4 KiB that standard output holds before it writes.
std::string LongNamedProteome(int count, unsigned seed) {
  return std::regex_replace(GeneratedProteome(count, seed), std::regex(">G"), ">" + std::string(150, 'L') + "G");
}

// A tmpfs of the given size on folder for the life of the object: a disk
// that fills up. Mounting needs root; where it fails, mounted() says so.
class SmallFileSystem {
 public:
  SmallFileSystem(const std::string &folder, const std::string &size) : folder_(folder) {
    fs::create_directories(folder);
    mounted_ = RunCommand({"mount", "-t", "tmpfs", "-o", "size=" + size, "tmpfs", folder}).status == 0;
  }
  ~SmallFileSystem() {
    if (mounted_) RunCommand({"umount", folder_});
  }
  SmallFileSystem(const SmallFileSystem &) = delete;
  SmallFileSystem &operator=(const SmallFileSystem &) = delete;
  bool mounted() const { return mounted_; }

 private:
  std::string folder_;
  bool mounted_ = false;
};

// The folder a failure's last line says is kept: "...; the work folder DIR
// is kept" or "...; it is in DIR/report.txt".
std::string KeptFolder(const std::string &err) {
  std::smatch kept;
  const std::string last = LastLine(err);
  if (std::regex_search(last, kept, std::regex("; the work folder (.+) is kept$")) ||
      std::regex_search(last, kept, std::regex("; it is in (.+)/report\\.txt$"))) {
    return kept[1].str();
  }
  return "";
}

TEST(RoadOutput, AFailedStandardOutputIsAFailureAndTheReportIsKept) {
  if (!fs::is_character_file("/dev/full")) GTEST_SKIP() << "/dev/full is no device here";
  TempDir dir;
  WriteFile(dir / "proteome.fa", LongNamedProteome(30, 7));
  const auto good = Road({"--model", kLinearModel, dir / "proteome.fa"}, dir);
  ASSERT_EQ(good.status, 0) << good.err;
  ASSERT_GT(good.out.size(), 4096u) << "the report should pass standard output's buffer";
  fs::create_directory(dir / "tmp");
  const auto full =
      Road({"--model", kLinearModel, "--plot", dir / "plots", dir / "proteome.fa"}, dir, dir / "tmp", "/dev/full");
  EXPECT_EQ(full.status, 1);
  const std::string kept = KeptFolder(full.err);
  EXPECT_EQ(LastLine(full.err),
            "cannot write the report on standard output: No space left on device; it is in " + kept + "/report.txt");
  EXPECT_EQ(fs::path(kept).parent_path(), dir.path() / "tmp") << full.err;
  EXPECT_EQ(ReadFile(kept + "/report.txt"), good.out);
  EXPECT_TRUE(fs::exists(kept + "/linkers.tsv"));
  // What else goes to standard output.
  for (const std::vector<std::string> &arguments :
       {std::vector<std::string>{"--model", kLinearModel, "--show-settings"}, std::vector<std::string>{"--help"}}) {
    const auto shown = Road(arguments, dir, "", "/dev/full");
    EXPECT_EQ(shown.status, 1) << arguments[0];
    EXPECT_EQ(LastLine(shown.err), "cannot write on standard output: No space left on device");
  }
}

// Started with standard output closed (">&-"), the first file the run
// opened took its number: the lock file got the report, and the run ended 0.
TEST(RoadOutput, AClosedStandardOutputIsAFailureAndNoFileTakesItsPlace) {
  TempDir dir;
  const auto closed =
      RunCommand({"sh", "-c", "exec \"$0\" --work \"$1\" \"$2\" >&-", kRoad, dir / "w", kExamples + "real/Q9LQ92.fa"});
  EXPECT_EQ(closed.status, 1);
  EXPECT_EQ(LastLine(closed.out),
            "cannot write the report on standard output: Bad file descriptor; it is in " + (dir / "w/report.txt"));
  EXPECT_EQ(ReadFile(dir / "w/.linkerkit-work"), "a linkerkit-predict work folder\n");
  EXPECT_EQ(ReadFile(dir / "w/report.txt"), ReadFile(kSource + "/tests/golden/Q9LQ92.sequence.report"));
}

TEST(RoadOutput, AFullDiskIsAFailureAndTheWorkIsKept) {
  TempDir dir;
  SmallFileSystem small(dir / "small", "4k");
  if (!small.mounted()) GTEST_SKIP() << "cannot mount a small tmpfs here (it needs root and the right to mount)";
  WriteFile(dir / "proteome.fa", LongNamedProteome(30, 7));
  const auto good = Road({"--model", kLinearModel, dir / "proteome.fa"}, dir);
  ASSERT_EQ(good.status, 0) << good.err;
  ASSERT_GT(good.out.size(), 4096u) << "the report should pass the small disk";

  // The report written to the full disk: cut off after what fitted.
  fs::create_directory(dir / "tmp");
  const auto cut = Road({"--model", kLinearModel, dir / "proteome.fa"}, dir, dir / "tmp", dir / "small/report.txt");
  EXPECT_EQ(cut.status, 1);
  std::string kept = KeptFolder(cut.err);
  EXPECT_EQ(LastLine(cut.err),
            "cannot write the report on standard output: No space left on device; it is in " + kept + "/report.txt");
  EXPECT_EQ(ReadFile(kept + "/report.txt"), good.out);
  fs::remove(dir / "small/report.txt");

  // The work folder on the full disk: the run stops at the first file that
  // does not fit, and the folder stays, with the scores it finished. (Not
  // TMPDIR: valgrind keeps files of its own there.)
  const auto tight = Road({"--model", kLinearModel, "--work", dir / "small/w", dir / "proteome.fa"}, dir);
  EXPECT_EQ(tight.status, 1);
  kept = KeptFolder(tight.err);
  EXPECT_TRUE(
      std::regex_match(LastLine(tight.err), std::regex(".*: No space left on device; the work folder .* is kept")))
      << tight.err;
  EXPECT_EQ(kept, dir / "small/w") << tight.err;
  EXPECT_TRUE(fs::is_directory(kept + "/scores"));
  EXPECT_FALSE(fs::exists(kept + "/report.txt"));
  EXPECT_EQ(LastLine(tight.err).find("/workers/"), std::string::npos) << "a folder that is gone: " << tight.err;
  fs::remove_all(kept);

  // The pictures on the full disk.
  const auto pictures = Road({"--model", kLinearModel, "--plot", dir / "small", dir / "proteome.fa"}, dir, dir / "tmp");
  EXPECT_EQ(pictures.status, 1);
  kept = KeptFolder(pictures.err);
  EXPECT_TRUE(std::regex_match(LastLine(pictures.err), std::regex("cannot write " + (dir / "small") +
                                                                  "/L+G[0-9]+\\.svg.*; the work folder .* is kept")))
      << pictures.err;
  EXPECT_EQ(pictures.out, "");
  EXPECT_TRUE(fs::exists(kept + "/scores.txt") || fs::is_directory(kept + "/scores")) << pictures.err;
}

// A step that cannot write its file (here past a limit on file sizes, which
// needs no root, as a full disk does) names the protein, the file and why;
// the work folder stays. The steps in memory write the protein's scores
// alone; kept, they write every step's file.
TEST(RoadOutput, AFailedStepNamesTheProteinAndWhatItsFileHolds) {
  TempDir dir;
  fs::create_directory(dir / "tmp");
  const auto limited = [&](const std::vector<std::string> &arguments) {
    std::string command = "ulimit -f 2 && trap '' XFSZ && TMPDIR='" + (dir / "tmp") + "' exec '" + kRoad + "'";
    for (const std::string &argument : arguments) command += " '" + argument + "'";
    return RunCommand({"bash", "-c", command});
  };
  const auto run = limited({"--model", kLinearModel, kExamples + "real/Q9LQ92.fa"});
  EXPECT_EQ(run.status, 1);
  std::string kept = KeptFolder(run.out);
  EXPECT_EQ(LastLine(run.out), "Q9LQ92: cannot write " + kept +
                                   "/scores/Q9LQ92.scores: File too large; the work folder " + kept + " is kept");
  EXPECT_EQ(fs::path(kept).parent_path(), dir.path() / "tmp") << run.out;

  const auto kept_work = limited({"--model", kLinearModel, "--keep-work", kExamples + "real/Q9LQ92.fa"});
  EXPECT_EQ(kept_work.status, 1);
  kept = KeptFolder(kept_work.out);
  EXPECT_EQ(LastLine(kept_work.out), "Q9LQ92: cannot write " + kept +
                                         "/proteins/Q9LQ92/feat/SUYM030101_15.txt: File too large; the work folder " +
                                         kept + " is kept");
}

// Interrupted at each stage, a run leaves nothing complete-looking behind,
// and the next run in the same folder succeeds.
TEST(RoadInterruption, LeavesNoPartialFileAndTheNextRunSucceeds) {
  if (Wrapped()) GTEST_SKIP() << "timing a signal under a checker proves nothing more";
  TempDir dir;
  WriteFile(dir / "proteome.fa", GeneratedProteome(200, 11));
  const auto expected = Road({"--work", dir / "expected", dir / "proteome.fa"}, dir);
  ASSERT_EQ(expected.status, 0) << expected.err;
  int stage = 0;
  for (const int wait_ms : {0, 10, 60, 200}) {
    for (const int signal_number : {SIGINT, SIGTERM}) {
      const std::string work = dir / std::string("w").append(std::to_string(stage++));
      StartedRoad run({"--work", work, "-j", "2", dir / "proteome.fa"}, dir);
      // From its first line on, the run handles the signals.
      for (int waited = 0; waited < 10000 && run.Err().empty(); waited += 2) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(wait_ms));
      run.Signal(signal_number);
      const RoadRun ended = run.Wait();
      if (ended.status == 0) continue;  // finished before the signal came
      EXPECT_EQ(ended.status, 128 + signal_number) << ended.err;
      EXPECT_EQ(LastLine(ended.err), "interrupted");
      if (fs::exists(work)) {
        for (const std::string &file : FilesUnder(work)) {
          EXPECT_EQ(file.find(".part"), std::string::npos) << file;
          EXPECT_EQ(file.find(".tmp"), std::string::npos) << file;
        }
        EXPECT_FALSE(fs::exists(work + "/report.txt"));
        EXPECT_FALSE(fs::exists(work + "/scores.txt"));
        // Every protein's scores that are there are whole.
        if (fs::exists(work + "/scores")) {
          for (const auto &entry : fs::directory_iterator(work + "/scores")) {
            EXPECT_EQ(ReadFile(entry.path().string()),
                      ReadFile(dir / ("expected/scores/" + entry.path().filename().string())));
          }
        }
      }
      const auto again = Road({"--work", work, dir / "proteome.fa"}, dir);
      ASSERT_EQ(again.status, 0) << again.err;
      EXPECT_EQ(again.out, expected.out);
    }
  }
}

TEST(RoadPictures, EverySvgRendersWithTheLinkersWhereTheReportPutsThem) {
  TempDir dir;
  WriteFile(dir / "truth.txt", "P1|1,57|domain|57|120\nP1|79,120|domain|42|120\n");
  std::string fasta;
  for (const std::string name : {"P1", "P2", "P3", "P4"}) fasta += ReadFile(kExamples + name + ".fa");
  WriteFile(dir / "four.fa", fasta);
  const auto run = Road(Demo({"--work", dir / "w", "--ss2-dir", kExamples, "--mtx-dir", kExamples, "--plot",
                              dir / "plots", "--truth", dir / "truth.txt", dir / "four.fa"}),
                        dir);
  ASSERT_EQ(run.status, 0) << run.err;
  const auto linkers = Lines(ReadFile(dir / "w/linkers.tsv"));
  ASSERT_EQ(linkers.size(), 6u);
  for (const std::string name : {"P1", "P2", "P3", "P4"}) {
    const std::string svg = ReadFile(dir / ("plots/" + name + ".svg"));
    const int length = static_cast<int>(Lines(ReadFile(dir / ("w/scores/" + name + ".scores"))).size());
    // Residue i of n spans 70 + (i - 1) * 810 / n to 70 + i * 810 / n.
    std::vector<std::string> expected_boxes;
    for (std::size_t i = 1; i < linkers.size(); ++i) {
      std::istringstream fields(linkers[i]);
      std::string protein;
      int start = 0, end = 0;
      fields >> protein >> start >> end;
      if (protein != name) continue;
      expected_boxes.push_back(linkerkit::test::Printf("x=\"%.2f\" y=\"50.00\" width=\"%.2f\"",
                                                       70 + (start - 1) * 810.0 / length,
                                                       (end - start + 1) * 810.0 / length));
      const std::string label = linkerkit::test::Printf(">%d-%d</text>", start, end);
      EXPECT_NE(svg.find(label), std::string::npos) << label;
    }
    std::vector<std::string> boxes;
    const std::regex box("<rect class=\"linker\" (x=\"[^\"]*\" y=\"[^\"]*\" width=\"[^\"]*\")");
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), box); it != std::sregex_iterator(); ++it) {
      boxes.push_back((*it)[1].str());
    }
    EXPECT_EQ(boxes, expected_boxes) << name;
    EXPECT_EQ(svg.find("class=\"truth\"") != std::string::npos, name == "P1") << name;
    EXPECT_NE(svg.find("class=\"threshold\""), std::string::npos);
    EXPECT_NE(svg.find(">" + name + " ("), std::string::npos);
    if (Installed("rsvg-convert")) {
      const auto rendered = RunCommand({"rsvg-convert", "-o", dir / (name + ".png"), dir / ("plots/" + name + ".svg")});
      EXPECT_EQ(rendered.status, 0) << rendered.out;
      EXPECT_EQ(ReadFile(dir / (name + ".png")).substr(1, 3), "PNG");
    }
  }
  if (!Installed("rsvg-convert")) GTEST_SKIP() << "rsvg-convert (librsvg2-bin) is not installed: not rendered";
}

// A picture replaces DIR/NAME.svg whole: where that is one of the run's
// inputs, the run stops before any work and the input stays as it was.
TEST(RoadPictures, NoPictureReplacesAnInput) {
  TempDir dir;
  fs::create_directory(dir / "plots");
  const std::string fasta = ReadFile(kExamples + "P1.fa");
  WriteFile(dir / "plots/P1.svg", fasta);
  WriteFile(dir / "truth.txt", "P1|1,57|domain|57|120\n");
  fs::create_symlink(dir / "truth.txt", dir / "plots/P2.svg");
  // A link to a protein's own companion file.
  fs::create_directories(dir / "ss2");
  fs::create_directories(dir / "linked");
  fs::copy(kExamples + "P1.ss2", dir / "ss2/P1.ss2");
  fs::create_symlink(dir / "ss2/P1.ss2", dir / "linked/P1.svg");
  WriteFile(dir / "two.fa", fasta + ReadFile(kExamples + "P2.fa"));
  const auto over_fasta = Road(Demo({"--plot", dir / "plots", "--ss2", kExamples + "P1.ss2", "--mtx",
                                     kExamples + "P1.mtx", "--work", dir / "w", dir / "plots/P1.svg"}),
                               dir);
  EXPECT_EQ(over_fasta.status, 1);
  EXPECT_EQ(over_fasta.err,
            "output file " + (dir / "plots/P1.svg") + " is the input file " + (dir / "plots/P1.svg") + "\n");
  EXPECT_EQ(ReadFile(dir / "plots/P1.svg"), fasta);
  const auto over_truth = Road(Demo({"--plot", dir / "plots", "--truth", dir / "truth.txt", "--ss2-dir", kExamples,
                                     "--mtx-dir", kExamples, "--work", dir / "w", dir / "two.fa"}),
                               dir);
  EXPECT_EQ(over_truth.status, 1);
  EXPECT_EQ(LastLine(over_truth.err),
            "output file " + (dir / "plots/P2.svg") + " is the input file " + (dir / "truth.txt"));
  EXPECT_EQ(ReadFile(dir / "truth.txt"), "P1|1,57|domain|57|120\n");
  const auto over_companion = Road(Demo({"--plot", dir / "linked", "--ss2-dir", dir / "ss2", "--mtx-dir", kExamples,
                                         "--work", dir / "w", kExamples + "P1.fa"}),
                                   dir);
  EXPECT_EQ(over_companion.status, 1);
  EXPECT_EQ(LastLine(over_companion.err),
            "output file " + (dir / "linked/P1.svg") + " is the input file " + (dir / "ss2/P1.ss2"));
  EXPECT_EQ(ReadFile(dir / "ss2/P1.ss2"), ReadFile(kExamples + "P1.ss2"));
  EXPECT_FALSE(fs::exists(dir / "w"));
}

std::vector<std::string> Workflow(const TempDir &dir, const std::string &fasta, std::vector<std::string> config,
                                  bool keep_going = false) {
  fs::create_directories(dir / "run");
  std::vector<std::string> command = {
      "snakemake", "-s", kSource + "/workflow/Snakefile", "--directory", dir / "run", "--cores", "2", "--quiet"};
  if (keep_going) command.push_back("--keep-going");
  command.insert(command.end(), {"--config", "fasta=" + fasta, "results=" + (dir / "results")});
  if (std::none_of(config.begin(), config.end(),
                   [](const std::string &setting) { return setting.starts_with("bin="); })) {
    command.push_back(std::string("bin=") + LINKERKIT_BIN_DIR);
  }
  command.insert(command.end(), config.begin(), config.end());
  return command;
}

// Generated proteins named PREFIX10000, PREFIX10001, ..., so that two sets
// can share a file.
std::string NamedProteome(const std::string &prefix, int count, unsigned seed) {
  return std::regex_replace(GeneratedProteome(count, seed), std::regex(">G"), ">" + prefix);
}

TEST(RoadWorkflow, TheReportIsOneRunsReport) {
  if (!Installed("snakemake")) GTEST_SKIP() << "snakemake is not installed, so the workflow is not tested";
  TempDir dir;
  WriteFile(dir / "proteome.fa", GeneratedProteome(Wrapped() ? 9 : 120, 5));
  const auto run = RunCommand(Workflow(dir, dir / "proteome.fa", {"chunk_size=25", "rank=2"}));
  ASSERT_EQ(run.status, 0) << run.out;
  const auto one = Road({"--work", dir / "one", "--rank", "2", dir / "proteome.fa"}, dir);
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(ReadFile(dir / "results/report.txt"), one.out);
  EXPECT_EQ(ReadFile(dir / "results/scores.txt"), ReadFile(dir / "one/scores.txt"));
  EXPECT_EQ(ReadFile(dir / "results/candidates.txt"), ReadFile(dir / "one/candidates.txt"));
  // The options file is the road's own, taken from a chunk's run.
  EXPECT_EQ(ReadFile(dir / "results/options.txt"), ReadFile(dir / "one/options.txt"));
  // A chunk that lost its options file (made by an older workflow, say)
  // runs again to make it.
  fs::remove(dir / "results/chunks/00000/options.txt");
  const auto again = RunCommand(Workflow(dir, dir / "proteome.fa", {"chunk_size=25", "rank=2"}));
  ASSERT_EQ(again.status, 0) << again.out;
  EXPECT_EQ(ReadFile(dir / "results/chunks/00000/options.txt"), ReadFile(dir / "one/options.txt"));
  EXPECT_EQ(ReadFile(dir / "results/report.txt"), one.out);

  // The segment caller, as the road runs it.
  TempDir segment;
  const auto segmented =
      RunCommand(Workflow(segment, dir / "proteome.fa", {"chunk_size=25", "caller=segment", "min_domain=30"}));
  ASSERT_EQ(segmented.status, 0) << segmented.out;
  const auto one_segmented =
      Road({"--work", dir / "one_segmented", "--caller", "segment", "--min-domain", "30", dir / "proteome.fa"}, dir);
  ASSERT_EQ(one_segmented.status, 0) << one_segmented.err;
  EXPECT_EQ(ReadFile(segment / "results/report.txt"), one_segmented.out);
  EXPECT_FALSE(fs::exists(segment / "results/candidates.txt"));

  // A setting the road refuses stops the workflow before any job.
  TempDir bad;
  const auto refused = RunCommand(Workflow(bad, dir / "proteome.fa", {"window=15x"}));
  EXPECT_NE(refused.status, 0);
  EXPECT_NE(refused.out.find("invalid window size '15x'"), std::string::npos) << refused.out;
  EXPECT_FALSE(fs::exists(bad / "results"));
  const auto typo = RunCommand(Workflow(bad, dir / "proteome.fa", {"chunksize=3"}));
  EXPECT_NE(typo.out.find("unknown setting chunksize"), std::string::npos) << typo.out;
}

TEST(RoadWorkflow, AFailedChunkLeavesAReportOverTheOthers) {
  if (!Installed("snakemake")) GTEST_SKIP() << "snakemake is not installed, so the workflow is not tested";
  TempDir dir;
  WriteFile(dir / "proteome.fa", GeneratedProteome(6, 5) + ">broken\nMKV1\n" + GeneratedProteome(2, 9));
  const auto run = RunCommand(Workflow(dir, dir / "proteome.fa", {"chunk_size=3"}, true));
  EXPECT_NE(run.status, 0);
  EXPECT_FALSE(fs::exists(dir / "results/report.txt"));
  const auto failed = Lines(ReadFile(dir / "results/partial/failed_chunks.txt"));
  ASSERT_EQ(failed.size(), 1u);
  EXPECT_TRUE(failed[0].starts_with("00002\t")) << failed[0];
  EXPECT_NE(failed[0].find("protein broken: '1' is no residue letter"), std::string::npos) << failed[0];
  WriteFile(dir / "good.fa", GeneratedProteome(6, 5));
  const auto good = Road({"--work", dir / "good", dir / "good.fa"}, dir);
  EXPECT_EQ(ReadFile(dir / "results/partial/report.txt"), good.out);
  EXPECT_EQ(ReadFile(dir / "results/partial/options.txt"), ReadFile(dir / "good/options.txt"));
}

// When every chunk fails no protein was predicted: the workflow says so and
// leaves no report, rather than a partial one over no protein that says "No
// prediction"; the partial report of an earlier run goes too.
TEST(RoadWorkflow, EveryChunkFailedIsNoReport) {
  if (!Installed("snakemake")) GTEST_SKIP() << "snakemake is not installed, so the workflow is not tested";
  TempDir dir;
  const std::vector<std::string> config = {"chunk_size=2", "model=" + kLinearModel};
  WriteFile(dir / "proteome.fa", GeneratedProteome(2, 5) + ">broken\nMKV1\n");
  const auto some = RunCommand(Workflow(dir, dir / "proteome.fa", config, true));
  EXPECT_NE(some.status, 0);
  ASSERT_TRUE(fs::exists(dir / "results/partial/report.txt")) << some.out;

  WriteFile(dir / "proteome.fa", ">broken\nMKV1\n>also\nMKV2\n>third\nMKV3\n");
  const auto none = RunCommand(Workflow(dir, dir / "proteome.fa", config, true));
  EXPECT_NE(none.status, 0);
  EXPECT_NE(none.out.find("no protein was predicted: all 2 chunks failed (listed in " + (dir / "results") +
                          "/partial/failed_chunks.txt)"),
            std::string::npos)
      << none.out;
  EXPECT_EQ(none.out.find("the report over the others"), std::string::npos) << none.out;
  EXPECT_FALSE(fs::exists(dir / "results/report.txt"));
  for (const std::string name : {"report.txt", "scores.txt", "options.txt", "candidates.txt"}) {
    EXPECT_FALSE(fs::exists(dir / ("results/partial/" + name))) << name;
  }
  EXPECT_EQ(Lines(ReadFile(dir / "results/partial/failed_chunks.txt")).size(), 2u);
}

// Fixing the input runs the failed chunk again and leaves the others'
// scores as they were; a shorter input leaves no chunk it no longer has.
TEST(RoadWorkflow, AFixedInputRunsOnlyTheFailedChunkAgain) {
  if (!Installed("snakemake")) GTEST_SKIP() << "snakemake is not installed, so the workflow is not tested";
  TempDir dir;
  const std::vector<std::string> config = {"chunk_size=3", "model=" + kLinearModel};
  const std::string head = NamedProteome("A", 6, 5);
  const std::string tail = NamedProteome("C", 2, 9);
  WriteFile(dir / "proteome.fa", head + ">broken\nMKV1\n" + tail);
  const auto failed = RunCommand(Workflow(dir, dir / "proteome.fa", config, true));
  ASSERT_NE(failed.status, 0);
  const auto first = fs::last_write_time(dir / "results/chunks/00000/scores.txt");
  const auto second = fs::last_write_time(dir / "results/chunks/00001/scores.txt");

  WriteFile(dir / "proteome.fa", head + NamedProteome("B", 1, 11) + tail);
  const auto fixed = RunCommand(Workflow(dir, dir / "proteome.fa", config));
  ASSERT_EQ(fixed.status, 0) << fixed.out;
  EXPECT_EQ(fs::last_write_time(dir / "results/chunks/00000/scores.txt"), first);
  EXPECT_EQ(fs::last_write_time(dir / "results/chunks/00001/scores.txt"), second);
  const auto one = Road({"--work", dir / "one", "--model", kLinearModel, dir / "proteome.fa"}, dir);
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(ReadFile(dir / "results/report.txt"), one.out);
  EXPECT_FALSE(fs::exists(dir / "results/partial"));

  WriteFile(dir / "proteome.fa", head);
  const auto shorter = RunCommand(Workflow(dir, dir / "proteome.fa", config));
  ASSERT_EQ(shorter.status, 0) << shorter.out;
  EXPECT_EQ(fs::last_write_time(dir / "results/chunks/00000/scores.txt"), first);
  for (const std::string gone : {"chunks/00002.fa", "chunks/00002", "logs/00002.log"}) {
    EXPECT_FALSE(fs::exists(dir / ("results/" + gone))) << gone;
  }
  const auto one_shorter = Road({"--work", dir / "one_shorter", "--model", kLinearModel, dir / "proteome.fa"}, dir);
  EXPECT_EQ(ReadFile(dir / "results/report.txt"), one_shorter.out);
}

// A partial report counts only chunks whose scores belong to their proteins:
// a chunk that changed and has not run since is listed as not run, not
// reported with its old scores and message.
TEST(RoadWorkflow, AChangedChunkThatDidNotRunIsNotInThePartialReport) {
  if (!Installed("snakemake")) GTEST_SKIP() << "snakemake is not installed, so the workflow is not tested";
  TempDir dir;
  const std::vector<std::string> config = {"chunk_size=2", "model=" + kLinearModel};
  WriteFile(dir / "proteome.fa", NamedProteome("A", 2, 5) + NamedProteome("B", 2, 7));
  const auto first = RunCommand(Workflow(dir, dir / "proteome.fa", config));
  ASSERT_EQ(first.status, 0) << first.out;

  // The first chunk changes; the run asked for the second chunk alone, and
  // that fails.
  WriteFile(dir / "proteome.fa", NamedProteome("A", 2, 6) + ">broken\nMKV1\n>other\nMKVL\n");
  auto command = Workflow(dir, dir / "proteome.fa", config);
  command.insert(command.begin() + 1, dir / "results/chunks/00001/scores.txt");
  const auto second = RunCommand(command);
  EXPECT_NE(second.status, 0);
  const auto failed = Lines(ReadFile(dir / "results/partial/failed_chunks.txt"));
  ASSERT_EQ(failed.size(), 2u) << second.out;
  EXPECT_EQ(failed[0], "00000\t" + (dir / "results/chunks/00000.fa") + "\tnot run");
  EXPECT_NE(failed[1].find("protein broken: '1' is no residue letter"), std::string::npos) << failed[1];
  EXPECT_FALSE(fs::exists(dir / "results/partial/report.txt"));
}

// A bin folder without the programs stops the workflow with one line naming
// the value and what is missing, not with Python's traceback.
TEST(RoadWorkflow, AWrongBinSaysWhatIsMissing) {
  if (!Installed("snakemake")) GTEST_SKIP() << "snakemake is not installed, so the workflow is not tested";
  TempDir dir;
  WriteFile(dir / "proteome.fa", GeneratedProteome(1, 5));
  fs::create_directories(dir / "empty");
  fs::create_directories(dir / "road-only");
  fs::create_symlink(kRoad, dir / "road-only/linkerkit-predict");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"missing", "bin=missing: no folder " + (dir / "run/missing")},
      {dir / "empty", "bin=" + (dir / "empty") + ": no linkerkit-predict in " + (dir / "empty")},
      {dir / "road-only", "bin=" + (dir / "road-only") + ": no ReportDomainHinges in " + (dir / "road-only")},
  };
  for (const auto &[bin, message] : cases) {
    const auto run = RunCommand(Workflow(dir, dir / "proteome.fa", {"bin=" + bin, "model=" + kLinearModel}));
    EXPECT_NE(run.status, 0) << bin;
    EXPECT_NE(run.out.find(message + " (bin names the folder of linkerkit-predict and the other programs)\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("Errno"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("subprocess.py"), std::string::npos) << run.out;
    EXPECT_FALSE(fs::exists(dir / "results")) << bin;
  }
}

// A run killed outright (kill -9, a lost node) leaves Snakemake's lock on
// the results: the next run says so in one line with the command that lifts
// it, and that command works.
TEST(RoadWorkflow, AKilledRunSaysHowToUnlock) {
  if (!Installed("snakemake")) GTEST_SKIP() << "snakemake is not installed, so the workflow is not tested";
  TempDir dir;
  WriteFile(dir / "proteome.fa", GeneratedProteome(2, 5));
  // The programs, with a linkerkit-predict that holds its chunk while the
  // file hold exists, so that the run can be killed mid-chunk.
  fs::create_directories(dir / "bin");
  for (const std::string name : {"ReportDomainHinges", "SegmentDomains"}) {
    fs::create_symlink(std::string(LINKERKIT_BIN_DIR) + "/" + name, dir / ("bin/" + name));
  }
  WriteFile(dir / "bin/linkerkit-predict", "#!/bin/sh\ncase \" $* \" in *\" --scores-only \"*)\n  touch " +
                                               (dir / "started") + "\n  while [ -e " + (dir / "hold") +
                                               " ]; do sleep 0.1; done\nesac\nexec " + kRoad + " \"$@\"\n");
  fs::permissions(dir / "bin/linkerkit-predict", fs::perms::owner_all);
  WriteFile(dir / "hold", "");
  auto command = Workflow(dir, dir / "proteome.fa", {"bin=" + (dir / "bin"), "model=" + kLinearModel});

  const pid_t run = fork();
  if (run == 0) {
    setpgid(0, 0);
    ExecWithStreams(command, dir / "killed.log", dir / "killed.log");
  }
  setpgid(run, run);
  for (int waited = 0; waited < 600 && !fs::exists(dir / "started"); ++waited) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const bool started = fs::exists(dir / "started");
  kill(-run, SIGKILL);
  waitpid(run, nullptr, 0);
  fs::remove(dir / "hold");
  ASSERT_TRUE(started) << ReadFile(dir / "killed.log");

  const auto locked = RunCommand(command);
  EXPECT_NE(locked.status, 0);
  std::string unlock = "snakemake";
  for (std::size_t i = 1; i < command.size(); ++i) unlock += " " + command[i];
  unlock += " --unlock";
  EXPECT_NE(locked.out.find("\n" + (dir / "results") + " is locked by a run of the workflow in " + (dir / "run") +
                            " that was killed, or by one still running; if none is running, unlock it with: " + unlock +
                            "\n"),
            std::string::npos)
      << locked.out;
  EXPECT_EQ(locked.out.find("LockException"), std::string::npos) << locked.out;
  const auto unlocked = RunCommand({"sh", "-c", unlock});
  EXPECT_EQ(unlocked.status, 0) << unlocked.out;

  command.insert(command.begin() + 1, "--rerun-incomplete");
  const auto resumed = RunCommand(command);
  EXPECT_EQ(resumed.status, 0) << resumed.out;
  EXPECT_TRUE(fs::exists(dir / "results/report.txt"));
}

TEST(RoadTraining, TheScriptRetrainsTheShippedModel) {
  if (!Installed("svm-train")) GTEST_SKIP() << "svm-train (libsvm-tools) is not installed, so training is not tested";
  TempDir dir;
  const auto run =
      RunCommand({"bash", kSource + "/scripts/train-demo-model.sh", dir / "demo.model", LINKERKIT_BIN_DIR});
  ASSERT_EQ(run.status, 0) << run.out;
  EXPECT_EQ(ReadFile(dir / "demo.model"), ReadFile(kExamples + "demo/svm.model"));
}

// The commands with which README.md's "Training a model" trains a model by
// hand, run as written: taken from the README itself, so that the two
// cannot drift apart. On the four example proteins, with a recipe of
// their files and a shipped scale, it takes a second.
TEST(RoadTraining, TheReadmesTrainingByHandRunsAsWritten) {
  for (const std::string command : {"svm-scale", "svm-train"}) {
    if (!Installed(command)) GTEST_SKIP() << command << " (libsvm-tools) is not installed, so training is not tested";
  }
  // The indented block that opens with the loop.
  std::string script;
  bool in_block = false;
  for (const std::string &line : Lines(ReadFile(kSource + "/README.md"))) {
    in_block = in_block || line == "    for fasta in train/*.fa; do";
    if (!in_block) continue;
    if (!line.starts_with("    ")) break;
    script += line.substr(4) + "\n";
  }
  ASSERT_NE(script.find("svm-train"), std::string::npos) << script;
  TempDir dir;
  fs::create_directories(dir / "train");
  for (const std::string name : {"P1", "P2", "P3", "P4"}) {
    for (const std::string extension : {".fa", ".ss2", ".mtx"}) {
      fs::copy(kExamples + name + extension, dir / ("train/" + name + extension));
    }
  }
  fs::copy(kExamples + "linkers.txt", dir / "train/regions.txt");
  fs::create_directories(dir / "mymodel");
  WriteFile(dir / "mymodel/index.txt", "SeqComplexity_15\nGEOR030101_15\nPSS_C_15\nPSSM_P_15\n");
  WriteFile(dir / "mymodel/settings", "scores raw\nsmoothing 5\nthreshold 0\n");
  const std::string in_dir =
      "cd '" + dir.path().string() + "' && PATH='" + LINKERKIT_BIN_DIR + "':\"$PATH\" && set -e && ";
  const auto trained = RunCommand({"bash", "-c", in_dir + script});
  ASSERT_EQ(trained.status, 0) << script << trained.out;
  EXPECT_GT(Lines(ReadFile(dir / "training.txt")).size(), 500u);
  EXPECT_TRUE(fs::exists(dir / "mymodel/ranges"));

  // The model predicts, named as a folder; a bare name is a shipped model's.
  const auto predicted = RunCommand(
      {"bash", "-c", in_dir + "linkerkit-predict --model ./mymodel --ss2 train/P1.ss2 --mtx train/P1.mtx train/P1.fa"});
  EXPECT_EQ(predicted.status, 0) << predicted.out;
  const auto bare = RunCommand({"bash", "-c", in_dir + "linkerkit-predict --model mymodel train/P1.fa"});
  EXPECT_EQ(bare.status, 1);
  EXPECT_EQ(LastLine(bare.out),
            "no shipped model mymodel (the shipped models: reprof, sequence); for the folder mymodel here, write "
            "--model ./mymodel");
  const auto unknown = RunCommand({"bash", "-c", in_dir + "linkerkit-predict --model theirs train/P1.fa"});
  EXPECT_EQ(LastLine(unknown.out), "no shipped model theirs (the shipped models: reprof, sequence)");
}

// The real model's training, end to end on a few dozen proteins of each
// teacher, with a small validation folder: clusters, folds, out-of-fold
// scores through the road, SweepLinkerCalls over every setting, the chosen
// setting measured again by the road and EvaluateLinkers (the script stops
// when the two disagree), the calibration and a model folder the road then
// predicts with.
TEST(RoadTraining, TheScriptTrainsAModelTheRoadUses) {
  if (Wrapped()) GTEST_SKIP() << "training runs dozens of road runs: too slow under a checker";
  for (const std::string command : {"mmseqs"}) {
    if (!Installed(command)) GTEST_SKIP() << command << " is not installed, so training is not tested";
  }
  if (!fs::exists("/usr/lib/python3/dist-packages/xgboost")) GTEST_SKIP() << "python3-xgboost is not installed";
  TempDir dir;
  WriteFile(dir / "grid.txt",
            "# small\nfamily-lsq family lsq 10 ridge=1,weight=1 SUYM030101_15,SeqComplexity_15,Terminus_100\n"
            "cath-xgb cath xgb 10 trees=10,depth=3 SUYM030101_15,SeqComplexity_15,Terminus_100,ChainLength_500\n");
  // A validation folder of the first thirty chains of the structural
  // teacher: what it chooses matters less here than that it is read.
  fs::create_directories(dir / "validation");
  const auto fasta = Lines(ReadFile(kSource + "/data/training/cath/cath-chains.fa"));
  std::string validation_fasta;
  std::set<std::string> names;
  for (std::size_t i = 0; i < fasta.size(); ++i) {
    if (fasta[i].starts_with(">") && names.size() == 30) break;
    validation_fasta.append(fasta[i]).append("\n");
    if (fasta[i].starts_with(">")) names.insert(fasta[i].substr(1));
  }
  WriteFile(dir / "validation/chains.fa", validation_fasta);
  std::string regions;
  for (const auto &line : Lines(ReadFile(kSource + "/data/training/cath/cath-chains.regions"))) {
    if (names.contains(line.substr(0, line.find('|')))) regions.append(line).append("\n");
  }
  WriteFile(dir / "validation/chains.regions", regions);

  const auto run =
      RunCommand({"bash", kSource + "/scripts/train-model.sh", dir / "grid.txt", dir / "validation", "--bin",
                  LINKERKIT_BIN_DIR, "--proteins", "40", "--work", dir / "work", "--out", dir / "model", "-j", "2"});
  ASSERT_EQ(run.status, 0) << run.out;
  const std::string figures = ReadFile(dir / "model/figures.md");
  EXPECT_TRUE(figures.starts_with("grid line chosen: ")) << figures;
  for (const std::string row :
       {"| baseline: no linker at all | - | 0.000 | 0.000 | 0.000 | ",
        "| baseline: one boundary mid-chain when longer than 200 | - | ", "| family-lsq | threshold | ",
        "| family-lsq | segment | ", "| cath-xgb | threshold | ", "| cath-xgb | segment | ",
        "chosen setting through the road and EvaluateLinkers: F1 ", "Linker confidence on the validation set:"}) {
    EXPECT_NE(figures.find("\n" + row), std::string::npos) << row << "\n" << figures;
  }
  const std::string settings = ReadFile(dir / "model/settings");
  EXPECT_NE(settings.find("scores raw\n"), std::string::npos) << settings;
  const std::string calibration = ReadFile(dir / "model/calibration");
  EXPECT_NE(calibration.find("\nlinker -inf "), std::string::npos) << calibration;
  EXPECT_NE(calibration.find("\nprotein -inf "), std::string::npos) << calibration;

  // The folder is a model: the road predicts with it from a plain FASTA,
  // every protein with its chance of several domains.
  WriteFile(dir / "query.fa", ">query\n" + std::string(60, 'A') + std::string(40, 'P') + std::string(80, 'L') + "\n");
  const auto predicted = Road({"--model", dir / "model", "--work", dir / "q", dir / "query.fa"}, dir);
  ASSERT_EQ(predicted.status, 0) << predicted.err;
  EXPECT_EQ(Lines(ReadFile(dir / "q/scores/query.scores")).size(), 180u);
  const auto proteins = Lines(ReadFile(dir / "q/proteins.tsv"));
  ASSERT_EQ(proteins.size(), 2u);
  EXPECT_TRUE(proteins[1].starts_with("query\t180\t")) << proteins[1];
  EXPECT_NE(proteins[1].back(), '-') << proteins[1];
}

// The shipped models on the real example protein from its plain FASTA: the
// reports the README shows.
TEST(RoadModels, TheShippedModelsGiveTheGoldenReports) {
  TempDir dir;
  const auto sequence = Road({kExamples + "real/Q9LQ92.fa"}, dir);
  ASSERT_EQ(sequence.status, 0) << sequence.err;
  EXPECT_EQ(sequence.out, ReadFile(kSource + "/tests/golden/Q9LQ92.sequence.report"));
  if (!fs::exists("/usr/share/reprof")) GTEST_SKIP() << "reprof is not installed";
  const auto reprof = Road({"--model", "reprof", kExamples + "real/Q9LQ92.fa"}, dir);
  ASSERT_EQ(reprof.status, 0) << reprof.err;
  EXPECT_EQ(reprof.out, ReadFile(kSource + "/tests/golden/Q9LQ92.reprof.report"));
}

// The road scores with XGBoost's trees as ClassifyFeatureRows does, each
// worker's model read once and kept for its later proteins.
TEST(RoadModels, AnXGBoostModelFolderScoresAsTheProgramDoes) {
  TempDir dir;
  const std::string model = XGBoostModelFolder(dir, "trees");
  const auto shown = Road({"--model", model, "--rank", "2", "--show-settings"}, dir);
  EXPECT_EQ(shown.out,
            "model " + model +
                "\nclassifier xgboost\nscores raw\nsmoothing 5\nthreshold 1.0\nrank 2\noffset 10\ncaller threshold\n"
                "min_domain 40\ncalibration none\n");
  const int count = Wrapped() ? 4 : 30;
  WriteFile(dir / "proteome.fa", GeneratedProteome(count, 13));
  const auto run =
      Road({"--model", model, "--threshold", "0.5", "--keep-work", "-j", "2", "--work", dir / "w", dir / "proteome.fa"},
           dir);
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("|"), std::string::npos) << "the trees should call some linkers";
  for (const std::string &name :
       {std::string("G10000"), std::string("G10001"), "G" + std::to_string(10000 + count - 1)}) {
    const auto program =
        RunTool("ClassifyFeatureRows",
                {"--raw", model + "/xgboost.ubj", dir / ("w/proteins/" + name + "/" + name + ".vectors"), name, "5"});
    ASSERT_EQ(program.status, 0) << program.out;
    EXPECT_EQ(ReadFile(dir / ("w/scores/" + name + ".scores")), program.out) << name;
  }
  const auto one_at_a_time =
      Road({"--model", model, "--threshold", "0.5", "-j", "1", "--work", dir / "w1", dir / "proteome.fa"}, dir);
  EXPECT_EQ(one_at_a_time.out, run.out);
  EXPECT_EQ(ReadFile(dir / "w1/scores.txt"), ReadFile(dir / "w/scores.txt"));
  // An older folder's JSON booster scores the same.
  const std::string older = XGBoostModelFolder(dir, "older", "Terminus_100\nGEOR030101_15\nChainLength_500\n",
                                               "classifier xgboost\nscores raw\nsmoothing 5\n", "json");
  const auto from_json =
      Road({"--model", older, "--threshold", "0.5", "-j", "2", "--work", dir / "w2", dir / "proteome.fa"}, dir);
  ASSERT_EQ(from_json.status, 0) << from_json.err;
  EXPECT_EQ(ReadFile(dir / "w2/scores.txt"), ReadFile(dir / "w/scores.txt"));
}

TEST(RoadModels, ShowsTheSettingsInForce) {
  TempDir dir;
  const auto shown = Road({"--model", kExamples + "demo", "--rank", "2", "--show-settings"}, dir);
  ASSERT_EQ(shown.status, 0) << shown.err;
  EXPECT_EQ(shown.out, "model " + kExamples +
                           "demo\nclassifier libsvm\nscores zscore\nsmoothing 15\nthreshold 1.0\nrank 2\noffset 10\n"
                           "caller threshold\nmin_domain 40\ncalibration none\n");
}

// The linear test model with lines added to its settings and, where
// given, a calibration file.
std::string AdaptedModel(const TempDir &dir, const std::string &name, const std::string &settings,
                         const std::string &calibration = "") {
  fs::copy(kLinearModel, dir / name, fs::copy_options::recursive);
  WriteFile(dir / (name + "/settings"), ReadFile(dir / (name + "/settings")) + settings);
  if (!calibration.empty()) WriteFile(dir / (name + "/calibration"), calibration);
  return dir / name;
}

constexpr const char *kCalibration =
    "# made up for the tests\nlinker -inf 0.1\nlinker 0.3 0.4\nlinker 0.5 0.9\n\nprotein -inf 0.2\nprotein 0.25 0.7\n";

// The setting's value in --show-settings' lines.
std::string ShownSetting(const std::string &shown, const std::string &key) {
  for (const std::string &line : Lines(shown)) {
    if (line.starts_with(key + " ")) return line.substr(key.size() + 1);
  }
  return "";
}

TEST(RoadCaller, TheSegmentCallerGivesSegmentDomainsReportOverTheJoinedScores) {
  TempDir dir;
  WriteFile(dir / "proteome.fa", GeneratedProteome(Wrapped() ? 8 : 60, 7));
  const std::string model = AdaptedModel(dir, "segment", "caller segment\nmin_domain 30\n");
  const auto shown = Road({"--model", model, "--show-settings"}, dir);
  EXPECT_NE(shown.out.find("\ncaller segment\nmin_domain 30\ncalibration none\n"), std::string::npos) << shown.out;
  const std::string threshold = ShownSetting(shown.out, "threshold");
  const std::string offset = ShownSetting(shown.out, "offset");

  const auto run = Road({"--model", model, "--work", dir / "w", "-j", "2", dir / "proteome.fa"}, dir);
  ASSERT_EQ(run.status, 0) << run.err;
  const auto own = RunTool("SegmentDomains", {dir / "w/scores.txt", threshold, "30", offset});
  ASSERT_EQ(own.status, 0) << own.out;
  EXPECT_EQ(run.out, own.out);
  EXPECT_EQ(ReadFile(dir / "w/report.txt"), run.out);
  EXPECT_GT(Lines(run.out).size(), 2u) << "the generated proteins should have linkers";
  EXPECT_EQ(Lines(ReadFile(dir / "w/linkers.tsv")).size(), Lines(run.out).size() + 1);
  EXPECT_FALSE(fs::exists(dir / "w/candidates.txt"));
  EXPECT_FALSE(fs::exists(dir / "w/options.txt"));

  // The options win over the settings.
  const auto longer = Road({"--model", model, "--min-domain", "80", "--work", dir / "m", dir / "proteome.fa"}, dir);
  EXPECT_EQ(longer.out, RunTool("SegmentDomains", {dir / "w/scores.txt", threshold, "80", offset}).out);
  const auto runs = Road({"--model", model, "--caller", "threshold", "--work", dir / "t", dir / "proteome.fa"}, dir);
  ASSERT_EQ(runs.status, 0) << runs.err;
  EXPECT_EQ(runs.out, Road({"--model", kLinearModel, "--work", dir / "plain", dir / "proteome.fa"}, dir).out);
  EXPECT_TRUE(fs::exists(dir / "t/candidates.txt"));
}

// The probability of the calibration rows above for a value.
double Calibrated(const std::vector<std::pair<double, double>> &rows, double value) {
  double probability = rows.front().second;
  for (const auto &[from, p] : rows) {
    if (value >= from) probability = p;
  }
  return probability;
}
const std::vector<std::pair<double, double>> kLinkerRows = {{-INFINITY, 0.1}, {0.3, 0.4}, {0.5, 0.9}};
const std::vector<std::pair<double, double>> kProteinRows = {{-INFINITY, 0.2}, {0.25, 0.7}};

std::vector<std::vector<std::string>> TableRows(const std::string &text) {
  std::vector<std::vector<std::string>> rows;
  for (const std::string &line : Lines(text)) {
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');) fields.push_back(cell);
    rows.push_back(fields);
  }
  return rows;
}

TEST(RoadConfidence, EveryLinkerAndEveryProteinGetsOne) {
  TempDir dir;
  const int count = Wrapped() ? 8 : 60;
  WriteFile(dir / "proteome.fa", GeneratedProteome(count, 7));
  const std::string model = AdaptedModel(dir, "calibrated", "", kCalibration);
  const auto run = Road({"--model", model, "--work", dir / "w", dir / "proteome.fa"}, dir);
  ASSERT_EQ(run.status, 0) << run.err;
  // The calibration changes no report.
  EXPECT_EQ(run.out, Road({"--model", kLinearModel, "--work", dir / "plain", dir / "proteome.fa"}, dir).out);

  const auto linkers = TableRows(ReadFile(dir / "w/linkers.tsv"));
  ASSERT_EQ(linkers.size(), Lines(run.out).size() + 1);
  EXPECT_EQ(linkers[0][5], "confidence");
  std::map<std::string, int> reported;
  for (std::size_t i = 1; i < linkers.size(); ++i) {
    EXPECT_EQ(linkers[i][5], linkerkit::test::Printf("%.3f", Calibrated(kLinkerRows, std::stod(linkers[i][4]))));
    ++reported[linkers[i][0]];
  }
  const auto proteins = TableRows(ReadFile(dir / "w/proteins.tsv"));
  ASSERT_EQ(proteins.size(), static_cast<std::size_t>(count) + 1);
  EXPECT_EQ(proteins[0],
            (std::vector<std::string>{"protein", "length", "linkers", "highest_score", "multi_domain_probability"}));
  for (int i = 0; i < count; ++i) {
    const auto &row = proteins[static_cast<std::size_t>(i) + 1];
    const std::string name = std::string("G").append(std::to_string(10000 + i));
    ASSERT_EQ(row.size(), 5u);
    EXPECT_EQ(row[0], name);
    const auto scores = Lines(ReadFile(dir / ("w/scores/" + name + ".scores")));
    EXPECT_EQ(row[1], std::to_string(scores.size()));
    EXPECT_EQ(row[2], std::to_string(reported[name]));
    double highest = -INFINITY;
    for (const std::string &line : scores) highest = std::max(highest, std::stod(line));
    EXPECT_EQ(row[3], linkerkit::test::Printf("%f", highest));
    EXPECT_EQ(row[4], linkerkit::test::Printf("%.3f", Calibrated(kProteinRows, highest)));
  }

  // --min-confidence keeps the surer linkers, their lines and ranks as
  // printed, in the report, the tables and the pictures.
  const auto sure = Road(
      {"--model", model, "--min-confidence", "0.4", "--plot", dir / "plots", "--work", dir / "s", dir / "proteome.fa"},
      dir);
  ASSERT_EQ(sure.status, 0) << sure.err;
  std::string kept;
  for (const std::string &line : Lines(run.out)) {
    if (Calibrated(kLinkerRows, std::stod(line.substr(line.find('|', line.find('|', line.find('|') + 1) + 1) + 1))) >=
        0.4) {
      kept += line + "\n";
    }
  }
  ASSERT_FALSE(kept.empty()) << "some linkers should be sure enough";
  ASSERT_NE(kept, run.out) << "some linkers should be left out";
  EXPECT_EQ(sure.out, kept);
  EXPECT_EQ(ReadFile(dir / "s/report.txt"), kept);
  const auto sure_linkers = TableRows(ReadFile(dir / "s/linkers.tsv"));
  EXPECT_EQ(sure_linkers.size(), Lines(kept).size() + 1);
  int labels = 0;
  for (std::size_t i = 1; i < sure_linkers.size(); ++i) {
    EXPECT_GE(std::stod(sure_linkers[i][5]), 0.4);
    const std::string svg = ReadFile(dir / ("plots/" + sure_linkers[i][0] + ".svg"));
    const std::string label = ">" + sure_linkers[i][1] + "-" + sure_linkers[i][2] + " \xC2\xB7 " +
                              linkerkit::test::Printf("%.2f", std::stod(sure_linkers[i][5])) + "</text>";
    labels += svg.find(label) != std::string::npos;
  }
  EXPECT_EQ(labels, static_cast<int>(sure_linkers.size()) - 1);
  int sure_count = 0;
  for (const auto &row : TableRows(ReadFile(dir / "s/proteins.tsv"))) {
    if (row[2] != "linkers") sure_count += std::stoi(row[2]);
  }
  EXPECT_EQ(sure_count, static_cast<int>(Lines(kept).size()));

  // None is sure enough: no prediction.
  const auto none = Road({"--model", model, "--min-confidence", "1", "--work", dir / "n", dir / "proteome.fa"}, dir);
  ASSERT_EQ(none.status, 0) << none.err;
  EXPECT_EQ(none.out, "No prediction\n");
  EXPECT_EQ(Lines(ReadFile(dir / "n/linkers.tsv")).size(), 1u);
}

TEST(RoadConfidence, BadCalibrationsAndSettingsStopBeforeAnyWork) {
  TempDir dir;
  const std::string fasta = kExamples + "real/Q9LQ92.fa";
  const std::string bad_probability = AdaptedModel(dir, "bad_probability", "", "linker 0 0.5\nprotein 0 2\n");
  const std::string unordered = AdaptedModel(dir, "unordered", "", "linker 0.5 0.5\nlinker 0.5 0.6\nprotein 0 1\n");
  const std::string bad_caller = AdaptedModel(dir, "bad_caller", "caller both\n");
  const std::string bad_domain = AdaptedModel(dir, "bad_domain", "min_domain 40x\n");
  const std::string far_threshold = AdaptedModel(dir, "far_threshold", "threshold -1e38\n");
  ExpectFailures(
      dir,
      {
          {{"--model", kLinearModel, "--min-confidence", "0.5", fasta},
           "--min-confidence needs a calibrated model, and " + kLinearModel + " has no calibration file"},
          {{"--model", bad_probability, fasta},
           bad_probability + "/calibration line 2: PROBABILITY '2' is not a number from 0 to 1"},
          {{"--model", unordered, "--show-settings"}, unordered + "/calibration line 2: linker rows must rise in FROM"},
          {{"--model", bad_caller, fasta},
           "invalid " + bad_caller + "/settings line 7: caller 'both': expected threshold or segment"},
          {{"--model", bad_domain, fasta},
           "invalid " + bad_domain + "/settings line 7: min_domain '40x': expected a whole number from 1 to 1000000"},
          {{"--model", far_threshold, fasta},
           "invalid " + far_threshold +
               "/settings line 7: threshold '-1e38': expected a decimal number from -1000000 to 1000000"},
          {{"--caller", "sideways", fasta}, "invalid caller 'sideways': expected threshold or segment"},
          {{"--min-domain", "-3", fasta},
           "invalid minimum domain length '-3': expected a whole number from 1 to 1000000"},
      });
  EXPECT_FALSE(fs::exists(dir / "w"));
}

// linkerkit-reprof, the road's reprof step, run as a user would run it.
const std::string kReprof = std::string(LINKERKIT_BIN_DIR) + "/linkerkit-reprof";
const std::string kUbiquitin = kSource + "/tests/data/ubiquitin.fa";
const std::string kReprofUsage = "usage: linkerkit-reprof FASTA OUTPUT [FASTA OUTPUT]...\n";

linkerkit::test::RunResult Reprof(std::vector<std::string> arguments) {
  arguments.insert(arguments.begin(), kReprof);
  return RunCommand(arguments);
}

struct ReprofFailure {
  std::vector<std::string> arguments;
  std::string message;
};

void ExpectReprofFailures(const std::vector<ReprofFailure> &failures) {
  for (const ReprofFailure &failure : failures) {
    const auto result = Reprof(failure.arguments);
    EXPECT_EQ(result.status, 1) << failure.message;
    EXPECT_EQ(result.out, failure.message + "\n");
  }
}

TEST(RoadReprof, HelpVersionAndUsage) {
  const auto help = Reprof({"--help"});
  EXPECT_EQ(help.status, 0);
  ASSERT_TRUE(help.out.starts_with(kReprofUsage + "\n")) << help.out;
  EXPECT_TRUE(help.out.ends_with(".\n")) << help.out;
  EXPECT_EQ(help.out.find("\n\n", kReprofUsage.size() + 1), std::string::npos) << help.out;
  const auto version = Reprof({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("linkerkit-reprof ") + LINKERKIT_VERSION + "\n");
  if (fs::is_character_file("/dev/full")) {
    const auto full = RunCommand({"sh", "-c", "exec '" + kReprof + "' --help > /dev/full"});
    EXPECT_EQ(full.status, 1) << full.out;
  }
  for (const std::vector<std::string> &arguments :
       {std::vector<std::string>{}, {"a.fa"}, {"--help", "x", "y"}, {"a.fa", "a.reprof", "b.fa"}}) {
    const auto result = Reprof(arguments);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, kReprofUsage);
  }
}

// Checked before reprof is loaded: nothing is written, nothing replaced.
TEST(RoadReprof, RefusesOutputsOverItsFilesAndFastaOfOtherThanOneProtein) {
  TempDir dir;
  const std::string one = ">one\nMKV\n";
  WriteFile(dir / "one.fa", one);
  WriteFile(dir / "b.fa", one);
  WriteFile(dir / "two.fa", ">a\nMKV\n>b\nMKV\n");
  WriteFile(dir / "none.fa", "MKV\n");
  fs::create_directory(dir / "sub");
  fs::create_symlink("one.fa", dir / "link.fa");
  fs::create_symlink("sub/new.reprof", dir / "dangling.reprof");
  ExpectReprofFailures({
      {{dir / "one.fa", dir / "one.fa"}, "output file " + (dir / "one.fa") + " is the input file " + (dir / "one.fa")},
      {{dir / "one.fa", dir / "sub/../one.fa"},
       "output file " + (dir / "sub/../one.fa") + " is the input file " + (dir / "one.fa")},
      {{dir / "one.fa", dir / "link.fa"},
       "output file " + (dir / "link.fa") + " is the input file " + (dir / "one.fa")},
      {{dir / "one.fa", dir / "b.fa", dir / "b.fa", dir / "b.reprof"},
       "output file " + (dir / "b.fa") + " is the input file " + (dir / "b.fa")},
      {{dir / "one.fa", dir / "a.reprof", dir / "link.fa", dir / "one.fa"},
       "output file " + (dir / "one.fa") + " is the input file " + (dir / "one.fa")},
      {{dir / "one.fa", dir / "a.reprof", dir / "link.fa", dir / "sub/../a.reprof"},
       "output file " + (dir / "sub/../a.reprof") + " is the output file " + (dir / "a.reprof")},
      {{dir / "one.fa", dir / "sub/new.reprof", dir / "link.fa", dir / "dangling.reprof"},
       "output file " + (dir / "dangling.reprof") + " is the output file " + (dir / "sub/new.reprof")},
      {{dir / "one.fa", dir / "a.reprof", dir / "two.fa", dir / "b.reprof"},
       dir / "two.fa" + " holds 2 proteins: linkerkit-reprof takes one protein per FASTA file"},
      {{dir / "none.fa", dir / "a.reprof"}, dir / "none.fa" + " holds no protein: no line begins with '>'"},
      {{dir / "missing.fa", dir / "a.reprof"}, "cannot open " + (dir / "missing.fa")},
      {{dir / "one.fa", dir / "sub"}, "cannot open " + (dir / "sub")},
  });
  EXPECT_EQ(ReadFile(dir / "one.fa"), one);
  EXPECT_EQ(ReadFile(dir / "b.fa"), one);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 7);
  EXPECT_TRUE(fs::is_empty(dir / "sub"));
}

// Like the programs' outputs: a link is followed and stays a link; a device
// or a FIFO is written directly and stays what it is.
TEST(RoadReprof, WritesThroughLinksAndIntoDevicesAndFifos) {
  if (!fs::exists("/usr/share/reprof")) GTEST_SKIP() << "reprof is not installed";
  TempDir dir;
  const std::string expected = ReadFile(kSource + "/tests/data/ubiquitin.reprof");
  fs::create_directory(dir / "predictions");
  WriteFile(dir / "predictions/old.reprof", "old\n");
  fs::create_symlink("predictions/old.reprof", dir / "link.reprof");
  fs::create_symlink("predictions/new.reprof", dir / "dangling.reprof");
  const auto linked =
      Reprof({kUbiquitin, dir / "link.reprof", kUbiquitin, dir / "dangling.reprof", kUbiquitin, "/dev/null"});
  EXPECT_EQ(linked.status, 0) << linked.out;
  EXPECT_EQ(linked.out, "");
  EXPECT_EQ(ReadFile(dir / "predictions/old.reprof"), expected);
  EXPECT_EQ(ReadFile(dir / "predictions/new.reprof"), expected);
  EXPECT_TRUE(fs::is_symlink(dir / "link.reprof"));
  EXPECT_TRUE(fs::is_symlink(dir / "dangling.reprof"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "predictions"), {}), 2);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));

  const auto full = Reprof({kUbiquitin, "/dev/full"});
  EXPECT_EQ(full.status, 1);
  EXPECT_EQ(full.out, "cannot write /dev/full\n");
  EXPECT_TRUE(fs::is_character_file("/dev/full"));

  // Standard output appended to, and a FIFO read by another process.
  WriteFile(dir / "log", "before\n");
  const auto streamed = RunCommand(
      {"sh", "-c",
       "\"$0\" \"$1\" /dev/stdout >> \"$2\" && mkfifo \"$3\" && { cat \"$3\" > \"$4\" & \"$0\" \"$1\" \"$3\" && wait; }",
       kReprof, kUbiquitin, dir / "log", dir / "fifo", dir / "read.reprof"});
  EXPECT_EQ(streamed.status, 0) << streamed.out;
  EXPECT_EQ(ReadFile(dir / "log"), "before\n" + expected);
  EXPECT_EQ(ReadFile(dir / "read.reprof"), expected);
  EXPECT_TRUE(fs::is_fifo(dir / "fifo"));
}

}  // namespace
