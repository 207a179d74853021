// The report's linkers for people and spreadsheets, and the pieces of a
// report line the pictures need.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace linkerkit {

// One linker the caller reported, positions counted from 1.
struct CalledLinker {
  std::string protein;
  int start;
  int end;
  int peak_position;
  std::string score;  // the peak score as the report prints it
  int protein_length;
  std::string line;                  // the report line itself, without its line feed
  std::optional<double> confidence;  // where the model has a calibration
};

// The report's lines "NAME|START,END|RUN LENGTH|PEAK|LENGTH|PEAK POSITION|I"
// (positions from 0); "No prediction" gives none. Fails naming the line of
// any other line.
std::vector<CalledLinker> ReadCalledLinkers(const std::string &report_text, const std::string &path);

// The report of these linkers: their lines in order, or "No prediction".
std::string FormatReportLines(const std::vector<CalledLinker> &linkers);

// A probability as the tables print it: "%.3f", or "-" when there is none.
std::string ProbabilityText(std::optional<double> probability);

// A header line, then one tab-separated line per linker: protein, start,
// end, peak_position, score, confidence, protein_length.
std::string FormatLinkerTable(const std::vector<CalledLinker> &linkers);

// One protein of the run, for proteins.tsv.
struct ProteinSummary {
  std::string name;
  int length;
  int linkers;                                     // reported
  std::optional<double> highest_score;             // none when every score is nan
  std::optional<double> multi_domain_probability;  // where the model has a calibration
};

// A header line, then one tab-separated line per protein: protein, length,
// linkers, highest_score ("%f", "-" when none), multi_domain_probability.
std::string FormatProteinTable(const std::vector<ProteinSummary> &proteins);

}  // namespace linkerkit
