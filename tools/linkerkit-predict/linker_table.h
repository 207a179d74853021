// The report's linkers for people and spreadsheets, and the pieces of a
// report line the pictures need.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

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

// A report line "NAME|START,END|RUN LENGTH|PEAK|LENGTH|PEAK POSITION|I"
// (positions from 0), line number of path; none for "No prediction". Fails
// naming the line of any other line.
std::optional<CalledLinker> ReadCalledLinker(std::string_view line, const std::string &path, std::size_t number);

// A probability as the tables print it: "%.3f", or "-" when there is none.
std::string ProbabilityText(std::optional<double> probability);

// linkers.tsv: this header line, then one tab-separated line per linker.
inline constexpr std::string_view kLinkerTableHeader =
    "protein\tstart\tend\tpeak_position\tscore\tconfidence\tprotein_length\n";
std::string LinkerTableLine(const CalledLinker &linker);

// One protein of the run, for proteins.tsv.
struct ProteinSummary {
  std::string name;
  int length;
  int linkers;                                     // reported
  std::optional<double> highest_score;             // none when every score is nan
  std::optional<double> multi_domain_probability;  // where the model has a calibration
};

// proteins.tsv: this header line, then one tab-separated line per protein:
// highest_score "%f", "-" when none.
inline constexpr std::string_view kProteinTableHeader =
    "protein\tlength\tlinkers\thighest_score\tmulti_domain_probability\n";
std::string ProteinTableLine(const ProteinSummary &protein);

}  // namespace linkerkit
