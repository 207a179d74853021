// A model's calibration: how often, on proteins kept out of training, a
// reported linker with a given peak score lay at a true domain boundary, and
// how often a protein with a given highest score had more than one domain.
// The file "calibration" in the model folder:
//
//   # comment lines start with '#'; blank lines are skipped
//   linker FROM PROBABILITY
//   protein FROM PROBABILITY
//
// Rows of each kind in ascending FROM (a number, or -inf), PROBABILITY from
// 0 to 1; both kinds must be there.
#pragma once

#include <string>
#include <vector>

namespace linkerkit {

struct CalibrationRow {
  double from;
  double probability;
};

struct Calibration {
  std::vector<CalibrationRow> linker;   // by a linker's peak score
  std::vector<CalibrationRow> protein;  // by a protein's highest score
};

// Fails with "PATH line N: problem" for a malformed line and with
// "PATH: problem" when a kind has no row; "cannot open PATH" when it cannot
// be read.
Calibration ReadCalibration(const std::string &path);

// The probability of the row with the largest FROM at or below value; a
// value below every FROM, or nan, takes the lowest row's. rows is not empty.
double CalibratedProbability(const std::vector<CalibrationRow> &rows, double value);

}  // namespace linkerkit
