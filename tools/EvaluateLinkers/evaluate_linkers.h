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

// The position as the table shows it: from 1, ".5" for a half.
void AppendDoubledPosition(std::string &out, DoubledPosition position);

// One region line of the truth: a domain, or with domain ids one segment of
// a domain that may be split into several.
struct Domain {
  int start;  // from 1, both ends included
  int end;
  int id = 0;  // the protein's domain the segment belongs to, from 1; 0: a domain by itself
};

// How the region lines of the truth make domains.
enum class DomainIds {
  kNone,         // each line is a domain
  kInTypeField,  // the TYPE field names the domain; its segments need not be contiguous
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

// The domain region file: one region line per domain (or per segment with
// DomainIds::kInTypeField), a protein's lines in any order and anywhere in
// the file; blank lines are skipped. Fails naming the line when a line is
// malformed, a protein's length changes between its lines, a domain is
// listed twice, or with domain ids a TYPE field is empty or two segments
// share residues; and with "PATH: no domains" when no line holds one.
DomainTruth ReadDomainTruth(const std::string &path, DomainIds ids = DomainIds::kNone);

// The boundaries between consecutive domains (sorted by start, then end)
// that are not segments of one domain: end_i + start_i+1, the doubled
// middle of the gap between them, ascending.
std::vector<DoubledPosition> TrueBoundaries(std::vector<Domain> domains);

// How many domains the segments make: one per segment of id 0, one per
// other id.
std::size_t DomainCount(const std::vector<Domain> &domains);

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

struct BoundaryMatches {
  std::size_t count;
  std::vector<bool> predicted_matched;  // by predicted boundary: whether it is in a pair
};

// Pairs true and predicted boundaries (both ascending) at most
// doubled_tolerance apart, nearest pairs first (ties: the smaller true, then
// the smaller predicted position), each boundary in one pair at most.
BoundaryMatches MatchBoundaries(const std::vector<DoubledPosition> &true_boundaries,
                                const std::vector<DoubledPosition> &predicted_boundaries,
                                DoubledPosition doubled_tolerance);
// The number of those pairs.
std::size_t CountMatches(const std::vector<DoubledPosition> &true_boundaries,
                         const std::vector<DoubledPosition> &predicted_boundaries, DoubledPosition doubled_tolerance);

struct ProteinEvaluation {
  const TruthProtein *protein;
  std::vector<DoubledPosition> true_boundaries;
  std::vector<DoubledPosition> predicted_boundaries;  // ascending
  std::size_t matched;
  std::vector<bool> predicted_matched;  // by predicted boundary
};

ProteinEvaluation EvaluateProtein(const TruthProtein &protein, std::vector<DoubledPosition> predicted_boundaries,
                                  int tolerance);
// The same with the protein's TrueBoundaries worked out before, for callers
// that judge one protein many times.
ProteinEvaluation EvaluateProtein(const TruthProtein &protein, std::vector<DoubledPosition> true_boundaries,
                                  std::vector<DoubledPosition> predicted_boundaries, int tolerance);

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
  // they have (DomainCount).
  double domain_number_accuracy = 0;
};

EvaluationSummary Summarise(const std::vector<ProteinEvaluation> &evaluations);

// The table of one row per protein and the summary lines.
std::string FormatEvaluation(const std::vector<ProteinEvaluation> &evaluations, const EvaluationSummary &summary);

// The tolerance argument: a whole number of residues.
int ReadTolerance(const char *argument);
inline constexpr int kDefaultTolerance = 20;

// "--domain-ids": the TYPE field of a domain line names its domain.
inline constexpr ProgramOption kEvaluateOptions[] = {{"--domain-ids", false}};

// EvaluateLinkers [--domain-ids] [report file] [domain region file] [tolerance]
void RunEvaluateLinkers(const GivenOptions &options, Arguments arguments, std::FILE *out);

}  // namespace linkerkit
