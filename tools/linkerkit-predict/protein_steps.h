// One protein's road from its sequence to its vector lines or scores, in
// memory (memory_steps.h) or, where the work is kept for the user, through
// the programs' files: every feature program of the recipe, the assembler
// and the classifier, run in this process on files in the protein's own
// folder. Each step writes its file under a temporary name and renames it
// once whole, so an interrupted run never leaves a complete-looking partial
// file.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "memory_steps.h"
#include "proteome.h"
#include "recipe.h"
#include "road_files.h"
#include "road_options.h"
#include "road_run.h"
#include "work_folder.h"

namespace linkerkit {

// Where a protein's steps write: folder/BASE.fa (written before the steps),
// BASE.vectors, BASE.scores, feat/TRACK.txt and so on. A folder kept for
// the user holds one protein, its files named after it and each written
// under a temporary name first. Otherwise the steps run in memory, and
// slot BASE of a worker's scratch folder, used again for protein after
// protein, holds what reprof reads and writes (BASE.fa, BASE.reprof); its
// paths also name the files the steps in memory stand for in their
// messages (BASE.profile, BASE.vectors), which the worker tells by what
// they hold. The road removes the scratch folder after an interruption, so
// no partial file there can outlive the run.
struct StepFolder {
  std::string folder;
  std::string base;
  bool kept;
};

// Runs the recipe for protein through the programs' files in its kept
// folder (where.kept) and renames the result, the vector lines or
// the scores as stop says, to result_path. Fails with "NAME: PROGRAM
// failed: ..." or a mismatch between a track and the sequence.
void RunProteinSteps(const Model &model, const std::string &scales_dir, const ProteinRecord &protein,
                     const CompanionFiles &files, const StepFolder &where, RoadStop stop,
                     const std::string &result_path);

// A worker's scratch folder in the work folder.
std::string ScratchFolder(const WorkFolder &work, int worker);

// Where a protein's steps write: its own folder when the work is kept,
// else slot `slot` of the worker's scratch folder.
StepFolder StepFolderOf(const RoadRun &run, const WorkFolder &work, const ProteinRecord &protein, int worker, int slot);

// reprof for a batch of proteins at once: its networks load once per batch.
// Fails with "NAME and N more: linkerkit-reprof failed: ...".
void PredictWithReprof(const std::string &bin_dir, const std::vector<std::pair<ProteinRecord, StepFolder>> &batch);

// True when the proteins' steps run in memory (memory_steps.h): unless the
// work is kept for the user, who then sees every step's file.
bool RunsInMemory(const RoadOptions &options);

// A protein's folder and FASTA file, and its companion files checked
// against its sequence: what comes before reprof. Nothing is written for a
// protein whose steps run in memory, unless reprof is to predict for it.
void PrepareProtein(const RoadRun &run, const ProteinRecord &protein, const StepFolder &where);

// The rest of a protein's steps, to WORK/vectors/NAME.vectors or
// WORK/scores/NAME.scores, the only file written for a protein whose steps
// run in memory.
void FinishProtein(const RoadRun &run, const WorkFolder &work, const ProteinRecord &protein, const StepFolder &where);

}  // namespace linkerkit
