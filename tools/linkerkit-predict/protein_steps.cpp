#include "protein_steps.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "chain_position.h"
#include "classify.h"
#include "failure.h"
#include "feature_rows.h"
#include "lines.h"
#include "memory_steps.h"
#include "output_file.h"
#include "profile_column.h"
#include "profile_matrix.h"
#include "reprof_output.h"
#include "residue_scale.h"
#include "sec_struct.h"
#include "seq_complexity.h"
#include "stop_signals.h"
#include "track.h"

extern char **environ;

namespace linkerkit {

namespace fs = std::filesystem;

namespace {

class StepRunner {
 public:
  StepRunner(const ProteinRecord &protein, std::string folder) : protein_(protein), folder_(std::move(folder)) {}

  // Runs program, its standard output into output (inside the folder),
  // which appears only when the program succeeds.
  void Capture(const std::string &output, const char *program, const ProgramEntry &entry,
               std::vector<std::string> arguments) {
    CaptureProgramOutput(folder_ + "/" + output, true, program, entry, std::move(arguments), protein_.name);
  }

  // Runs a program that writes its own files (atomically); what it prints
  // on standard output is not kept.
  void Run(const char *program, const ProgramEntry &entry, std::vector<std::string> arguments) {
    std::FILE *sink = std::fopen("/dev/null", "w");
    if (!sink) Fail(protein_.name + ": cannot open /dev/null");
    std::vector<char *> pointers;
    for (std::string &argument : arguments) pointers.push_back(argument.data());
    try {
      entry(Arguments(pointers.data(), pointers.size()), sink);
    } catch (const Failure &failure) {
      std::fclose(sink);
      FailAgain(failure, protein_.name + ": " + program + " failed: " + failure.what());
    }
    std::fclose(sink);
  }

  // The lines of a step's output, less its header lines, against the
  // protein's residues (CheckTrackResidues).
  void CheckTrackLength(const std::string &output, const std::string &source, std::size_t header_lines = 0) const {
    const std::string path = folder_ + "/" + output;
    std::size_t lines = 0;
    const bool read = ReadBlocks(path, [&](std::string_view block) {
      lines += static_cast<std::size_t>(std::count(block.begin(), block.end(), '\n'));
      return true;
    });
    if (!read) Fail(protein_.name + ": cannot open " + path);
    CheckTrackResidues(protein_, lines > header_lines ? lines - header_lines : 0, source);
  }

  const std::string &folder() const { return folder_; }

 private:
  const ProteinRecord &protein_;
  std::string folder_;
};

// The classifier as the program runs it, with the model the road read
// before its workers started.
void RunClassifier(Arguments arguments, std::FILE *out, const Model &model) {
  GivenOptions options;
  if (model.settings.raw_scores) options.Add("--raw", "");
  RunClassifyFeatureRows(options, arguments, out, *model.loaded_classifier);
}

}  // namespace

void RunProteinSteps(const Model &model, const std::string &scales_dir, const ProteinRecord &protein,
                     const CompanionFiles &files, const StepFolder &where, RoadStop stop,
                     const std::string &result_path) {
  const std::string &folder = where.folder;
  const std::string base = folder + "/" + where.base;
  StepRunner steps(protein, folder);
  const std::string fasta = base + ".fa";
  const std::string feat = folder + "/feat";
  if (mkdir(feat.c_str(), 0777) != 0 && errno != EEXIST) FailWriting(protein.name + ": cannot create " + feat, errno);

  std::string index;
  for (const Track &track : model.recipe.tracks) index += track.name + "\n";
  steps.Capture("index.txt", "the road", [&index](Arguments, std::FILE *out) { WriteAll(out, index); }, {});

  bool profile_made = false;
  std::set<int> psipred_made, reprof_pss_made, reprof_acc_made;
  std::string reprof = files.reprof;
  for (const Track &track : model.recipe.tracks) {
    const std::string ws = std::to_string(track.size);
    const std::string output = "feat/" + track.name + ".txt";
    switch (track.kind) {
      case TrackKind::kSeqComplexity:
        steps.Capture(output, "ScoreSeqComplexity", RunScoreSeqComplexity, {fasta, ws});
        break;
      case TrackKind::kScale:
        steps.Capture(output, "ApplyResidueScale", RunApplyResidueScale,
                      {fasta, scales_dir + "/" + track.stem + ".tsv", ws});
        break;
      case TrackKind::kPsipred:
        if (psipred_made.insert(track.size).second) {
          steps.Run("SplitSecStructProbs", RunSplitSecStructProbs, {files.ss2, feat + "/", ws});
        }
        steps.CheckTrackLength(output, "the .ss2 file " + files.ss2);
        break;
      case TrackKind::kProfile:
        if (!profile_made) {
          steps.Run("ExtractProfileMatrix", RunExtractProfileMatrix, {files.mtx, base + ".profile"});
          // The table's two first lines are the matrix's count and sequence.
          steps.CheckTrackLength(where.base + ".profile", "the checkpoint matrix " + files.mtx, 2);
          profile_made = true;
        }
        steps.Capture(output, "TrackProfileColumn", RunTrackProfileColumn,
                      {base + ".profile", track.stem.substr(5), ws});
        break;
      case TrackKind::kReprofPss:
      case TrackKind::kReprofAcc: {
        if (reprof.empty()) Fail(protein.name + ": no reprof prediction was made");
        // The user's file by its name; the one the road made by what it is.
        const std::string source = reprof == base + ".reprof" ? "reprof's prediction" : "reprof's prediction " + reprof;
        const std::string ss2 = base + ".reprof.ss2";
        const std::string acc = "feat/REPROF_ACC_" + ws + ".txt";
        if (reprof_acc_made.insert(track.size).second) {
          steps.Run("ConvertReprofOutput", RunConvertReprofOutput, {reprof, ss2, folder + "/" + acc, ws});
          steps.CheckTrackLength(acc, source);
        }
        if (track.kind == TrackKind::kReprofPss && reprof_pss_made.insert(track.size).second) {
          steps.Run("SplitSecStructProbs", RunSplitSecStructProbs, {ss2, feat + "/REPROF_", ws});
        }
        break;
      }
      case TrackKind::kTerminus:
        steps.Capture(output, "TrackChainPosition", RunTrackChainPosition, {fasta, "terminus", ws});
        break;
      case TrackKind::kChainLength:
        steps.Capture(output, "TrackChainPosition", RunTrackChainPosition, {fasta, "length", ws});
        break;
    }
  }
  const std::string vectors = where.base + ".vectors";
  steps.Capture(vectors, "AssembleFeatureRows", RunAssembleFeatureRows, {folder + "/index.txt", feat + "/"});
  std::string result = folder + "/" + vectors;
  if (stop != RoadStop::kVectors) {
    const std::string scores = where.base + ".scores";
    steps.Capture(scores, "ClassifyFeatureRows",
                  [&model](Arguments arguments, std::FILE *out) { RunClassifier(arguments, out, model); },
                  {model.classifier, folder + "/" + vectors, protein.name, std::to_string(model.settings.smoothing)});
    result = folder + "/" + scores;
  }
  if (std::rename(result.c_str(), result_path.c_str()) != 0) {
    FailWriting(protein.name + ": cannot write " + result_path, errno);
  }
}

namespace {

std::string CompanionPath(const std::string &one, const std::string &dir, const std::string &name,
                          const char *extension) {
  if (!one.empty()) return one;
  if (!dir.empty()) return dir + "/" + name + extension;
  return "";
}

// Runs a program and waits for it; its output into log. Returns its status.
int RunAndWait(const std::vector<std::string> &command, const std::string &log) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  std::vector<char *> argv;
  for (const std::string &word : command) argv.push_back(const_cast<char *>(word.c_str()));
  argv.push_back(nullptr);
  pid_t child = 0;
  const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return 127;
  return WaitForProgram(child);
}

std::string LastLine(const std::string &path) {
  std::string last;
  try {
    ForEachLine(path, [&](std::string_view line, std::size_t) {
      if (!line.empty()) last = line;
    });
  } catch (const Failure &) {
  }
  return last;
}

}  // namespace

std::string ScratchFolder(const WorkFolder &work, int worker) {
  return work / (std::string(kWorkersFolder) + "/" + std::to_string(worker));
}

StepFolder StepFolderOf(const RoadRun &run, const WorkFolder &work, const ProteinRecord &protein, int worker,
                        int slot) {
  if (run.options.keep_work) return {work / (std::string(kProteinsFolder) + "/" + protein.name), protein.name, true};
  return {ScratchFolder(work, worker), "protein" + std::to_string(slot), false};
}

void PredictWithReprof(const std::string &bin_dir, const std::vector<std::pair<ProteinRecord, StepFolder>> &batch) {
  std::vector<std::string> command = {bin_dir + "/linkerkit-reprof"};
  for (const auto &[protein, where] : batch) {
    command.push_back(where.folder + "/" + where.base + ".fa");
    command.push_back(where.folder + "/" + where.base + ".reprof");
  }
  const std::string log = batch.front().second.folder + "/reprof.log";
  const int status = RunAndWait(command, log);
  if (status != 0) {
    const std::string message = LastLine(log);
    Fail(batch.front().first.name + (batch.size() > 1 ? " and " + std::to_string(batch.size() - 1) + " more" : "") +
         ": linkerkit-reprof failed: " + (message.empty() ? "exit status " + std::to_string(status) : message));
  }
}

bool RunsInMemory(const RoadOptions &options) { return !options.keep_work; }

void PrepareProtein(const RoadRun &run, const ProteinRecord &protein, const StepFolder &where) {
  const RoadOptions &options = run.options;
  const bool reprof_made = run.model.recipe.needs_reprof && options.reprof.empty() && options.reprof_dir.empty();
  if (!RunsInMemory(options) || reprof_made) {
    std::error_code error;
    fs::create_directories(where.folder + "/feat", error);
    if (error) FailWriting(protein.name + ": cannot create its folder in the work folder", error.value());
    const std::string text = FormatFastaRecord(protein);
    CaptureProgramOutput(
        where.folder + "/" + where.base + ".fa", where.kept, "writing its FASTA file",
        [&text](Arguments, std::FILE *out) { WriteAll(out, text); }, {}, protein.name);
  }
  if (run.model.recipe.needs_ss2)
    CheckSecStructFile(protein, CompanionPath(options.ss2, options.ss2_dir, protein.name, ".ss2"));
  if (run.model.recipe.needs_mtx) {
    CheckProfileMatrixFile(protein, CompanionPath(options.mtx, options.mtx_dir, protein.name, ".mtx"));
  }
}

void FinishProtein(const RoadRun &run, const WorkFolder &work, const ProteinRecord &protein, const StepFolder &where) {
  const RoadOptions &options = run.options;
  CompanionFiles files{CompanionPath(options.ss2, options.ss2_dir, protein.name, ".ss2"),
                       CompanionPath(options.mtx, options.mtx_dir, protein.name, ".mtx"),
                       CompanionPath(options.reprof, options.reprof_dir, protein.name, ".reprof")};
  if (run.model.recipe.needs_reprof && files.reprof.empty()) files.reprof = where.folder + "/" + where.base + ".reprof";
  const bool vectors = options.stop == RoadStop::kVectors;
  const std::string result = work / (std::string(vectors ? kVectorsFolder : kScoresFolder) + "/" + protein.name +
                                     (vectors ? ".vectors" : ".scores"));
  if (RunsInMemory(options)) {
    const std::string base = where.folder + "/" + where.base;
    const std::vector<FeatureColumn> columns =
        FeatureColumnsInMemory(run.model.recipe, run.scales, protein, files, base);
    const std::string vectors_path = base + ".vectors";
    const std::string text =
        vectors ? VectorLinesOf(columns) : ScoreLinesInMemory(run.model, protein, columns, vectors_path);
    CaptureProgramOutput(
        result, true, "writing its result", [&text](Arguments, std::FILE *out) { WriteAll(out, text); }, {},
        protein.name);
    return;
  }
  RunProteinSteps(run.model, run.scales_dir, protein, files, where, options.stop, result);
}

}  // namespace linkerkit
