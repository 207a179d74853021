#include "calibration.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <sstream>

#include "cnumber.h"
#include "failure.h"
#include "lines.h"

namespace linkerkit {

Calibration ReadCalibration(const std::string &path) {
  Calibration calibration;
  ForEachLine(path, [&](std::string_view text, std::size_t number) {
    const auto fail = [&](const std::string &problem) { FailAtLine(path, number, problem); };
    std::istringstream fields{std::string(text)};
    std::string kind, from_text, probability_text, extra;
    if (!(fields >> kind)) return;  // a blank line
    if (kind[0] == '#') return;
    if (!(fields >> from_text >> probability_text) || fields >> extra || (kind != "linker" && kind != "protein")) {
      fail("expected 'linker FROM PROBABILITY' or 'protein FROM PROBABILITY'");
    }
    std::optional<double> from = ReadWholeCDouble(from_text);
    if (from_text == "-inf") {
      from = -std::numeric_limits<double>::infinity();
    } else if (from && !std::isfinite(*from)) {
      from.reset();
    }
    if (!from) fail("FROM '" + from_text + "' is not a finite number or -inf");
    const std::optional<double> probability = ReadWholeCDouble(probability_text);
    if (!probability || !(*probability >= 0 && *probability <= 1)) {
      fail("PROBABILITY '" + probability_text + "' is not a number from 0 to 1");
    }
    std::vector<CalibrationRow> &rows = kind == "linker" ? calibration.linker : calibration.protein;
    if (!rows.empty() && !(*from > rows.back().from)) fail(kind + " rows must rise in FROM");
    rows.push_back({*from, *probability});
  });
  if (calibration.linker.empty()) FailInFile(path, "no 'linker' row");
  if (calibration.protein.empty()) FailInFile(path, "no 'protein' row");
  return calibration;
}

double CalibratedProbability(const std::vector<CalibrationRow> &rows, double value) {
  if (std::isnan(value)) return rows.front().probability;
  // The first row whose FROM lies above value; the one before it applies.
  const auto above = std::upper_bound(rows.begin(), rows.end(), value,
                                      [](double v, const CalibrationRow &row) { return v < row.from; });
  return above == rows.begin() ? rows.front().probability : std::prev(above)->probability;
}

}  // namespace linkerkit
