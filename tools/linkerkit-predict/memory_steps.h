// One protein's road in memory: the tracks, the vector lines and the scores
// made by the programs' own functions, their text the bytes the programs
// write, without a file between the steps. The recipes whose tracks come
// from the sequence alone take it; the others, and a run whose work is kept
// for the user, go through the programs' files (protein_steps.h).
#pragma once

#include <map>
#include <string>

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

// The protein's vector lines as AssembleFeatureRows writes them over the
// tracks the feature programs write. A track's name in a message is
// message_folder/feat/NAME.txt, as on the file road.
std::string VectorLinesInMemory(const Recipe &recipe, const ResidueScales &scales, const ProteinRecord &protein,
                                const std::string &message_folder);

// The protein's score lines as ClassifyFeatureRows writes them over
// vector_lines, read as the file vectors_path (which messages name).
std::string ScoreLinesInMemory(const Model &model, const ProteinRecord &protein, const std::string &vector_lines,
                               const std::string &vectors_path);

}  // namespace linkerkit
