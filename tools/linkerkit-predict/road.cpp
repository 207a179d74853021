#include "road.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "calibration.h"
#include "cnumber.h"
#include "failure.h"
#include "lines.h"
#include "linker_report.h"
#include "linker_table.h"
#include "output_file.h"
#include "protein_steps.h"
#include "proteome.h"
#include "recipe.h"
#include "region.h"
#include "road_files.h"
#include "road_options.h"
#include "score_plot.h"
#include "segment_domains.h"
#include "work_folder.h"

extern char **environ;

namespace linkerkit {

namespace fs = std::filesystem;

namespace {

// The signal that ends the run, set by the handler and acted on by the
// loops; in a worker, the child it waits for, stopped with it.
volatile sig_atomic_t g_signal = 0;
volatile pid_t g_worker_child = 0;

void NoteSignal(int signal_number) { g_signal = signal_number; }

void EndWorker(int signal_number) {
  // The road removes the step files once every worker has ended; the
  // programs' own temporary files go now.
  if (g_worker_child > 0) kill(g_worker_child, SIGTERM);
  RemoveTemporaryOutputFiles();
  _exit(128 + signal_number);
}

void SetSignalHandlers(void (*handler)(int)) {
  struct sigaction action {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a waiting poll returns at once
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

void Say(const std::string &line) {
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

std::string ShippedModels(const std::string &data_dir) {
  std::string text;
  for (const std::string &name : ShippedModelNames(data_dir + "/models")) text += (text.empty() ? "" : " ") + name;
  return text.empty() ? "none" : text;
}

void PrintHelp(const RoadPlaces &places) {
  std::printf(
      "Usage: linkerkit-predict [options] FASTA\n"
      "\n"
      "Predicts the domain linkers of every protein in a FASTA file (one protein or a\n"
      "proteome): feature tracks, vector lines, classifier scores and one linker report\n"
      "over all proteins. The report goes to standard output and to WORK/report.txt;\n"
      "progress and messages go to standard error. A failure stops the run with one\n"
      "line and status 1; SIGINT or SIGTERM with \"interrupted\" and status 130 or 143.\n"
      "\n"
      "Each record is one protein, named by the first word of its header (a UniProt\n"
      "header's accession); names are unique and hold no '#', '|' or '/'. Lower case,\n"
      "carriage returns and a byte-order mark are accepted; any character that is no\n"
      "residue letter is an error.\n"
      "\n"
      "Options (defaults in brackets):\n"
      "  --model NAME|DIR   model folder: feature recipe, classifier and report settings [sequence];\n"
      "                     a NAME without '/' is a shipped model: %s; a folder of your own\n"
      "                     is given as a path, ./NAME\n"
      "  --ss2 FILE         PSIPRED .ss2 file of a one-protein FASTA, for recipes with PSS_ tracks\n"
      "  --mtx FILE         PSI-BLAST checkpoint matrix of a one-protein FASTA, for PSSM_ tracks\n"
      "  --reprof FILE      reprof's prediction for a one-protein FASTA, made already\n"
      "  --ss2-dir DIR      NAME.ss2 for every protein NAME\n"
      "  --mtx-dir DIR      NAME.mtx for every protein NAME\n"
      "  --reprof-dir DIR   NAME.reprof for every protein NAME\n"
      "  --name NAME        renames the protein of a one-protein FASTA\n"
      "  -j N               proteins worked on at a time [the number of cores]\n"
      "  --work DIR         work folder: a new or empty folder, or one this program made\n"
      "                     [a temporary folder, removed at the end]\n"
      "  --keep-work        keep every step's files (and a temporary work folder)\n"
      "  --plot DIR         one picture per protein, DIR/NAME.svg\n"
      "  --truth FILE       regions to draw on the pictures (NAME|START,END|TYPE|LENGTH|PROTEIN_LENGTH)\n"
      "  --scales DIR       folder of the residue scale files the recipe names [DATA/scales]\n"
      "  --window WS        window size of every windowed feature track, in place of the recipe's\n"
      "  --smoothing WS     window over which the classifier's scores are averaged [the model's]\n"
      "  --rank N           linker candidates reported per protein, by the threshold caller [the model's]\n"
      "  --threshold T      lowest score of a linker residue [the model's]\n"
      "  --offset N         residues this near either end are left out of the report [the model's]\n"
      "  --caller C         how linkers are called from the scores [the model's]: threshold, the runs\n"
      "                     at or above the threshold (ReportDomainHinges); segment, each chain cut\n"
      "                     into domains at the best boundaries (SegmentDomains)\n"
      "  --min-domain N     shortest domain of the segment caller [the model's]\n"
      "  --min-confidence P leave out linkers whose calibrated confidence is below P (0 to 1);\n"
      "                     the model needs a calibration file\n"
      "  --features-only    stop after the vector lines, WORK/vectors/NAME.vectors\n"
      "  --scores-only      stop after the scores, WORK/scores/NAME.scores and WORK/scores.txt\n"
      "  --show-settings    print the model folder, the report settings in force and the calibration\n"
      "                     file (or none), and stop\n"
      "  --help             this text\n"
      "  --version          the version\n"
      "\n"
      "The work folder holds report.txt, linkers.tsv (one line per reported linker,\n"
      "positions from 1, with its confidence), proteins.tsv (one line per protein),\n"
      "scores.txt (all proteins' scores), scores/NAME.scores for each protein and, with\n"
      "the threshold caller, candidates.txt (every candidate, ranked) and options.txt.\n"
      "\n"
      "A model folder holds index.txt (the recipe), settings (classifier libsvm or\n"
      "xgboost, scaling ranges or none, scores raw or zscore, smoothing, threshold,\n"
      "rank, offset, caller threshold or segment, min_domain), the classifier and,\n"
      "where it is calibrated, calibration (lines 'linker FROM PROBABILITY' and\n"
      "'protein FROM PROBABILITY'). The classifier: with libsvm svm.model (LIBSVM,\n"
      "labels +1 for linker residues and -1) and ranges (svm-scale's range file;\n"
      "none with 'scaling none', for a model trained on unscaled features); with\n"
      "xgboost xgboost.json (a binary:logistic booster saved as JSON, scored on the\n"
      "unscaled features). Every file of it is read before the first protein.\n"
      "\n"
      "Recipe names (one per line; WS is the track's window size):\n"
      "  SeqComplexity_WS                    composition entropy of the sequence\n"
      "  SCALE_WS                            residue scale SCALES/SCALE.tsv (an AAindex entry, say)\n"
      "  REPROF_PSS_C_WS, _H_WS, _E_WS       reprof's loop, helix and strand probabilities\n"
      "  REPROF_ACC_WS                       reprof's relative solvent accessibility\n"
      "  Terminus_CAP                        distance to the nearer chain end, capped at CAP, over CAP\n"
      "  ChainLength_CAP                     chain length, capped at CAP, over CAP\n"
      "  PSS_C_WS, PSS_H_WS, PSS_E_WS        coil, helix and strand probabilities of the .ss2 file\n"
      "  PSSM_X_WS                           profile score of amino acid X from the checkpoint matrix\n"
      "\n"
      "DATA is %s\n",
      ShippedModels(places.data_dir).c_str(), places.data_dir.c_str());
}

// Everything the workers and the final steps share.
struct Run {
  RoadOptions options;
  Model model;
  std::string scales_dir;
  std::string bin_dir;
  std::vector<std::string> names;  // in FASTA order
};

std::string CompanionPath(const std::string &one, const std::string &dir, const std::string &name,
                          const char *extension) {
  if (!one.empty()) return one;
  if (!dir.empty()) return dir + "/" + name + extension;
  return "";
}

// Reads every record once before any work starts: a bad record, a repeated
// name or a missing companion file stops the run at once.
std::vector<std::string> CheckProteome(const RoadOptions &options, const Recipe &recipe) {
  std::vector<std::string> names;
  std::unordered_set<std::string> seen;
  FastaRecordReader reader(options.fasta);
  ProteinRecord record;
  while (reader.Next(record)) {
    if (g_signal) return names;
    if (!seen.insert(record.name).second) {
      FailAtLine(options.fasta, record.header_line, "protein name " + record.name + " is used twice");
    }
    names.push_back(record.name);
    for (const auto &[needed, dir, extension] :
         {std::tuple{recipe.needs_ss2, options.ss2_dir, ".ss2"}, std::tuple{recipe.needs_mtx, options.mtx_dir, ".mtx"},
          std::tuple{recipe.needs_reprof, options.reprof_dir, ".reprof"}}) {
      if (needed && !dir.empty() && !IsFile(dir + "/" + record.name + extension)) {
        Fail(record.name + ": no " + record.name + extension + " in " + dir);
      }
    }
  }
  if (names.empty()) FailInFile(options.fasta, "no protein (a FASTA record begins with a '>' header line)");
  const bool single_files = !options.ss2.empty() || !options.mtx.empty() || !options.reprof.empty();
  if (names.size() > 1 && (single_files || !options.name.empty())) {
    Fail(options.fasta + " holds " + std::to_string(names.size()) +
         " proteins: --name, --ss2, --mtx and --reprof are for one protein; use --ss2-dir, --mtx-dir and --reprof-dir");
  }
  return names;
}

// The pictures replace their files whole: none may be one of the run's
// inputs (a FASTA file kept as NAME.svg, say, or a link to one). Each
// picture is held against the inputs every protein shares and its own
// companion files.
void RefusePicturesOverInputs(const Run &run, const RoadOptions &options) {
  if (options.plot_dir.empty()) return;
  std::vector<std::string> shared = {options.fasta,
                                     options.truth,
                                     options.ss2,
                                     options.mtx,
                                     options.reprof,
                                     run.model.folder + "/index.txt",
                                     run.model.folder + "/settings",
                                     run.model.classifier,
                                     run.model.folder + "/ranges",
                                     run.model.folder + "/calibration"};
  for (const Track &track : run.model.recipe.tracks) {
    if (track.kind == TrackKind::kScale) shared.push_back(run.scales_dir + "/" + track.stem + ".tsv");
  }
  std::erase(shared, "");
  for (const std::string &name : run.names) {
    std::vector<std::string> inputs = shared;
    for (const auto &[dir, extension] : {std::pair{options.ss2_dir, ".ss2"}, std::pair{options.mtx_dir, ".mtx"},
                                         std::pair{options.reprof_dir, ".reprof"}}) {
      if (!dir.empty()) inputs.push_back(dir + "/" + name + extension);
    }
    RefuseOutputOverInputs({options.plot_dir + "/" + name + ".svg"}, inputs);
  }
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
  g_worker_child = child;
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  g_worker_child = 0;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
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

std::string ScratchFolder(const WorkFolder &work, int worker) {
  return work / (std::string(kWorkersFolder) + "/" + std::to_string(worker));
}

// Where a protein's steps write: its own folder when the work is kept,
// else slot `slot` of the worker's scratch folder.
StepFolder StepFolderOf(const Run &run, const WorkFolder &work, const ProteinRecord &protein, int worker, int slot) {
  if (run.options.keep_work) return {work / (std::string(kProteinsFolder) + "/" + protein.name), protein.name, true};
  return {ScratchFolder(work, worker), "protein" + std::to_string(slot), false};
}

// reprof for a batch of proteins at once: its networks load once per batch.
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

void PrepareProtein(const Run &run, const ProteinRecord &protein, const StepFolder &where) {
  std::error_code error;
  fs::create_directories(where.folder + "/feat", error);
  if (error) FailWriting(protein.name + ": cannot create its folder in the work folder", error.value());
  const std::string text = FormatFastaRecord(protein);
  CaptureProgramOutput(
      where.folder + "/" + where.base + ".fa", where.kept, "writing its FASTA file",
      [&text](Arguments, std::FILE *out) { WriteAll(out, text); }, {}, protein.name);
  const RoadOptions &options = run.options;
  if (run.model.recipe.needs_ss2)
    CheckSecStructFile(protein, CompanionPath(options.ss2, options.ss2_dir, protein.name, ".ss2"));
  if (run.model.recipe.needs_mtx) {
    CheckProfileMatrixFile(protein, CompanionPath(options.mtx, options.mtx_dir, protein.name, ".mtx"));
  }
}

void FinishProtein(const Run &run, const WorkFolder &work, const ProteinRecord &protein, const StepFolder &where) {
  const RoadOptions &options = run.options;
  CompanionFiles files{CompanionPath(options.ss2, options.ss2_dir, protein.name, ".ss2"),
                       CompanionPath(options.mtx, options.mtx_dir, protein.name, ".mtx"),
                       CompanionPath(options.reprof, options.reprof_dir, protein.name, ".reprof")};
  if (run.model.recipe.needs_reprof && files.reprof.empty()) files.reprof = where.folder + "/" + where.base + ".reprof";
  const bool vectors = options.stop == RoadStop::kVectors;
  const std::string result = work / (std::string(vectors ? kVectorsFolder : kScoresFolder) + "/" + protein.name +
                                     (vectors ? ".vectors" : ".scores"));
  RunProteinSteps(run.model, run.scales_dir, protein, files, where, options.stop, result);
}

// What a worker tells the road, a line each: a protein done, or the
// failure that stopped it, a file it could not write or any other.
constexpr char kDoneMark = '+';
constexpr char kFailureMark = '!';
constexpr char kWriteFailureMark = 'W';

void Report(int pipe, const std::string &message) {
  // One write of at most PIPE_BUF bytes is never interleaved with another
  // worker's.
  std::string line = message.substr(0, PIPE_BUF - 2);
  std::replace(line.begin(), line.end(), '\n', ' ');
  line += '\n';
  if (write(pipe, line.data(), line.size()) < 0) _exit(1);
}

// A worker: every jobs-th protein from the first'th, one after another.
[[noreturn]] void Work(const Run &run, const WorkFolder &work, int first, int jobs, int pipe) {
  SetSignalHandlers(EndWorker);
  // Its scratch folder goes with the run: messages tell its files by what
  // they hold.
  const std::string scratch = ScratchFolder(work, first);
  int status = 0;
  try {
    constexpr std::size_t kReprofBatch = 25;
    const bool batch_reprof =
        run.model.recipe.needs_reprof && run.options.reprof.empty() && run.options.reprof_dir.empty();
    std::vector<std::pair<ProteinRecord, StepFolder>> batch;
    const auto flush = [&] {
      if (batch.empty()) return;
      if (batch_reprof) PredictWithReprof(run.bin_dir, batch);
      for (const auto &[protein, where] : batch) {
        FinishProtein(run, work, protein, where);
        Report(pipe, std::string(1, kDoneMark));
      }
      batch.clear();
    };
    FastaRecordReader reader(run.options.fasta);
    ProteinRecord record;
    for (int index = 0; reader.Next(record); ++index) {
      if (index % jobs != first) continue;
      if (!run.options.name.empty()) record.name = run.options.name;
      const StepFolder where = StepFolderOf(run, work, record, first, static_cast<int>(batch.size()));
      PrepareProtein(run, record, where);
      batch.emplace_back(record, where);
      if (!batch_reprof || batch.size() == kReprofBatch) flush();
    }
    flush();
  } catch (const WriteFailure &failure) {
    Report(pipe, std::string(1, kWriteFailureMark) + DescribeScratchFiles(failure.what(), scratch));
    status = 1;
  } catch (const Failure &failure) {
    Report(pipe, std::string(1, kFailureMark) + DescribeScratchFiles(failure.what(), scratch));
    status = 1;
  } catch (const std::bad_alloc &) {
    Report(pipe, std::string(1, kFailureMark) + "out of memory");
    status = 1;
  }
  std::fflush(nullptr);
  _exit(status);
}

std::string Duration(double seconds) {
  char text[32];
  if (seconds < 60) {
    std::snprintf(text, sizeof text, "%.1f s", seconds);
  } else if (seconds < 3600) {
    std::snprintf(text, sizeof text, "%d min %02d s", static_cast<int>(seconds) / 60, static_cast<int>(seconds) % 60);
  } else {
    std::snprintf(text, sizeof text, "%d h %02d min", static_cast<int>(seconds) / 3600,
                  static_cast<int>(seconds) / 60 % 60);
  }
  return text;
}

// Shows the proteins done out of the total, the time taken and the time
// left: redrawn in place on a terminal, a line every few seconds elsewhere.
class Progress {
 public:
  explicit Progress(std::size_t total) : total_(total), terminal_(isatty(STDERR_FILENO)) {}

  void Update(std::size_t done, bool final) {
    const double elapsed = Seconds();
    if (!final && elapsed - shown_at_ < (terminal_ ? 0.2 : 5.0)) return;
    if (final && done == shown_done_ && !terminal_) return;
    shown_at_ = elapsed;
    shown_done_ = done;
    std::string line = std::to_string(done) + "/" + std::to_string(total_) + " proteins, " + Duration(elapsed);
    if (done < total_ && done > 0) {
      line += ", about " + Duration(elapsed / static_cast<double>(done) * static_cast<double>(total_ - done)) + " left";
    }
    if (terminal_) {
      std::fprintf(stderr, "\r%-70s%s", line.c_str(), final ? "\n" : "");
    } else {
      std::fprintf(stderr, "%s\n", line.c_str());
    }
    std::fflush(stderr);
  }

  double Seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(); }

 private:
  std::size_t total_;
  bool terminal_;
  double shown_at_ = -1e9;
  std::size_t shown_done_ = static_cast<std::size_t>(-1);
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// The workers' part: every protein's vectors or scores. Returns 0, or the
// signal that interrupted it; fails with the first worker's message.
int RunWorkers(const Run &run, const WorkFolder &work, int jobs) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) Fail("cannot start the workers");
  std::fflush(nullptr);
  std::vector<pid_t> workers;
  for (int first = 0; first < jobs; ++first) {
    const pid_t pid = fork();
    if (pid < 0) {
      for (const pid_t worker : workers) kill(worker, SIGTERM);
      Fail("cannot start the workers");
    }
    if (pid == 0) {
      close(pipe_ends[0]);
      Work(run, work, first, jobs, pipe_ends[1]);
    }
    workers.push_back(pid);
  }
  close(pipe_ends[1]);

  Progress progress(run.names.size());
  std::size_t done = 0;
  std::string failure, pending;
  bool write_failure = false;
  bool stopping = false;
  const auto stop_all = [&] {
    if (stopping) return;
    stopping = true;
    for (const pid_t worker : workers) kill(worker, SIGTERM);
  };
  while (true) {
    if (g_signal) stop_all();
    pollfd wait_for{pipe_ends[0], POLLIN, 0};
    const int ready = poll(&wait_for, 1, 1000);
    if (ready < 0) continue;  // a signal: seen at the top
    if (ready == 0) {
      if (!stopping) progress.Update(done, false);
      continue;
    }
    char buffer[4096];
    const ssize_t got = read(pipe_ends[0], buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    pending.append(buffer, static_cast<std::size_t>(got));
    for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1)) {
      if (pending[0] == kDoneMark) {
        ++done;
      } else if (failure.empty()) {
        failure = pending.substr(1, end - 1);
        write_failure = pending[0] == kWriteFailureMark;
        stop_all();
      }
    }
    if (!stopping) progress.Update(done, false);
  }
  close(pipe_ends[0]);
  std::string crash;
  for (const pid_t worker : workers) {
    int status = 0;
    while (waitpid(worker, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status) && !stopping && crash.empty()) {
      crash = "a worker process ended with signal " + std::to_string(WTERMSIG(status)) + " (" +
              strsignal(WTERMSIG(status)) + ")";
    }
  }
  if (g_signal) return g_signal;
  if (write_failure) throw WriteFailure(failure);
  if (!failure.empty()) Fail(failure);
  if (!crash.empty()) Fail(crash);
  std::error_code error;
  fs::remove_all(work / kWorkersFolder, error);
  progress.Update(done, true);
  return 0;
}

// Appends the proteins' score files, in FASTA order, into one.
void CombineScores(const Run &run, const WorkFolder &work) {
  const std::string path = work / kScoresFile;
  AtomicOutputFile combined(path);
  std::string buffer(1 << 16, '\0');
  for (const std::string &name : run.names) {
    if (g_signal) return;
    const std::string scores = work / (std::string(kScoresFolder) + "/" + name + ".scores");
    std::FILE *file = std::fopen(scores.c_str(), "rb");
    if (!file) FailCannotOpen(scores);
    for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;) {
      combined.Write(std::string_view(buffer.data(), got));
    }
    const bool failed = std::ferror(file);
    std::fclose(file);
    if (failed) FailCannotOpen(scores);
  }
  combined.Commit();
}

// The model's caller over the combined scores, in the work folder:
// ReportDomainHinges with its options file and candidate listing, or
// SegmentDomains.
std::string MakeReport(const Run &run, const WorkFolder &work) {
  const ModelSettings &settings = run.model.settings;
  if (settings.caller == LinkerCaller::kThreshold) {
    WriteFilesAtomically(
        {{work / kOptionsFile, std::string("NormalizedFile = ") + kScoresFile + "\nOutputFile = " + kReportFile +
                                   "\nOffSet = " + std::to_string(settings.offset) + "\nRank = " +
                                   std::to_string(settings.rank) + "\nThreshold = " + settings.threshold + "\n"}});
  }
  if (chdir(work.path().c_str()) != 0) Fail("cannot enter the work folder " + work.path());
  if (settings.caller == LinkerCaller::kThreshold) {
    CaptureProgramOutput(work / kCandidatesFile, true, "ReportDomainHinges", RunReportDomainHinges,
                         {kOptionsFile, std::to_string(settings.rank), settings.threshold}, "");
  } else {
    CaptureProgramOutput(
        work / kReportFile, true, "SegmentDomains", RunSegmentDomains,
        {kScoresFile, settings.threshold, std::to_string(settings.min_domain), std::to_string(settings.offset)}, "");
  }
  std::string report;
  ForEachLine(work / kReportFile, [&](std::string_view line, std::size_t) {
    report += line;
    report += '\n';
  });
  return report;
}

// Each linker's confidence from the model's calibration; with
// --min-confidence, the linkers below it are dropped. Ranks stay as the
// caller printed them.
void ApplyCalibration(const Run &run, std::vector<ReportedLinker> &linkers) {
  if (!run.model.calibration) return;
  for (ReportedLinker &linker : linkers) {
    linker.confidence = CalibratedProbability(run.model.calibration->linker, ReadCDouble(linker.score.c_str()));
  }
  if (const std::optional<double> least = run.options.min_confidence) {
    std::erase_if(linkers, [&](const ReportedLinker &linker) { return *linker.confidence < *least; });
  }
}

// Every protein in FASTA order: its length, linkers reported, highest score
// and, with a calibration, the chance that it has more than one domain.
std::vector<ProteinSummary> SummariseProteins(const Run &run, const WorkFolder &work,
                                              const std::vector<ReportedLinker> &linkers) {
  std::map<std::string, int> reported;
  for (const ReportedLinker &linker : linkers) ++reported[linker.protein];
  std::vector<ProteinSummary> proteins;
  for (const std::string &name : run.names) {
    if (g_signal) break;
    const std::vector<double> scores = ReadScoreValues(work / (std::string(kScoresFolder) + "/" + name + ".scores"));
    std::optional<double> highest;
    for (const double score : scores) {
      if (!std::isnan(score) && (!highest || score > *highest)) highest = score;
    }
    std::optional<double> probability;
    if (run.model.calibration) {
      probability = CalibratedProbability(run.model.calibration->protein, highest.value_or(std::nan("")));
    }
    const auto found = reported.find(name);
    proteins.push_back(
        {name, static_cast<int>(scores.size()), found == reported.end() ? 0 : found->second, highest, probability});
  }
  return proteins;
}

// The true regions of the proteins, by name.
std::map<std::string, std::vector<std::pair<int, int>>> ReadTruth(const std::string &path) {
  std::map<std::string, std::vector<std::pair<int, int>>> truth;
  if (path.empty()) return truth;
  ForEachRegionFileLine(path, [&](std::string_view line, std::size_t number) {
    if (line.empty()) return;
    const Region region = ParseRegionLine(line, path, number);
    truth[std::string(region.name)].emplace_back(region.start, region.end);
  });
  return truth;
}

void DrawPlots(const Run &run, const WorkFolder &work, const std::vector<ReportedLinker> &linkers,
               const std::map<std::string, std::vector<std::pair<int, int>>> &truth) {
  const std::string &dir = run.options.plot_dir;
  std::error_code error;
  fs::create_directories(dir, error);
  if (!fs::is_directory(dir, error)) Fail("cannot create the picture folder " + dir);
  std::map<std::string, std::vector<PlotLinker>> called;
  for (const ReportedLinker &linker : linkers) {
    std::string note;
    if (linker.confidence) {
      char text[32];
      std::snprintf(text, sizeof text, "%.2f", *linker.confidence);
      note = text;
    }
    called[linker.protein].push_back({linker.start, linker.end, note});
  }
  for (const std::string &name : run.names) {
    if (g_signal) return;
    ScorePlot plot;
    plot.protein = name;
    plot.score_label = run.model.settings.raw_scores ? "score (smoothed decision value)" : "score (z-score)";
    plot.scores = ReadScoreValues(work / (std::string(kScoresFolder) + "/" + name + ".scores"));
    plot.threshold = std::strtod(run.model.settings.threshold.c_str(), nullptr);
    plot.threshold_text = run.model.settings.threshold;
    if (const auto found = called.find(name); found != called.end()) plot.linkers = found->second;
    if (const auto found = truth.find(name); found != truth.end()) plot.truth = found->second;
    WriteFilesAtomically({{dir + "/" + name + ".svg", DrawScorePlot(plot)}});
  }
}

// The checks and the work, with any failure thrown as Failure. Returns the
// exit status.
int Predict(RoadOptions options, const RoadPlaces &places) {
  const std::string model_folder = AbsolutePath(ModelFolderOf(options.model, places.data_dir + "/models"));
  Run run;
  run.model = LoadModel(model_folder, options, options.stop != RoadStop::kVectors);
  const ModelSettings &settings = run.model.settings;
  if (options.stop == RoadStop::kSettings) {
    std::printf(
        "model %s\nclassifier %s\nscores %s\nsmoothing %d\nthreshold %s\nrank %d\noffset %d\ncaller %s\nmin_domain %d\n",
        model_folder.c_str(), settings.classifier == ClassifierKind::kXGBoost ? "xgboost" : "libsvm",
        settings.raw_scores ? "raw" : "zscore", settings.smoothing, settings.threshold.c_str(), settings.rank,
        settings.offset, CallerName(settings.caller), settings.min_domain);
    std::printf("calibration %s\n", run.model.calibration ? (model_folder + "/calibration").c_str() : "none");
    return 0;  // RunRoad sees standard output written
  }
  for (std::string *path : {&options.fasta, &options.ss2, &options.mtx, &options.reprof, &options.ss2_dir,
                            &options.mtx_dir, &options.reprof_dir, &options.plot_dir, &options.truth}) {
    *path = AbsolutePath(*path);
  }
  run.scales_dir = AbsolutePath(options.scales.empty() ? places.data_dir + "/scales" : options.scales);
  run.bin_dir = places.bin_dir;

  const Recipe &recipe = run.model.recipe;
  for (const Track &track : recipe.tracks) {
    if (track.kind == TrackKind::kPsipred && options.ss2.empty() && options.ss2_dir.empty()) {
      Fail("the model's recipe uses " + track.name +
           ": give the protein's PSIPRED file with --ss2 FILE (--ss2-dir DIR for many)");
    }
    if (track.kind == TrackKind::kProfile && options.mtx.empty() && options.mtx_dir.empty()) {
      Fail("the model's recipe uses " + track.name +
           ": give the protein's checkpoint matrix with --mtx FILE (--mtx-dir DIR for many)");
    }
  }
  CheckScales(recipe, run.scales_dir);
  if (recipe.needs_reprof && options.reprof.empty() && options.reprof_dir.empty()) {
    if (!fs::is_directory("/usr/share/reprof")) {
      Fail("the model's recipe needs reprof, which is not installed (Debian package reprof); or use --model sequence");
    }
    if (access((places.bin_dir + "/linkerkit-reprof").c_str(), X_OK) != 0) {
      Fail("cannot find linkerkit-reprof in " + places.bin_dir);
    }
  }
  for (const std::string *file : {&options.ss2, &options.mtx, &options.reprof, &options.fasta}) {
    if (!file->empty() && !IsFile(*file)) FailCannotOpen(*file);
  }
  if (!options.name.empty()) {
    if (const std::string problem = NameProblem(options.name); !problem.empty()) Fail("invalid --name: " + problem);
  }
  const auto truth = ReadTruth(options.truth);

  run.names = CheckProteome(options, recipe);
  if (!options.name.empty()) run.names = {options.name};
  if (g_signal) return g_signal;
  RefusePicturesOverInputs(run, options);
  // Stopping early keeps its results: they are what was asked for.
  const bool keep_folder = options.keep_work || options.stop != RoadStop::kReport;
  run.options = options;
  WorkFolder work(options.work, keep_folder);
  const int jobs =
      std::max(1, std::min<int>(options.jobs ? options.jobs : static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)),
                                static_cast<int>(run.names.size())));
  Say("linkerkit-predict " LINKERKIT_VERSION ": " + std::to_string(run.names.size()) + " protein" +
      (run.names.size() == 1 ? "" : "s") + ", model " + model_folder + " (" + std::to_string(recipe.tracks.size()) +
      " tracks), " + std::to_string(jobs) + " at a time, work folder " + work.path());

  const auto interrupted = [&](int signal_number) {
    work.RemoveUnfinished();
    Say("interrupted");
    return 128 + signal_number;
  };
  std::string report;
  try {
    if (const int signal_number = RunWorkers(run, work, jobs)) return interrupted(signal_number);
    if (options.stop == RoadStop::kVectors) {
      Say("vector lines: " + (work / kVectorsFolder) + "/NAME.vectors");
      return 0;
    }
    try {
      CombineScores(run, work);
      if (g_signal) return interrupted(g_signal);
      if (options.stop == RoadStop::kScores) {
        Say("scores: " + (work / kScoresFile) + " and " + (work / kScoresFolder) + "/NAME.scores");
        return 0;
      }
      report = MakeReport(run, work);
      if (g_signal) return interrupted(g_signal);
      std::vector<ReportedLinker> linkers = ReadReportedLinkers(report, work / kReportFile);
      ApplyCalibration(run, linkers);
      if (options.min_confidence) {
        report = FormatReportLines(linkers);
        WriteFilesAtomically({{work / kReportFile, report}});
      }
      const std::vector<ProteinSummary> proteins = SummariseProteins(run, work, linkers);
      if (g_signal) return interrupted(g_signal);
      WriteFilesAtomically({{work / kLinkerTableFile, FormatLinkerTable(linkers)},
                            {work / kProteinTableFile, FormatProteinTable(proteins)}});
      if (!options.plot_dir.empty()) DrawPlots(run, work, linkers, truth);
      if (g_signal) return interrupted(g_signal);
    } catch (const WriteFailure &) {
      throw;
    } catch (const Failure &failure) {
      // Every input was read and every protein scored: what fails now is
      // the writing of the outputs, and the scores are worth keeping.
      if (g_signal) throw;
      throw WriteFailure(failure.what());
    }
  } catch (const WriteFailure &failure) {
    work.RemoveUnfinished();
    if (g_signal) throw;
    work.KeepAfterFailure();
    Fail(std::string(failure.what()) + "; the work folder " + work.path() + " is kept");
  } catch (const Failure &) {
    work.RemoveUnfinished();
    throw;
  }
  // The report is whole in the work folder: when it cannot be delivered,
  // the folder stays with it.
  if (const int error = WriteStandardOutput(report)) {
    work.KeepAfterFailure();
    Fail(std::string("cannot write the report on standard output: ") + std::strerror(error) + "; it is in " +
         (work / kReportFile));
  }
  if (work.kept()) {
    Say("report: " + (work / kReportFile) + ", linkers: " + (work / kLinkerTableFile) +
        ", proteins: " + (work / kProteinTableFile));
  }
  if (!options.plot_dir.empty()) Say("pictures: " + options.plot_dir + "/NAME.svg");
  return 0;
}

// The status of a run once what it printed (the help, the settings) is
// flushed: 1 after one line saying why when it could not be written. A run
// that printed nothing is not held to a standard output it never used.
int CheckStandardOutput(int status) {
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
    Say(std::string("cannot write on standard output: ") + std::strerror(errno ? errno : EIO));
    return 1;
  }
  return status;
}

}  // namespace

int RunRoad(std::span<char *const> arguments, const RoadPlaces &places) {
  signal(SIGPIPE, SIG_IGN);
  SetSignalHandlers(NoteSignal);
  try {
    const RoadOptions options = ParseRoadOptions(arguments);
    if (options.help) {
      PrintHelp(places);
      return CheckStandardOutput(0);
    }
    if (options.version) {
      std::printf("linkerkit-predict %s\n", LINKERKIT_VERSION);
      return CheckStandardOutput(0);
    }
    const int status = Predict(options, places);
    if (status > 128) return status;
    if (g_signal) {
      Say("interrupted");
      return 128 + g_signal;
    }
    return CheckStandardOutput(status);
  } catch (const Failure &failure) {
    if (g_signal) {
      Say("interrupted");
      return 128 + g_signal;
    }
    Say(failure.what());
    return 1;
  } catch (const std::bad_alloc &) {
    Say("out of memory");
    return 1;
  }
}

}  // namespace linkerkit
