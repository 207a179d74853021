#include "road.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "failure.h"
#include "linker_table.h"
#include "output_file.h"
#include "recipe.h"
#include "report_steps.h"
#include "road_checks.h"
#include "road_files.h"
#include "road_options.h"
#include "road_run.h"
#include "stop_signals.h"
#include "work_folder.h"
#include "workers.h"

namespace linkerkit {

namespace {

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

// The checks and the work, with any failure thrown as Failure. Returns the
// exit status.
int Predict(RoadOptions options, const RoadPlaces &places) {
  const std::string model_folder = AbsolutePath(ModelFolderOf(options.model, places.data_dir + "/models"));
  RoadRun run;
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
  CheckModelInputs(recipe, options, run.scales_dir, run.bin_dir);
  const auto truth = ReadTruth(options.truth);

  run.names = CheckProteome(options, recipe);
  if (!options.name.empty()) run.names = {options.name};
  if (StopSignal()) return StopSignal();
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
      if (StopSignal()) return interrupted(StopSignal());
      if (options.stop == RoadStop::kScores) {
        Say("scores: " + (work / kScoresFile) + " and " + (work / kScoresFolder) + "/NAME.scores");
        return 0;
      }
      report = MakeReport(run, work);
      if (StopSignal()) return interrupted(StopSignal());
      std::vector<CalledLinker> linkers = ReadCalledLinkers(report, work / kReportFile);
      ApplyCalibration(run, linkers);
      if (options.min_confidence) {
        report = FormatReportLines(linkers);
        WriteFilesAtomically({{work / kReportFile, report}});
      }
      const std::vector<ProteinSummary> proteins = SummariseProteins(run, work, linkers);
      if (StopSignal()) return interrupted(StopSignal());
      WriteFilesAtomically({{work / kLinkerTableFile, FormatLinkerTable(linkers)},
                            {work / kProteinTableFile, FormatProteinTable(proteins)}});
      if (!options.plot_dir.empty()) DrawPlots(run, work, linkers, truth);
      if (StopSignal()) return interrupted(StopSignal());
    } catch (const WriteFailure &) {
      throw;
    } catch (const Failure &failure) {
      // Every input was read and every protein scored: what fails now is
      // the writing of the outputs, and the scores are worth keeping.
      if (StopSignal()) throw;
      throw WriteFailure(failure.what());
    }
  } catch (const WriteFailure &failure) {
    work.RemoveUnfinished();
    if (StopSignal()) throw;
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
  NoteStopSignals();
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
    if (StopSignal()) {
      Say("interrupted");
      return 128 + StopSignal();
    }
    return CheckStandardOutput(status);
  } catch (const Failure &failure) {
    if (StopSignal()) {
      Say("interrupted");
      return 128 + StopSignal();
    }
    Say(failure.what());
    return 1;
  } catch (const std::bad_alloc &) {
    Say("out of memory");
    return 1;
  }
}

}  // namespace linkerkit
