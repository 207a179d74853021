#include "score_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "cnumber.h"
#include "lines.h"

namespace linkerkit {

namespace {

constexpr double kWidth = 900;
constexpr double kHeight = 360;
constexpr double kTop = 50;
constexpr double kBottom = 290;  // the x axis
// Between a linker's range and its note: a middle dot in UTF-8.
constexpr const char *kNoteSeparator = " \xC2\xB7 ";

std::string Number(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

std::string Escaped(const std::string &text) {
  std::string escaped;
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

// A step of 1, 2 or 5 times a power of ten giving about `ticks` ticks over span.
double TickStep(double span, int ticks) {
  const double raw = span / ticks;
  const double power = std::pow(10.0, std::floor(std::log10(raw)));
  for (const double factor : {1.0, 2.0, 5.0}) {
    if (factor * power >= raw) return factor * power;
  }
  return 10 * power;
}

std::string TickLabel(double value, double step) {
  char text[64];
  const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step)));
  std::snprintf(text, sizeof text, "%.*f", decimals, std::abs(value) < step / 1e6 ? 0.0 : value);
  return text;
}

}  // namespace

std::string DrawScorePlot(const ScorePlot &plot) {
  const int n = static_cast<int>(plot.scores.size());
  const double residue_width = kPlotWidth / std::max(n, 1);
  const auto residue_left = [&](int residue) { return kPlotLeft + (residue - 1) * residue_width; };

  double low = plot.threshold, high = plot.threshold;
  for (const double score : plot.scores) {
    if (!std::isfinite(score)) continue;
    low = std::min(low, score);
    high = std::max(high, score);
  }
  if (high - low < 1e-9) {
    low -= 1;
    high += 1;
  }
  const double margin = (high - low) * 0.05;
  low -= margin;
  high += margin;
  const auto y_of = [&](double value) { return kBottom - (value - low) / (high - low) * (kBottom - kTop); };

  std::string svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Number(kWidth) + "\" height=\"" + Number(kHeight) +
         "\" viewBox=\"0 0 " + Number(kWidth) + " " + Number(kHeight) +
         "\" font-family=\"sans-serif\" font-size=\"12\">\n";
  svg += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  svg += "<text x=\"" + Number(kWidth / 2) +
         "\" y=\"22\" text-anchor=\"middle\" font-size=\"15\" font-weight=\"bold\">" + Escaped(plot.protein) + " (" +
         std::to_string(n) + " residues)</text>\n";

  for (const auto &[start, end, note] : plot.linkers) {
    svg += "<rect class=\"linker\" x=\"" + Number(residue_left(start)) + "\" y=\"" + Number(kTop) + "\" width=\"" +
           Number((end - start + 1) * residue_width) + "\" height=\"" + Number(kBottom - kTop) +
           "\" fill=\"#f4a261\" fill-opacity=\"0.35\"/>\n";
    svg += "<text class=\"linker-label\" x=\"" + Number(residue_left(start) + (end - start + 1) * residue_width / 2) +
           "\" y=\"" + Number(kTop - 4) + "\" text-anchor=\"middle\" fill=\"#b5520f\">" + std::to_string(start) + "-" +
           std::to_string(end) + (note.empty() ? "" : kNoteSeparator + Escaped(note)) + "</text>\n";
  }
  for (const auto &[start, end] : plot.truth) {
    svg += "<rect class=\"truth\" x=\"" + Number(residue_left(start)) + "\" y=\"" + Number(kBottom - 10) +
           "\" width=\"" + Number((end - start + 1) * residue_width) +
           "\" height=\"10\" fill=\"#2a9d8f\" fill-opacity=\"0.6\" stroke=\"#1d6f65\" stroke-dasharray=\"3,2\"/>\n";
  }

  // Axes and ticks.
  svg += "<g stroke=\"black\" fill=\"none\">\n";
  svg += "<line x1=\"" + Number(kPlotLeft) + "\" y1=\"" + Number(kBottom) + "\" x2=\"" +
         Number(kPlotLeft + kPlotWidth) + "\" y2=\"" + Number(kBottom) + "\"/>\n";
  svg += "<line x1=\"" + Number(kPlotLeft) + "\" y1=\"" + Number(kTop) + "\" x2=\"" + Number(kPlotLeft) + "\" y2=\"" +
         Number(kBottom) + "\"/>\n</g>\n";
  const double x_step = TickStep(std::max(n, 1), 10);
  for (double residue = x_step; residue <= n; residue += x_step) {
    const double x = residue_left(static_cast<int>(residue)) + residue_width / 2;
    svg += "<line x1=\"" + Number(x) + "\" y1=\"" + Number(kBottom) + "\" x2=\"" + Number(x) + "\" y2=\"" +
           Number(kBottom + 5) + "\" stroke=\"black\"/>\n";
    svg += "<text x=\"" + Number(x) + "\" y=\"" + Number(kBottom + 18) + "\" text-anchor=\"middle\">" +
           TickLabel(residue, x_step) + "</text>\n";
  }
  const double y_step = TickStep(high - low, 5);
  for (double value = std::ceil(low / y_step) * y_step; value <= high; value += y_step) {
    const double y = y_of(value);
    svg += "<line x1=\"" + Number(kPlotLeft - 5) + "\" y1=\"" + Number(y) + "\" x2=\"" + Number(kPlotLeft) +
           "\" y2=\"" + Number(y) + "\" stroke=\"black\"/>\n";
    svg += "<text x=\"" + Number(kPlotLeft - 8) + "\" y=\"" + Number(y + 4) + "\" text-anchor=\"end\">" +
           TickLabel(value, y_step) + "</text>\n";
  }
  svg += "<text x=\"" + Number(kPlotLeft + kPlotWidth / 2) + "\" y=\"" + Number(kBottom + 38) +
         "\" text-anchor=\"middle\">residue</text>\n";
  svg += "<text transform=\"translate(18 " + Number((kTop + kBottom) / 2) + ") rotate(-90)\" text-anchor=\"middle\">" +
         Escaped(plot.score_label) + "</text>\n";

  // The threshold, then the score over it.
  const double threshold_y = y_of(plot.threshold);
  svg += "<line class=\"threshold\" x1=\"" + Number(kPlotLeft) + "\" y1=\"" + Number(threshold_y) + "\" x2=\"" +
         Number(kPlotLeft + kPlotWidth) + "\" y2=\"" + Number(threshold_y) +
         "\" stroke=\"#d62828\" stroke-dasharray=\"6,4\"/>\n";
  std::string points;
  const auto flush = [&] {
    if (!points.empty())
      svg += "<polyline class=\"score\" fill=\"none\" stroke=\"#1d3557\" points=\"" + points + "\"/>\n";
    points.clear();
  };
  for (int i = 0; i < n; ++i) {
    if (!std::isfinite(plot.scores[i])) {
      flush();
      continue;
    }
    if (!points.empty()) points += ' ';
    points += Number(residue_left(i + 1) + residue_width / 2) + "," + Number(y_of(plot.scores[i]));
  }
  flush();

  // The legend.
  const double legend_y = kHeight - 12;
  svg += "<line x1=\"" + Number(kPlotLeft) + "\" y1=\"" + Number(legend_y - 4) + "\" x2=\"" + Number(kPlotLeft + 24) +
         "\" y2=\"" + Number(legend_y - 4) + "\" stroke=\"#1d3557\"/>\n";
  svg += "<text x=\"" + Number(kPlotLeft + 30) + "\" y=\"" + Number(legend_y) + "\">score</text>\n";
  svg += "<line x1=\"" + Number(kPlotLeft + 90) + "\" y1=\"" + Number(legend_y - 4) + "\" x2=\"" +
         Number(kPlotLeft + 114) + "\" y2=\"" + Number(legend_y - 4) +
         "\" stroke=\"#d62828\" stroke-dasharray=\"6,4\"/>\n";
  svg += "<text x=\"" + Number(kPlotLeft + 120) + "\" y=\"" + Number(legend_y) + "\">threshold " +
         Escaped(plot.threshold_text) + "</text>\n";
  svg += "<rect x=\"" + Number(kPlotLeft + 250) + "\" y=\"" + Number(legend_y - 10) +
         "\" width=\"24\" height=\"10\" fill=\"#f4a261\" fill-opacity=\"0.35\"/>\n";
  svg += "<text x=\"" + Number(kPlotLeft + 280) + "\" y=\"" + Number(legend_y) + "\">predicted linker</text>\n";
  if (!plot.truth.empty()) {
    svg += "<rect x=\"" + Number(kPlotLeft + 410) + "\" y=\"" + Number(legend_y - 10) +
           "\" width=\"24\" height=\"10\" fill=\"#2a9d8f\" fill-opacity=\"0.6\"/>\n";
    svg += "<text x=\"" + Number(kPlotLeft + 440) + "\" y=\"" + Number(legend_y) + "\">known region</text>\n";
  }
  svg += "</svg>\n";
  return svg;
}

std::vector<double> ReadScoreValues(const std::string &path) {
  std::vector<double> values;
  ForEachLine(path, [&](std::string_view line, std::size_t) { values.push_back(ReadCDouble(line.data())); });
  return values;
}

}  // namespace linkerkit
