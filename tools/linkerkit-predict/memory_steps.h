// One protein's road in memory: the tracks, the vector lines and the scores
// made by the programs' own functions, as the numbers and bytes of the
// programs' files, without a file between the steps. A run whose work is
// kept for the user goes through the programs' files (protein_steps.h).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "feature_rows.h"
#include "proteome.h"
#include "recipe.h"
#include "residue_scale.h"

namespace linkerkit {

// A track must have a line for every residue: a truncated or foreign input
// file shows here, whatever the program reading it let through. Fails with
// "NAME: SOURCE gives N residues, the FASTA sequence M".
void CheckTrackResidues(const ProteinRecord &protein, std::size_t lines, const std::string &source);

// The protein's companion files; empty where the recipe needs none.
struct CompanionFiles {
  std::string ss2;
  std::string mtx;
  std::string reprof;  // reprof's prediction; made in the step folder when empty and the recipe needs it
};

// The protein's feature columns as AssembleFeatureRows reads them from the
// tracks the feature programs write, from its sequence and companion files.
// Fails as the file road does, with "NAME: PROGRAM failed: ..." or a
// mismatch between a track and the sequence; a file the file road would
// have made in the step folder is named as there, message_base + ".profile"
// (the profile table) or ".reprof.ss2", so that the worker can tell what it
// holds.
std::vector<FeatureColumn> FeatureColumnsInMemory(const Recipe &recipe, const ResidueScales &scales,
                                                  const ProteinRecord &protein, const CompanionFiles &files,
                                                  const std::string &message_base);

// The vector lines AssembleFeatureRows writes over those columns.
std::string VectorLinesOf(const std::vector<FeatureColumn> &columns);

// The protein's score lines as ClassifyFeatureRows writes them over the
// vector lines of columns, read as the file vectors_path (which messages
// name).
std::string ScoreLinesInMemory(const Model &model, const ProteinRecord &protein,
                               const std::vector<FeatureColumn> &columns, const std::string &vectors_path);

}  // namespace linkerkit
