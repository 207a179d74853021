// The sweep must judge each setting exactly as the programs would: the
// report of ReportDomainHinges or SegmentDomains over the score file that
// ClassifyFeatureRows writes at the setting's smoothing, judged by
// EvaluateLinkers. These tests run those programs beside it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using linkerkit::test::Printf;
using linkerkit::test::ReadFile;
using linkerkit::test::RunResult;
using linkerkit::test::RunTool;
using linkerkit::test::TempDir;
using linkerkit::test::WriteFile;

constexpr const char *kUsage =
    "SweepLinkerCalls [--domain-ids] [--calls] [score file] [domain region file] [settings file] "
    "[tolerance, default 20]\n";

std::vector<std::string> Split(const std::string &text, char separator) {
  std::vector<std::string> pieces;
  std::string piece;
  std::istringstream stream(text);
  while (std::getline(stream, piece, separator)) pieces.push_back(piece);
  return pieces;
}

struct Protein {
  std::string name;
  std::vector<double> values;
  std::vector<std::string> domain_lines;
};

std::string ScoreLines(const Protein &protein) {
  std::string lines;
  const std::size_t n = protein.values.size();
  for (std::size_t i = 0; i < n; ++i) {
    lines += Printf("%f #%s %zu %zu\n", protein.values[i], protein.name.c_str(), i, n);
  }
  return lines;
}

// Made-up proteins whose values are multiples of 1/64, exact both in binary
// and in "%f": a noisy background, bumps at the domain boundaries and
// elsewhere, plateaus of equal values, and one protein without any
// variation.
std::vector<Protein> MadeUpProteins() {
  std::uint32_t seed = 12345;
  const auto next = [&](int range) {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 8) % static_cast<std::uint32_t>(range));
  };
  std::vector<Protein> proteins;
  for (int p = 0; p < 9; ++p) {
    Protein protein;
    protein.name = 'Q' + std::to_string(p);
    const int n = 60 + next(100);
    const int domains = 1 + p % 3;
    std::vector<int> cuts;
    for (int d = 1; d < domains; ++d) cuts.push_back(n * d / domains + next(9) - 4);
    int start = 1;
    for (std::size_t d = 0; d <= cuts.size(); ++d) {
      const int end = d < cuts.size() ? cuts[d] : n;
      protein.domain_lines.push_back(protein.name + "|" + std::to_string(start) + "," + std::to_string(end) +
                                     "|domain|" + std::to_string(end - start + 1) + "|" + std::to_string(n));
      start = end + 1 + (d % 2 == 0 ? 0 : next(6));
    }
    std::vector<int> bumps = cuts;
    bumps.push_back(next(n));
    for (int i = 0; i < n; ++i) {
      int k = next(64) - 56;  // background from -0.875 to 0.109
      for (const int centre : bumps) k += std::max(0, 80 - 12 * std::abs(i - centre));
      if (p == 4 && i >= 30 && i < 36) k = 40;  // a plateau: equal peaks
      protein.values.push_back(p == 7 ? 0.25 : k / 64.0);
    }
    proteins.push_back(protein);
  }
  return proteins;
}

std::string Joined(const std::vector<Protein> &proteins) {
  std::string scores;
  for (const Protein &protein : proteins) scores += ScoreLines(protein);
  return scores;
}

std::string Truth(const std::vector<Protein> &proteins) {
  std::string truth;
  // The truth's order is its own.
  for (auto p = proteins.rbegin(); p != proteins.rend(); ++p) {
    for (const std::string &line : p->domain_lines) truth += line + "\n";
  }
  return truth;
}

// EvaluateLinkers' totals as the sweep's columns: true, predicted, matched,
// precision, recall, F1, domain_number_accuracy.
std::string JudgedTotals(const std::string &evaluation) {
  std::map<std::string, std::string> fields;
  std::string accuracy;
  for (const std::string &line : Split(evaluation, '\n')) {
    const std::vector<std::string> cells = Split(line, '\t');
    if (cells[0] == "total") {
      for (std::size_t i = 1; i < cells.size(); ++i) {
        const std::size_t equals = cells[i].find('=');
        fields[cells[i].substr(0, equals)] = cells[i].substr(equals + 1);
      }
    }
    if (cells[0] == "domain_number_accuracy") accuracy = cells[1];
  }
  return fields["true"] + "\t" + fields["predicted"] + "\t" + fields["matched"] + "\t" + fields["precision"] + "\t" +
         fields["recall"] + "\t" + fields["F1"] + "\t" + accuracy;
}

std::string SweptTotals(const std::string &row) {
  const std::vector<std::string> cells = Split(row, '\t');
  std::string totals;
  for (std::size_t i = 5; i <= 11; ++i) totals += (i > 5 ? "\t" : "") + cells.at(i);
  return totals;
}

// A report's linkers as "NAME BOUNDARY PEAK", each protein's in report
// order, the proteins by name.
std::vector<std::string> ReportCalls(const std::string &report) {
  std::vector<std::pair<std::string, std::string>> calls;
  for (const std::string &line : Split(report, '\n')) {
    if (line.empty() || line == "No prediction") continue;
    const std::vector<std::string> fields = Split(line, '|');
    const std::vector<std::string> range = Split(fields[1], ',');
    const long long doubled = std::stoll(range[0]) + std::stoll(range[1]) + 2;
    calls.emplace_back(fields[0], std::to_string(doubled / 2) + (doubled % 2 ? ".5" : "") + " " + fields[3]);
  }
  std::stable_sort(calls.begin(), calls.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
  std::vector<std::string> texts;
  for (const auto &[name, call] : calls) texts.push_back(name + " " + call);
  return texts;
}

// The sweep's call lines of one setting in the same shape.
std::vector<std::string> SweptCalls(const std::string &out, int setting) {
  std::vector<std::pair<std::string, std::string>> calls;
  for (const std::string &line : Split(out, '\n')) {
    const std::vector<std::string> words = Split(line, ' ');
    if (words[0] != "call" || words[1] != std::to_string(setting)) continue;
    calls.emplace_back(words[2], words[3] + " " + words[4]);
  }
  std::stable_sort(calls.begin(), calls.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
  std::vector<std::string> texts;
  for (const auto &[name, call] : calls) texts.push_back(name + " " + call);
  return texts;
}

// Runs the setting's program on the score file; its report.
std::string ProgramReport(const TempDir &dir, const std::string &scores, const std::vector<std::string> &setting) {
  const std::string &caller = setting[1];
  const std::string &threshold = setting[2];
  const std::string &offset = setting[3];
  if (caller == "threshold") {
    WriteFile(dir / "options",
              "NormalizedFile = " + scores + "\nOutputFile = " + (dir / "report") + "\nOffSet = " + offset + "\n");
    const RunResult run = RunTool("ReportDomainHinges", {dir / "options", setting[4], threshold});
    EXPECT_EQ(run.status, 0) << run.out;
    return ReadFile(dir / "report");
  }
  const RunResult run = RunTool("SegmentDomains", {scores, threshold, setting[4], offset});
  EXPECT_EQ(run.status, 0) << run.out;
  return run.out;
}

// Every setting's row and calls against the programs' reports over the
// score file made at the setting's smoothing, judged against dir / "truth".
void ExpectAgreement(const TempDir &dir, const std::vector<std::string> &settings, const std::string &swept_file,
                     const std::map<std::string, std::string> &file_by_smoothing, bool domain_ids) {
  std::string settings_text = "# smoothing caller threshold offset rank-or-min-domain\n\n";
  for (const std::string &setting : settings) settings_text += setting + "\n";
  WriteFile(dir / "settings", settings_text);
  // The sweep judges the score file's proteins: the truth may hold others.
  WriteFile(dir / "truth_and_more", ReadFile(dir / "truth") + "EXTRA|1,50|D1|50|50\n");
  std::vector<std::string> sweep_arguments = {"--calls", swept_file, dir / "truth_and_more", dir / "settings"};
  if (domain_ids) sweep_arguments.insert(sweep_arguments.begin(), "--domain-ids");
  const RunResult sweep = RunTool("SweepLinkerCalls", sweep_arguments);
  ASSERT_EQ(sweep.status, 0) << sweep.out;
  const std::vector<std::string> lines = Split(sweep.out, '\n');
  ASSERT_GT(lines.size(), settings.size());
  for (std::size_t i = 0; i < settings.size(); ++i) {
    const std::vector<std::string> setting = Split(settings[i], ' ');
    const std::string scores = file_by_smoothing.at(setting[0]);
    const std::string report = ProgramReport(dir, scores, setting);
    WriteFile(dir / "report", report);
    std::vector<std::string> judge_arguments = {dir / "report", dir / "truth"};
    if (domain_ids) judge_arguments.insert(judge_arguments.begin(), "--domain-ids");
    const RunResult judged = RunTool("EvaluateLinkers", judge_arguments);
    ASSERT_EQ(judged.status, 0) << judged.out;
    const std::vector<std::string> row = Split(lines[i + 1], '\t');
    EXPECT_EQ(row[0] + " " + row[1] + " " + row[2] + " " + row[3] + " " + row[4], settings[i]);
    EXPECT_EQ(SweptTotals(lines[i + 1]), JudgedTotals(judged.out)) << settings[i];
    EXPECT_EQ(SweptCalls(sweep.out, static_cast<int>(i) + 1), ReportCalls(report)) << settings[i];
  }
}

TEST(SweepLinkerCallsCli, EachSettingIsTheProgramsReportJudged) {
  TempDir dir;
  const std::vector<Protein> proteins = MadeUpProteins();
  WriteFile(dir / "scores", Joined(proteins));
  WriteFile(dir / "truth", Truth(proteins));
  ExpectAgreement(dir,
                  {"1 threshold 0.5 10 3", "1 threshold 0.25 5 2", "1 threshold -0.1 0 2", "1 threshold 0.625 0 0",
                   "1 segment 0.5 0 20", "1 segment 0.25 10 40", "1 segment -0.1 0 15", "1 segment 0.5 5 1"},
                  dir / "scores", {{"1", dir / "scores"}}, false);
}

// Decision value x1 - x2: each vector's first feature exactly.
constexpr const char *kModel =
    "svm_type c_svc\nkernel_type linear\nnr_class 2\ntotal_sv 2\nrho 0\nlabel 1 -1\nnr_sv 1 1\nSV\n1 1:1 2:0 \n-1 1:0 2:1 \n";

TEST(SweepLinkerCallsCli, SmoothingIsClassifyFeatureRowsSmoothing) {
  TempDir dir;
  const std::vector<Protein> proteins = MadeUpProteins();
  WriteFile(dir / "model", kModel);
  WriteFile(dir / "truth", Truth(proteins));
  // Each protein through ClassifyFeatureRows --raw at 1 and at 5; the sweep
  // smooths the first file itself.
  std::map<std::string, std::string> scores;
  for (const std::string ws : {"1", "5"}) {
    std::string joined;
    for (const Protein &protein : proteins) {
      std::string vectors;
      for (std::size_t i = 0; i < protein.values.size(); ++i) {
        vectors += Printf("0 1:%f 2:0 #QUERY %zu %zu\n", protein.values[i], i, protein.values.size());
      }
      WriteFile(dir / "vectors", vectors);
      const RunResult run = RunTool("ClassifyFeatureRows", {"--raw", dir / "model", dir / "vectors", protein.name, ws});
      ASSERT_EQ(run.status, 0) << run.out;
      joined += run.out;
    }
    WriteFile(dir / ("scores" + ws), joined);
    scores[ws] = dir / ("scores" + ws);
  }
  // The program's file at 1 holds the values, the flat protein's as "nan".
  std::vector<Protein> as_written = proteins;
  as_written[7].values.assign(as_written[7].values.size(), std::nan(""));
  EXPECT_EQ(ReadFile(scores["1"]), Joined(as_written));
  ExpectAgreement(dir,
                  {"5 threshold 0.25 0 2", "5 threshold 0.5 10 1", "1 threshold 0.5 0 3", "5 segment 0.25 0 20",
                   "5 segment 0.125 0 30"},
                  scores["1"], scores, false);

  // The protein lines' highest score is that of the program's smoothed file.
  WriteFile(dir / "settings", "5 threshold 100 0 1\n");
  const RunResult sweep = RunTool("SweepLinkerCalls", {"--calls", scores["1"], dir / "truth", dir / "settings"});
  std::map<std::string, double> highest;
  for (const std::string &line : Split(ReadFile(scores["5"]), '\n')) {
    const double value = std::strtod(line.c_str(), nullptr);
    const std::string name = Split(Split(line, '#')[1], ' ')[0];
    if (!std::isnan(value) && (!highest.count(name) || value > highest[name])) highest[name] = value;
  }
  for (const std::string &line : Split(sweep.out, '\n')) {
    const std::vector<std::string> words = Split(line, ' ');
    if (words[0] != "protein") continue;
    EXPECT_EQ(words[4], highest.count(words[2]) ? Printf("%f", highest[words[2]]) : "nan") << line;
  }
}

TEST(SweepLinkerCallsCli, DomainIdsAsEvaluateLinkersTakesThem) {
  TempDir dir;
  const std::vector<Protein> proteins = MadeUpProteins();
  WriteFile(dir / "scores", Joined(proteins));
  // Every protein's domains numbered D1, D2, ...; Q5's and Q8's first and
  // last domains are one, split around the other, and Q2's first two are
  // one, so that no boundary lies between them.
  std::string truth;
  for (const Protein &protein : proteins) {
    const std::size_t count = protein.domain_lines.size();
    for (std::size_t d = 0; d < count; ++d) {
      std::vector<std::string> fields = Split(protein.domain_lines[d], '|');
      const bool wraps = (protein.name == "Q5" || protein.name == "Q8") && d + 1 == count;
      const bool joins = protein.name == "Q2" && d == 1;
      fields[2] = 'D' + std::to_string(wraps || joins ? 1 : d + 1);
      truth += fields[0] + "|" + fields[1] + "|" + fields[2] + "|" + fields[3] + "|" + fields[4] + "\n";
    }
  }
  WriteFile(dir / "truth", truth);
  ExpectAgreement(dir, {"1 threshold 0.5 0 1", "1 threshold 0.25 0 3", "1 segment 0.25 0 20"}, dir / "scores",
                  {{"1", dir / "scores"}}, true);
}

TEST(SweepLinkerCallsCli, CallsAndProteinLinesAfterTheTable) {
  TempDir dir;
  // A: domains 1-100 and 101-200, boundary 100.5. Its best run, 90-96
  // (boundary 94), is the farther from it: the second, 99-101 (boundary
  // 101), takes the match. S has one domain and one false call; F is flat, its
  // scores "nan" as ClassifyFeatureRows writes them.
  std::vector<double> a(200, -1.0);
  for (int i = 90; i <= 96; ++i) a[i] = i == 93 ? 2.0 : 1.0;
  for (int i = 99; i <= 101; ++i) a[i] = 0.75;
  std::vector<double> s(80, -1.0);
  s[40] = 0.5;
  WriteFile(dir / "scores", ScoreLines({"A", a, {}}) + ScoreLines({"S", s, {}}) +
                                ScoreLines({"F", std::vector<double>(30, std::nan("")), {}}));
  WriteFile(dir / "truth", "S|1,80|domain|80|80\nA|101,200|domain|100|200\nA|1,100|domain|100|200\nF|1,30|d|30|30\n");
  WriteFile(dir / "settings", "1 threshold 0.5 0 2\n1 threshold 0.5 0 1\n\n# none at all\n1 threshold 9 0 1\n");
  const RunResult sweep = RunTool("SweepLinkerCalls", {"--calls", dir / "scores", dir / "truth", dir / "settings"});
  EXPECT_EQ(sweep.status, 0);
  EXPECT_EQ(sweep.out,
            "#smoothing\tcaller\tthreshold\toffset\trank_or_min_domain\ttrue\tpredicted\tmatched\tprecision\trecall\tF1"
            "\tdomain_number_accuracy\tsingle_domain_proteins\tsingle_domain_no_call\n"
            "1\tthreshold\t0.5\t0\t2\t1\t3\t1\t0.333333\t1.000000\t0.500000\t0.333333\t2\t0.500000\n"
            "1\tthreshold\t0.5\t0\t1\t1\t2\t1\t0.500000\t1.000000\t0.666667\t0.666667\t2\t0.500000\n"
            "1\tthreshold\t9\t0\t1\t1\t0\t0\t0.000000\t0.000000\t0.000000\t0.666667\t2\t1.000000\n"
            "protein 1 A 2 2.000000 2\n"
            "call 1 A 94 2.000000 0\n"
            "call 1 A 101 0.750000 1\n"
            "protein 1 S 1 0.500000 1\n"
            "call 1 S 41 0.500000 0\n"
            "protein 1 F 1 nan 0\n"
            "protein 2 A 2 2.000000 1\n"
            "call 2 A 94 2.000000 1\n"
            "protein 2 S 1 0.500000 1\n"
            "call 2 S 41 0.500000 0\n"
            "protein 2 F 1 nan 0\n"
            "protein 3 A 2 2.000000 0\n"
            "protein 3 S 1 0.500000 0\n"
            "protein 3 F 1 nan 0\n");
  // Alone, the boundary at 94 matches at the default tolerance, but not at
  // 6 residues (it lies 6.5 away); without --calls the table alone.
  const RunResult near = RunTool("SweepLinkerCalls", {dir / "scores", dir / "truth", dir / "settings", "6"});
  const std::vector<std::string> rows = Split(near.out, '\n');
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(Split(rows[1], '\t')[7], "1");
  EXPECT_EQ(Split(rows[2], '\t')[7], "0");
}

TEST(SweepLinkerCallsCli, FailuresNameTheFileAndLine) {
  TempDir dir;
  WriteFile(dir / "scores", "0.5 #A 0 3\n0.5 #A 1 3\n0.7 #A 2 3\n0.1 #B 0 2\n0.2 #B 1 2\n");
  WriteFile(dir / "truth", "A|1,3|d|3|3\nB|1,2|d|2|2\n");
  WriteFile(dir / "settings", "1 threshold 0.5 0 1\n");
  const std::string scores = dir / "scores";
  const std::string truth = dir / "truth";
  const std::string settings = dir / "settings";
  const std::string bad = dir / "bad";
  struct Case {
    std::string bad_text;  // written to "bad" when not empty
    std::vector<std::string> arguments;
    std::string message;
  };
  for (const Case &c : {
           Case{"", {scores, truth}, kUsage},
           Case{"", {"--domain", scores, truth, settings}, "unknown option: --domain\n"},
           Case{"", {scores, truth, settings, "x"}, "invalid tolerance: x\n"},
           Case{"A|1,3|d|3|3\n", {scores, bad, settings}, scores + " line 4: protein B is not in " + bad + "\n"},
           Case{"A|1,3|d|3|3\nB|1,3|d|3|3\n",
                {scores, bad, settings},
                scores + " line 4: length 2 of B differs from 3 in " + bad + " line 2\n"},
           Case{"0.5 #A 0 3\n0.5 #A 2 3\n",
                {bad, truth, settings},
                bad + " line 2: protein A has position 2 where 1 was due\n"},
           Case{"\n", {bad, truth, settings}, bad + " line 1: expected VALUE #NAME POSITION LENGTH\n"},
           Case{"# only\n", {scores, truth, bad}, bad + ": no settings\n"},
           Case{"1 threshold 0.5 0 1\n\n1 threshold 0.5 0\n",
                {scores, truth, bad},
                bad + " line 3: not SMOOTHING threshold|segment THRESHOLD OFFSET RANK|MIN_DOMAIN\n"},
           Case{"0 threshold 0.5 0 1\n",
                {scores, truth, bad},
                bad + " line 1: smoothing \"0\" is not a whole number of at least 1\n"},
           Case{"1 peaks 0.5 0 1\n",
                {scores, truth, bad},
                bad + " line 1: caller \"peaks\" is neither threshold nor segment\n"},
           Case{"1 threshold nan 0 1\n",
                {scores, truth, bad},
                bad + " line 1: threshold \"nan\" is not a finite decimal number\n"},
           Case{"1 threshold 0.5 -2 1\n", {scores, truth, bad}, bad + " line 1: offset \"-2\" is not a whole number\n"},
           Case{"1 threshold 0.5 0 1.5\n", {scores, truth, bad}, bad + " line 1: rank \"1.5\" is not a whole number\n"},
           Case{"1 segment 0.5 0 0\n",
                {scores, truth, bad},
                bad + " line 1: min domain \"0\" is not a whole number of at least 1\n"},
           Case{"", {dir / "missing", truth, settings}, "cannot open " + (dir / "missing") + "\n"},
       }) {
    if (!c.bad_text.empty()) WriteFile(bad, c.bad_text);
    const RunResult result = RunTool("SweepLinkerCalls", c.arguments);
    EXPECT_EQ(result.status, 1) << c.message;
    EXPECT_EQ(result.out, c.message);
  }
  WriteFile(bad, "");
  EXPECT_EQ(RunTool("SweepLinkerCalls", {bad, truth, settings}).out, bad + ": no score lines\n");
}

}  // namespace
