// The road's final steps, once every protein is scored: the scores in one
// file, the model's caller over them, the calibrated confidences, the
// tables and the pictures. Each stops early, its work unfinished, once a
// stop signal came.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "linker_table.h"
#include "road_run.h"
#include "score_plot.h"
#include "work_folder.h"

namespace linkerkit {

// Appends the proteins' score files, in FASTA order, into WORK/scores.txt.
void CombineScores(const RoadRun &run, const WorkFolder &work);

// With the threshold caller, WORK/options.txt: the options file
// ReportDomainHinges reads, over scores.txt to report.txt with the offset,
// rank and threshold in force (the threshold's text as given). Its only
// writer: the workflow takes it from its chunks' --scores-only runs.
void WriteCallerOptions(const RoadRun &run, const WorkFolder &work);

// The model's caller over the combined scores, in the work folder:
// ReportDomainHinges with its options file (WriteCallerOptions) and
// candidate listing, or SegmentDomains; the report is WORK/report.txt.
void MakeReport(const RoadRun &run, const WorkFolder &work);

// What the pass over the report keeps of its linkers: as many lines as
// proteins, not as linkers, unless pictures are drawn.
struct ReportedLinkers {
  std::map<std::string, int, std::less<>> counts;          // by protein: how many reported
  std::map<std::string, std::vector<PlotLinker>> plotted;  // by protein, with --plot only
};

// WORK/linkers.tsv from the report, read a line at a time so that memory
// stays flat however many linkers a proteome has: each linker's confidence
// from the model's calibration; with --min-confidence, the linkers below it
// are dropped, from the report too.
ReportedLinkers WriteLinkerTable(const RoadRun &run, const WorkFolder &work);

// WORK/proteins.tsv: every protein in FASTA order, its length, linkers
// reported, highest score and, with a calibration, the chance that it has
// more than one domain.
void WriteProteinTable(const RoadRun &run, const WorkFolder &work, const ReportedLinkers &reported);

// The true regions of the proteins, by name: START and END of each.
using TruthRegions = std::map<std::string, std::vector<std::pair<int, int>>>;

// The region file at path (none when empty).
TruthRegions ReadTruth(const std::string &path);

// One picture per protein, PLOT_DIR/NAME.svg: its scores, the threshold,
// the linkers called and the true regions.
void DrawPlots(const RoadRun &run, const WorkFolder &work, const ReportedLinkers &reported, const TruthRegions &truth);

}  // namespace linkerkit
