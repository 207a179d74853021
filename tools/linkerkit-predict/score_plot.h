// A picture of one protein's prediction: the score along the chain, the
// threshold, the called linkers shaded and labelled with their ranges, and
// the true regions where they are known, as a standalone SVG.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace linkerkit {

// Residue i (from 1) of n spans [kPlotLeft + (i - 1) w, kPlotLeft + i w]
// with w = kPlotWidth / n.
inline constexpr double kPlotLeft = 70;
inline constexpr double kPlotWidth = 810;

// A linker drawn: its range from 1, both ends included, and what its label
// adds to the range (its confidence, say); empty for nothing.
struct PlotLinker {
  int start;
  int end;
  std::string note;
};

struct ScorePlot {
  std::string protein;
  std::string score_label;     // the y axis: what the scores are
  std::vector<double> scores;  // one per residue; a NaN leaves a gap
  double threshold = 0;
  std::string threshold_text;  // as the report was given it
  std::vector<PlotLinker> linkers;
  std::vector<std::pair<int, int>> truth;
};

std::string DrawScorePlot(const ScorePlot &plot);

// The values of a score file's lines, "VALUE #NAME POSITION LENGTH".
std::vector<double> ReadScoreValues(const std::string &path);

}  // namespace linkerkit
