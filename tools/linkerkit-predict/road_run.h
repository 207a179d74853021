// What every part of a run shares: the workers, one protein's steps and the
// final steps read it, none changes it.
#pragma once

#include <string>
#include <vector>

#include "memory_steps.h"
#include "recipe.h"
#include "road_options.h"

namespace linkerkit {

struct RoadRun {
  RoadOptions options;
  Model model;
  std::string scales_dir;
  ResidueScales scales;  // read for the road in memory alone
  std::string bin_dir;
  std::vector<std::string> names;  // in FASTA order
};

}  // namespace linkerkit
