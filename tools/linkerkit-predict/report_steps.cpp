#include "report_steps.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "calibration.h"
#include "cnumber.h"
#include "failure.h"
#include "lines.h"
#include "linker_report.h"
#include "output_file.h"
#include "region.h"
#include "report_line.h"
#include "road_files.h"
#include "score_plot.h"
#include "segment_domains.h"
#include "stop_signals.h"

namespace linkerkit {

namespace fs = std::filesystem;

void CombineScores(const RoadRun &run, const WorkFolder &work) {
  const std::string path = work / kScoresFile;
  AtomicOutputFile combined(path);
  for (const std::string &name : run.names) {
    if (StopSignal()) return;
    const std::string scores = work / (std::string(kScoresFolder) + "/" + name + ".scores");
    const bool read = ReadBlocks(scores, [&](std::string_view block) {
      combined.Write(block);
      return true;
    });
    if (!read) FailCannotOpen(scores);
  }
  combined.Commit();
}

void WriteCallerOptions(const RoadRun &run, const WorkFolder &work) {
  const ModelSettings &settings = run.model.settings;
  if (settings.caller != LinkerCaller::kThreshold) return;
  WriteFilesAtomically(
      {{work / kOptionsFile, std::string("NormalizedFile = ") + kScoresFile + "\nOutputFile = " + kReportFile +
                                 "\nOffSet = " + std::to_string(settings.offset) + "\nRank = " +
                                 std::to_string(settings.rank) + "\nThreshold = " + settings.threshold.text + "\n"}});
}

void MakeReport(const RoadRun &run, const WorkFolder &work) {
  const ModelSettings &settings = run.model.settings;
  WriteCallerOptions(run, work);
  if (chdir(work.path().c_str()) != 0) Fail("cannot enter the work folder " + work.path());
  if (settings.caller == LinkerCaller::kThreshold) {
    CaptureProgramOutput(work / kCandidatesFile, true, "ReportDomainHinges", RunReportDomainHinges,
                         {kOptionsFile, std::to_string(settings.rank), settings.threshold.text}, "");
  } else {
    CaptureProgramOutput(
        work / kReportFile, true, "SegmentDomains", RunSegmentDomains,
        {kScoresFile, settings.threshold.text, std::to_string(settings.min_domain), std::to_string(settings.offset)},
        "");
  }
}

ReportedLinkers WriteLinkerTable(const RoadRun &run, const WorkFolder &work) {
  const std::string report_path = work / kReportFile;
  const std::optional<double> least = run.options.min_confidence;
  const bool plotted = !run.options.plot_dir.empty();
  AtomicOutputFile table(work / kLinkerTableFile);
  table.Write(kLinkerTableHeader);
  // The report without the linkers below --min-confidence replaces the
  // caller's once it is whole; ranks stay as the caller printed them.
  std::optional<AtomicOutputFile> kept_report;
  if (least) kept_report.emplace(report_path);
  ReportedLinkers reported;
  ForEachLine(report_path, [&](std::string_view line, std::size_t number) {
    if (StopSignal()) return;
    std::optional<CalledLinker> linker = ReadCalledLinker(line, report_path, number);
    if (!linker) return;
    if (run.model.calibration) {
      linker->confidence = CalibratedProbability(run.model.calibration->linker, ReadCDouble(linker->score.c_str()));
      if (least && *linker->confidence < *least) return;
    }
    if (kept_report) kept_report->Write(linker->line + "\n");
    table.Write(LinkerTableLine(*linker));
    ++reported.counts[linker->protein];
    if (plotted) {
      std::string note;
      if (linker->confidence) {
        char text[32];
        std::snprintf(text, sizeof text, "%.2f", *linker->confidence);
        note = text;
      }
      reported.plotted[linker->protein].push_back({linker->start, linker->end, note});
    }
  });
  if (StopSignal()) return reported;
  if (kept_report) {
    if (reported.counts.empty()) kept_report->Write(kNoPredictionLine);
    kept_report->Commit();
  }
  table.Commit();
  return reported;
}

void WriteProteinTable(const RoadRun &run, const WorkFolder &work, const ReportedLinkers &reported) {
  AtomicOutputFile table(work / kProteinTableFile);
  table.Write(kProteinTableHeader);
  for (const std::string &name : run.names) {
    if (StopSignal()) return;
    const std::vector<double> scores = ReadScoreValues(work / (std::string(kScoresFolder) + "/" + name + ".scores"));
    std::optional<double> highest;
    for (const double score : scores) {
      if (!std::isnan(score) && (!highest || score > *highest)) highest = score;
    }
    std::optional<double> probability;
    if (run.model.calibration) {
      probability = CalibratedProbability(run.model.calibration->protein, highest.value_or(std::nan("")));
    }
    const auto found = reported.counts.find(name);
    table.Write(ProteinTableLine({name, static_cast<int>(scores.size()),
                                  found == reported.counts.end() ? 0 : found->second, highest, probability}));
  }
  table.Commit();
}

TruthRegions ReadTruth(const std::string &path) {
  TruthRegions truth;
  if (path.empty()) return truth;
  ForEachRegionFileLine(path, [&](std::string_view line, std::size_t number) {
    if (line.empty()) return;
    const Region region = ParseRegionLine(line, path, number);
    truth[std::string(region.name)].emplace_back(region.start, region.end);
  });
  return truth;
}

void DrawPlots(const RoadRun &run, const WorkFolder &work, const ReportedLinkers &reported, const TruthRegions &truth) {
  const std::string &dir = run.options.plot_dir;
  std::error_code error;
  fs::create_directories(dir, error);
  if (!fs::is_directory(dir, error)) Fail("cannot create the picture folder " + dir);
  for (const std::string &name : run.names) {
    if (StopSignal()) return;
    ScorePlot plot;
    plot.protein = name;
    plot.score_label = run.model.settings.raw_scores ? "score (smoothed decision value)" : "score (z-score)";
    plot.scores = ReadScoreValues(work / (std::string(kScoresFolder) + "/" + name + ".scores"));
    plot.threshold = run.model.settings.threshold.number;
    plot.threshold_text = run.model.settings.threshold.text;
    if (const auto found = reported.plotted.find(name); found != reported.plotted.end()) plot.linkers = found->second;
    if (const auto found = truth.find(name); found != truth.end()) plot.truth = found->second;
    WriteFilesAtomically({{dir + "/" + name + ".svg", DrawScorePlot(plot)}});
  }
}

}  // namespace linkerkit
