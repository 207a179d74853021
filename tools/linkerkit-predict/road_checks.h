// What the road checks before any work starts, so that a fault of the
// inputs stops the run at once with one line, not at the thousandth protein.
#pragma once

#include <string>
#include <vector>

#include "recipe.h"
#include "road_options.h"
#include "road_run.h"

namespace linkerkit {

// The inputs the model's recipe needs: the .ss2 and .mtx files its tracks
// read, its residue scales in scales_dir, reprof (installed, with its
// driver in bin_dir) unless its predictions are given; the single files
// given exist, and --name is a valid protein name. Returns the scales, read
// and checked.
ResidueScales CheckModelInputs(const Recipe &recipe, const RoadOptions &options, const std::string &scales_dir,
                               const std::string &bin_dir);

// Reads every record once before any work starts: a bad record, a repeated
// name or a missing companion file stops the run at once. Returns the
// proteins' names in FASTA order (those read so far after a stop signal).
std::vector<std::string> CheckProteome(const RoadOptions &options, const Recipe &recipe);

// The pictures replace their files whole: none may be one of the run's
// inputs (a FASTA file kept as NAME.svg, say, or a link to one). Each
// picture is held against the inputs every protein shares and its own
// companion files.
void RefusePicturesOverInputs(const RoadRun &run, const RoadOptions &options);

}  // namespace linkerkit
