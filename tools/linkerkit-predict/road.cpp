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
#include "protein_steps.h"
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
  std::fputs(RoadHelp(ShippedModels(places.data_dir), places.data_dir).c_str(), stdout);
}

// The checks and the work, with any failure thrown as Failure. Returns the
// exit status.
int Predict(RoadOptions options, const RoadPlaces &places) {
  const std::string model_folder = AbsolutePath(ModelFolderOf(options.model, places.data_dir + "/models"));
  RoadRun run;
  run.model = LoadModel(model_folder, options, options.stop != RoadStop::kVectors);
  const ModelSettings &settings = run.model.settings;
  if (options.stop == RoadStop::kSettings) {
    const std::string shown =
        ShownSettings(model_folder, settings, run.model.calibration ? model_folder + "/calibration" : "none");
    std::fputs(shown.c_str(), stdout);
    return 0;  // RunRoad sees standard output written
  }
  for (std::string *path : {&options.fasta, &options.ss2, &options.mtx, &options.reprof, &options.ss2_dir,
                            &options.mtx_dir, &options.reprof_dir, &options.plot_dir, &options.truth}) {
    *path = AbsolutePath(*path);
  }
  run.scales_dir = AbsolutePath(options.scales.empty() ? places.data_dir + "/scales" : options.scales);
  run.bin_dir = places.bin_dir;

  const Recipe &recipe = run.model.recipe;
  run.scales = CheckModelInputs(recipe, options, run.scales_dir, run.bin_dir);
  const auto truth = ReadTruth(options.truth);

  run.names = CheckProteome(options, recipe);
  if (!options.name.empty()) run.names = {options.name};
  if (StopSignal()) return StopSignal();
  RefusePicturesOverInputs(run, options);
  // Stopping early keeps its results: they are what was asked for.
  const bool keep_folder = options.keep_work || options.stop != RoadStop::kReport;
  run.options = options;
  WorkFolder work(options.work, keep_folder, options.stop == RoadStop::kVectors ? kVectorsFolder : kScoresFolder);
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
        WriteCallerOptions(run, work);
        Say("scores: " + (work / kScoresFile) + " and " + (work / kScoresFolder) + "/NAME.scores");
        return 0;
      }
      MakeReport(run, work);
      if (StopSignal()) return interrupted(StopSignal());
      const ReportedLinkers reported = WriteLinkerTable(run, work);
      if (StopSignal()) return interrupted(StopSignal());
      WriteProteinTable(run, work, reported);
      if (StopSignal()) return interrupted(StopSignal());
      if (!options.plot_dir.empty()) DrawPlots(run, work, reported, truth);
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
  if (const int error = CopyToStandardOutput(work / kReportFile)) {
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
  TakeClosedStandardStreams();
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
