// Judges a linker report against the known domains of its proteins. Each
// reported linker predicts one domain boundary, at its middle; a predicted and
// a true boundary within the tolerance of each other are a match, and the
// matches give each protein's and the whole set's precision and recall.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "program.h"

namespace linkerkit {

// A boundary may lie halfway between two residues (150.5), so positions are
// held doubled (301) and stay exact integers.
using DoubledPosition = long long;

struct Domain {
  int start;  // from 1, both ends included
  int end;
};

struct TruthProtein {
  std::string name;
  int length;
  std::size_t first_line;  // where the protein first appears, for messages
  std::vector<Domain> domains;
};

struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>()(name); }
};

struct DomainTruth {
  std::vector<TruthProtein> proteins;  // in order of first appearance
  std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>> index_by_name;
};

// The domain region file: one region line per domain, a protein's lines in
// any order and anywhere in the file; blank lines are skipped. Fails naming
// the line when a line is malformed, a protein's length changes between its
// lines or two of its domains share residues, and with "PATH: no domains"
// when no line holds one.
DomainTruth ReadDomainTruth(const std::string &path);

// The boundaries between consecutive domains (sorted by start, then end):
// end_i + start_i+1, the doubled middle of the gap between them, ascending.
std::vector<DoubledPosition> TrueBoundaries(std::vector<Domain> domains);

// A report line, NAME|START,END|RUN_LENGTH|PEAK_VALUE|LENGTH|PEAK_POSITION|RANK
// with positions from 0, as ReportDomainHinges writes it.
struct ReportedLinker {
  std::string_view name;  // points into the line
  int start;
  int end;
  int protein_length;
};

// Empty for the "No prediction" line, which names no protein. Fails naming
// the line when it has not the seven fields, START, END or LENGTH is not a
// whole decimal number, or the range is reversed or beyond the protein.
std::optional<ReportedLinker> ParseReportLine(std::string_view line, std::string_view path, std::size_t line_number);

// The linker's middle as a position from 1, doubled.
inline DoubledPosition PredictedBoundary(const ReportedLinker &linker) {
  return static_cast<DoubledPosition>(linker.start) + linker.end + 2;
}

// Each truth protein's predicted boundaries, in the truth's protein order,
// in report order. A protein the report does not name has none. Fails naming the
// line when the report names a protein the truth lacks or gives it another
// length.
std::vector<std::vector<DoubledPosition>> ReadPredictedBoundaries(const std::string &report_path,
                                                                  const DomainTruth &truth,
                                                                  const std::string &truth_path);

// Pairs true and predicted boundaries (both ascending) at most
// doubled_tolerance apart, nearest pairs first (ties: the smaller true, then
// the smaller predicted position), each boundary in one pair at most.
// Returns the number of pairs.
std::size_t CountMatches(const std::vector<DoubledPosition> &true_boundaries,
                         const std::vector<DoubledPosition> &predicted_boundaries, DoubledPosition doubled_tolerance);

struct ProteinEvaluation {
  const TruthProtein *protein;
  std::vector<DoubledPosition> true_boundaries;
  std::vector<DoubledPosition> predicted_boundaries;
  std::size_t matched;
};

ProteinEvaluation EvaluateProtein(const TruthProtein &protein, std::vector<DoubledPosition> predicted_boundaries,
                                  int tolerance);

struct EvaluationSummary {
  std::size_t proteins = 0;
  std::size_t true_boundaries = 0;
  std::size_t predicted_boundaries = 0;
  std::size_t matched = 0;
  double precision = 0;  // pooled over the proteins; 0 when undefined
  double recall = 0;
  double f1 = 0;
  double mean_protein_f1 = 0;  // over the proteins with a true boundary
  std::size_t proteins_with_boundaries = 0;
  // Proteins whose predicted boundaries split them into as many domains as
  // they have.
  double domain_number_accuracy = 0;
};

EvaluationSummary Summarise(const std::vector<ProteinEvaluation> &evaluations);

// The table of one row per protein and the summary lines.
std::string FormatEvaluation(const std::vector<ProteinEvaluation> &evaluations, const EvaluationSummary &summary);

// EvaluateLinkers [report file] [domain region file] [tolerance]
void RunEvaluateLinkers(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
