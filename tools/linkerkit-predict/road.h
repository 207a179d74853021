// linkerkit-predict: a FASTA file of one protein or a proteome to a linker
// report, with the feature recipe, classifier and report settings of a
// model folder. The report goes to standard output; progress and messages
// go to standard error.
#pragma once

#include <span>
#include <string>

namespace linkerkit {

// Where the road finds the shipped models and scales, and reprof's driver.
struct RoadPlaces {
  std::string data_dir;
  std::string bin_dir;
};

// Runs the road; returns the exit status: 0, 1 after a failure (one line on
// standard error), 130 or 143 after SIGINT or SIGTERM.
int RunRoad(std::span<char *const> arguments, const RoadPlaces &places);

}  // namespace linkerkit
