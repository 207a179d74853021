// The report's linkers for people and spreadsheets, and the pieces of a
// report line the pictures need.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace linkerkit {

// One reported linker, positions counted from 1.
struct ReportedLinker {
  std::string protein;
  int start;
  int end;
  int peak_position;
  std::string score;  // the peak score as the report prints it
  int protein_length;
};

// The report's lines "NAME|START,END|RUN LENGTH|PEAK|LENGTH|PEAK POSITION|I"
// (positions from 0); "No prediction" gives none. Fails naming the line of
// any other line.
std::vector<ReportedLinker> ReadReportedLinkers(const std::string &report_text, const std::string &path);

// A header line, then one tab-separated line per linker.
std::string FormatLinkerTable(const std::vector<ReportedLinker> &linkers);

}  // namespace linkerkit
