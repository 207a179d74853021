#include "evaluate_linkers.h"

#include <algorithm>
#include <cstdlib>
#include <tuple>
#include <unordered_map>

#include "cnumber.h"
#include "failure.h"
#include "lines.h"
#include "output_file.h"
#include "region.h"
#include "track.h"

namespace linkerkit {

namespace {

struct DomainLine {
  Domain domain;
  std::size_t line_number;
};

bool ByStartThenEnd(const Domain &a, const Domain &b) { return std::tie(a.start, a.end) < std::tie(b.start, b.end); }

std::string RangeText(const Domain &domain) { return std::to_string(domain.start) + "," + std::to_string(domain.end); }

// Domain annotations may abut or overlap (the boundary then lies in the
// middle of the overlap), but the same domain twice means a protein's lines
// were listed twice, which would add a boundary that is not there.
void CheckNoRepeatedDomain(const TruthProtein &protein, std::vector<DomainLine> lines, const std::string &path) {
  std::sort(lines.begin(), lines.end(), [](const DomainLine &a, const DomainLine &b) {
    return std::tie(a.domain.start, a.domain.end, a.line_number) <
           std::tie(b.domain.start, b.domain.end, b.line_number);
  });
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const DomainLine &earlier = lines[i - 1];
    const DomainLine &later = lines[i];
    if (later.domain.start != earlier.domain.start || later.domain.end != earlier.domain.end) continue;
    FailAtLine(path, later.line_number,
               "domain " + RangeText(later.domain) + " of " + protein.name + " repeats line " +
                   std::to_string(earlier.line_number));
  }
}

// Segments of one domain lie apart, and another domain's between them; a
// segment that shares residues with another is a mistake in the ids, which
// would put a boundary inside a domain.
void CheckNoOverlap(const TruthProtein &protein, std::vector<DomainLine> lines, const std::string &path) {
  std::sort(lines.begin(), lines.end(), [](const DomainLine &a, const DomainLine &b) {
    return std::tie(a.domain.start, a.domain.end, a.line_number) <
           std::tie(b.domain.start, b.domain.end, b.line_number);
  });
  // The segment reaching furthest so far is the one a later start may fall in.
  const DomainLine *furthest = nullptr;
  for (const DomainLine &line : lines) {
    if (furthest && line.domain.start <= furthest->domain.end) {
      const bool line_is_later = line.line_number > furthest->line_number;
      const DomainLine &later = line_is_later ? line : *furthest;
      const DomainLine &earlier = line_is_later ? *furthest : line;
      FailAtLine(path, later.line_number,
                 "segment " + RangeText(later.domain) + " of " + protein.name + " overlaps line " +
                     std::to_string(earlier.line_number));
    }
    if (!furthest || line.domain.end > furthest->domain.end) furthest = &line;
  }
}

void AppendPositions(std::string &out, const std::vector<DoubledPosition> &positions) {
  if (positions.empty()) {
    out += '-';
    return;
  }
  for (std::size_t i = 0; i < positions.size(); ++i) {
    if (i > 0) out += ',';
    AppendDoubledPosition(out, positions[i]);
  }
}

// numerator / denominator with six decimals, or "-" when undefined.
void AppendRatio(std::string &out, std::size_t numerator, std::size_t denominator) {
  if (denominator == 0) {
    out += '-';
  } else {
    AppendFixed6(out, static_cast<double>(numerator) / static_cast<double>(denominator));
  }
}

double RatioOrZero(std::size_t numerator, std::size_t denominator) {
  return denominator == 0 ? 0.0 : static_cast<double>(numerator) / static_cast<double>(denominator);
}

bool SameDomain(const Domain &a, const Domain &b) { return a.id != 0 && a.id == b.id; }

}  // namespace

void AppendDoubledPosition(std::string &out, DoubledPosition position) {
  AppendInt(out, position / 2);
  if (position % 2 != 0) out += ".5";
}

int ReadTolerance(const char *argument) {
  const auto tolerance = ReadWholeNumber(argument);
  if (!tolerance) Fail(std::string("invalid tolerance: ") + argument);
  return *tolerance;
}

DomainTruth ReadDomainTruth(const std::string &path, DomainIds ids) {
  DomainTruth truth;
  std::vector<std::vector<DomainLine>> domain_lines;
  // Each protein's domain ids, numbered from 1 in order of appearance.
  std::vector<std::unordered_map<std::string, int>> id_numbers;
  ForEachRegionFileLine(path, [&](std::string_view line, std::size_t number) {
    if (line.empty()) return;
    const Region region = ParseRegionLine(line, path, number);
    auto found = truth.index_by_name.find(region.name);
    if (found == truth.index_by_name.end()) {
      found = truth.index_by_name.emplace(std::string(region.name), truth.proteins.size()).first;
      truth.proteins.push_back(TruthProtein{std::string(region.name), region.protein_length, number, {}});
      domain_lines.emplace_back();
      id_numbers.emplace_back();
    }
    TruthProtein &protein = truth.proteins[found->second];
    if (region.protein_length != protein.length) {
      FailAtLine(path, number,
                 "protein length " + std::to_string(region.protein_length) + " of " + protein.name + " differs from " +
                     std::to_string(protein.length) + " on line " + std::to_string(protein.first_line));
    }
    int id = 0;
    if (ids == DomainIds::kInTypeField) {
      if (region.type.empty()) FailAtLine(path, number, "no domain id in the TYPE field");
      auto &numbers = id_numbers[found->second];
      id = numbers.try_emplace(std::string(region.type), static_cast<int>(numbers.size()) + 1).first->second;
    }
    protein.domains.push_back(Domain{region.start, region.end, id});
    domain_lines[found->second].push_back(DomainLine{protein.domains.back(), number});
  });
  if (truth.proteins.empty()) FailInFile(path, "no domains");
  for (std::size_t i = 0; i < truth.proteins.size(); ++i) {
    CheckNoRepeatedDomain(truth.proteins[i], domain_lines[i], path);
    if (ids == DomainIds::kInTypeField) CheckNoOverlap(truth.proteins[i], domain_lines[i], path);
  }
  return truth;
}

std::vector<DoubledPosition> TrueBoundaries(std::vector<Domain> domains) {
  std::sort(domains.begin(), domains.end(), ByStartThenEnd);
  std::vector<DoubledPosition> boundaries;
  for (std::size_t i = 1; i < domains.size(); ++i) {
    if (SameDomain(domains[i - 1], domains[i])) continue;
    boundaries.push_back(static_cast<DoubledPosition>(domains[i - 1].end) + domains[i].start);
  }
  // Domains that overlap could give a boundary out of order.
  std::sort(boundaries.begin(), boundaries.end());
  return boundaries;
}

std::size_t DomainCount(const std::vector<Domain> &domains) {
  std::size_t count = 0;
  for (std::size_t i = 0; i < domains.size(); ++i) {
    // An id counts at its first segment; proteins have a handful of them.
    const auto first = std::find_if(domains.begin(), domains.begin() + static_cast<std::ptrdiff_t>(i),
                                    [&](const Domain &earlier) { return SameDomain(earlier, domains[i]); });
    if (first == domains.begin() + static_cast<std::ptrdiff_t>(i)) ++count;
  }
  return count;
}

std::optional<ReportedLinker> ParseReportLine(std::string_view line, std::string_view path, std::size_t line_number) {
  if (line == "No prediction") return std::nullopt;
  const std::vector<std::string_view> fields = SplitFields(line, '|');
  if (fields.size() != 7) {
    FailAtLine(path, line_number, "not NAME|START,END|RUN_LENGTH|PEAK_VALUE|LENGTH|PEAK_POSITION|RANK");
  }
  if (fields[0].empty()) FailAtLine(path, line_number, "no protein name");
  const Range range = ReadRangeField(fields[1], path, line_number);
  const int protein_length = ReadNumberField(fields[4], "length", path, line_number);
  // Report positions count from 0.
  if (range.end >= protein_length) {
    FailAtLine(
        path, line_number,
        "range ends at " + std::to_string(range.end) + ", beyond the protein length " + std::to_string(protein_length));
  }
  return ReportedLinker{fields[0], range.start, range.end, protein_length};
}

std::vector<std::vector<DoubledPosition>> ReadPredictedBoundaries(const std::string &report_path,
                                                                  const DomainTruth &truth,
                                                                  const std::string &truth_path) {
  std::vector<std::vector<DoubledPosition>> boundaries(truth.proteins.size());
  ForEachLine(report_path, [&](std::string_view line, std::size_t number) {
    if (line.empty()) return;
    const auto linker = ParseReportLine(line, report_path, number);
    if (!linker) return;
    const auto found = truth.index_by_name.find(linker->name);
    if (found == truth.index_by_name.end()) {
      FailAtLine(report_path, number, "protein " + std::string(linker->name) + " is not in " + truth_path);
    }
    const TruthProtein &protein = truth.proteins[found->second];
    // Another length means another sequence, whose positions do not match
    // the domains'.
    if (linker->protein_length != protein.length) {
      FailAtLine(report_path, number,
                 "length " + std::to_string(linker->protein_length) + " of " + protein.name + " differs from " +
                     std::to_string(protein.length) + " in " + truth_path + " line " +
                     std::to_string(protein.first_line));
    }
    boundaries[found->second].push_back(PredictedBoundary(*linker));
  });
  return boundaries;
}

BoundaryMatches MatchBoundaries(const std::vector<DoubledPosition> &true_boundaries,
                                const std::vector<DoubledPosition> &predicted_boundaries,
                                DoubledPosition doubled_tolerance) {
  struct Pair {
    DoubledPosition distance;
    std::size_t true_index;
    std::size_t predicted_index;
  };
  // Both lists are ascending, so index order is position order, and each
  // true boundary's partners within reach form one stretch of predictions.
  std::vector<Pair> pairs;
  const std::size_t predicted_count = predicted_boundaries.size();
  std::size_t first_in_reach = 0;
  for (std::size_t t = 0; t < true_boundaries.size(); ++t) {
    const DoubledPosition truth = true_boundaries[t];
    while (first_in_reach < predicted_count && predicted_boundaries[first_in_reach] < truth - doubled_tolerance) {
      ++first_in_reach;
    }
    for (std::size_t p = first_in_reach; p < predicted_count && predicted_boundaries[p] <= truth + doubled_tolerance;
         ++p) {
      pairs.push_back(Pair{std::llabs(truth - predicted_boundaries[p]), t, p});
    }
  }
  std::sort(pairs.begin(), pairs.end(), [](const Pair &a, const Pair &b) {
    return std::tie(a.distance, a.true_index, a.predicted_index) <
           std::tie(b.distance, b.true_index, b.predicted_index);
  });
  std::vector<bool> true_used(true_boundaries.size());
  BoundaryMatches matches{0, std::vector<bool>(predicted_boundaries.size())};
  for (const Pair &pair : pairs) {
    if (true_used[pair.true_index] || matches.predicted_matched[pair.predicted_index]) continue;
    true_used[pair.true_index] = true;
    matches.predicted_matched[pair.predicted_index] = true;
    ++matches.count;
  }
  return matches;
}

std::size_t CountMatches(const std::vector<DoubledPosition> &true_boundaries,
                         const std::vector<DoubledPosition> &predicted_boundaries, DoubledPosition doubled_tolerance) {
  return MatchBoundaries(true_boundaries, predicted_boundaries, doubled_tolerance).count;
}

ProteinEvaluation EvaluateProtein(const TruthProtein &protein, std::vector<DoubledPosition> predicted_boundaries,
                                  int tolerance) {
  return EvaluateProtein(protein, TrueBoundaries(protein.domains), std::move(predicted_boundaries), tolerance);
}

ProteinEvaluation EvaluateProtein(const TruthProtein &protein, std::vector<DoubledPosition> true_boundaries,
                                  std::vector<DoubledPosition> predicted_boundaries, int tolerance) {
  std::sort(predicted_boundaries.begin(), predicted_boundaries.end());
  BoundaryMatches matches =
      MatchBoundaries(true_boundaries, predicted_boundaries, 2 * static_cast<DoubledPosition>(tolerance));
  return ProteinEvaluation{&protein, std::move(true_boundaries), std::move(predicted_boundaries), matches.count,
                           std::move(matches.predicted_matched)};
}

EvaluationSummary Summarise(const std::vector<ProteinEvaluation> &evaluations) {
  EvaluationSummary summary;
  double f1_sum = 0;
  std::size_t right_domain_number = 0;
  for (const ProteinEvaluation &evaluation : evaluations) {
    const std::size_t true_count = evaluation.true_boundaries.size();
    const std::size_t predicted_count = evaluation.predicted_boundaries.size();
    ++summary.proteins;
    summary.true_boundaries += true_count;
    summary.predicted_boundaries += predicted_count;
    summary.matched += evaluation.matched;
    if (true_count > 0) {
      ++summary.proteins_with_boundaries;
      f1_sum += RatioOrZero(2 * evaluation.matched, true_count + predicted_count);
    }
    if (predicted_count + 1 == DomainCount(evaluation.protein->domains)) ++right_domain_number;
  }
  summary.precision = RatioOrZero(summary.matched, summary.predicted_boundaries);
  summary.recall = RatioOrZero(summary.matched, summary.true_boundaries);
  summary.f1 = RatioOrZero(2 * summary.matched, summary.true_boundaries + summary.predicted_boundaries);
  if (summary.proteins_with_boundaries > 0) {
    summary.mean_protein_f1 = f1_sum / static_cast<double>(summary.proteins_with_boundaries);
  }
  summary.domain_number_accuracy = RatioOrZero(right_domain_number, summary.proteins);
  return summary;
}

std::string FormatEvaluation(const std::vector<ProteinEvaluation> &evaluations, const EvaluationSummary &summary) {
  std::string out =
      "#protein\tdomains\ttrue\tpredicted\tmatched\tprecision\trecall\tF1\ttrue_boundaries\tpredicted_boundaries\n";
  for (const ProteinEvaluation &evaluation : evaluations) {
    const std::size_t true_count = evaluation.true_boundaries.size();
    const std::size_t predicted_count = evaluation.predicted_boundaries.size();
    out += evaluation.protein->name;
    const std::size_t domain_count = DomainCount(evaluation.protein->domains);
    for (const std::size_t count : {domain_count, true_count, predicted_count, evaluation.matched}) {
      out += '\t';
      AppendInt(out, static_cast<long long>(count));
    }
    out += '\t';
    AppendRatio(out, evaluation.matched, predicted_count);
    out += '\t';
    AppendRatio(out, evaluation.matched, true_count);
    out += '\t';
    AppendRatio(out, 2 * evaluation.matched, true_count + predicted_count);
    out += '\t';
    AppendPositions(out, evaluation.true_boundaries);
    out += '\t';
    AppendPositions(out, evaluation.predicted_boundaries);
    out += '\n';
  }
  const auto append_count = [&](std::string_view label, std::size_t count) {
    out += '\t';
    out += label;
    out += '=';
    AppendInt(out, static_cast<long long>(count));
  };
  const auto append_value = [&](std::string_view label, double value) {
    out += '\t';
    out += label;
    out += '=';
    AppendFixed6(out, value);
  };
  out += "total";
  append_count("proteins", summary.proteins);
  append_count("true", summary.true_boundaries);
  append_count("predicted", summary.predicted_boundaries);
  append_count("matched", summary.matched);
  append_value("precision", summary.precision);
  append_value("recall", summary.recall);
  append_value("F1", summary.f1);
  out += "\nmean_protein_F1\t";
  AppendFixed6(out, summary.mean_protein_f1);
  append_count("over", summary.proteins_with_boundaries);
  out += "\ndomain_number_accuracy\t";
  AppendFixed6(out, summary.domain_number_accuracy);
  append_count("over", summary.proteins);
  out += '\n';
  return out;
}

void RunEvaluateLinkers(const GivenOptions &options, Arguments arguments, std::FILE *out) {
  const std::string report_path = arguments[0];
  const std::string truth_path = arguments[1];
  const int tolerance = arguments.size() > 2 ? ReadTolerance(arguments[2]) : kDefaultTolerance;
  const DomainTruth truth =
      ReadDomainTruth(truth_path, options.Has("--domain-ids") ? DomainIds::kInTypeField : DomainIds::kNone);
  std::vector<std::vector<DoubledPosition>> predicted = ReadPredictedBoundaries(report_path, truth, truth_path);
  std::vector<ProteinEvaluation> evaluations;
  evaluations.reserve(truth.proteins.size());
  for (std::size_t i = 0; i < truth.proteins.size(); ++i) {
    evaluations.push_back(EvaluateProtein(truth.proteins[i], std::move(predicted[i]), tolerance));
  }
  WriteAll(out, FormatEvaluation(evaluations, Summarise(evaluations)));
}

}  // namespace linkerkit
