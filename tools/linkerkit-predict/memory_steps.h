// One protein's road in memory: the tracks, the vector lines and the scores
// made by the programs' own functions, their text the bytes the programs
// write, without a file between the steps. The recipes whose tracks come
// from the sequence alone take it; the others, and a run whose work is kept
// for the user, go through the programs' files (protein_steps.h).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "feature_rows.h"
#include "proteome.h"
#include "recipe.h"
#include "residue_scale.h"

namespace linkerkit {

// The residue scales a recipe uses, by the tracks' stem, read once before
// the workers start.
using ResidueScales = std::map<std::string, ResidueScale>;
ResidueScales ReadRecipeScales(const Recipe &recipe, const std::string &scales_dir);

// True when every track of the recipe is made from the sequence alone.
bool MadeFromSequence(const Recipe &recipe);

// The protein's feature columns as AssembleFeatureRows reads them from the
// tracks the feature programs write.
std::vector<FeatureColumn> FeatureColumnsInMemory(const Recipe &recipe, const ResidueScales &scales,
                                                  const ProteinRecord &protein);

// The vector lines AssembleFeatureRows writes over those columns.
std::string VectorLinesOf(const std::vector<FeatureColumn> &columns);

// The protein's score lines as ClassifyFeatureRows writes them over the
// vector lines of columns, read as the file vectors_path (which messages
// name).
std::string ScoreLinesInMemory(const Model &model, const ProteinRecord &protein,
                               const std::vector<FeatureColumn> &columns, const std::string &vectors_path);

}  // namespace linkerkit
