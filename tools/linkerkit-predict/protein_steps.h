// One protein's road from its sequence to its vector lines or scores: every
// feature program of the recipe, the assembler and the classifier, run in
// this process on files in the protein's own folder. Each step writes its
// file under a temporary name and renames it once whole, so an interrupted
// run never leaves a complete-looking partial file.
#pragma once

#include <string>

#include "proteome.h"
#include "recipe.h"
#include "road_options.h"

namespace linkerkit {

// The protein's companion files; empty where the recipe needs none.
struct CompanionFiles {
  std::string ss2;
  std::string mtx;
  std::string reprof;  // reprof's prediction; made in the folder when empty and the recipe needs it
};

// Runs the recipe for protein in folder (which exists; its FASTA file is
// folder/NAME.fa) and renames the result, the vector lines or the scores
// as stop says, to result_path. Fails with "NAME: PROGRAM failed: ..." or a
// mismatch between a track and the sequence.
void RunProteinSteps(const Model &model, const std::string &scales_dir, const ProteinRecord &protein,
                     const CompanionFiles &files, const std::string &folder, RoadStop stop,
                     const std::string &result_path);

// The name of the temporary file a step writes before renaming it: what an
// interrupted run's clean-up looks for.
std::string PartialName(const std::string &path);
bool IsPartialName(const std::string &file_name);

}  // namespace linkerkit
