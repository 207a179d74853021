// The input holds four parts between form feeds: the options ("--domain-ids"
// when that word is there; --calls always), the settings file, the score
// file and the domain region file. A run that succeeds writes one row per
// setting whose counts and ratios fit together, and calls and protein lines
// that add up to the row's counts.
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "fuzz_program.h"
#include "sweep_linker_calls.h"

namespace {

linkerkit::GivenOptions given_options;

void SweepWithTheOptions(linkerkit::Arguments arguments, std::FILE *out) {
  linkerkit::RunSweepLinkerCalls(given_options, arguments, out);
}

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    pieces.emplace_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return pieces;
    start = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const auto parts = SplitParts(AsText(data, size), 4);
  ClearScratchFolder();
  given_options = linkerkit::GivenOptions();
  given_options.Add("--calls", "");
  if (parts[0].find("--domain-ids") != std::string_view::npos) given_options.Add("--domain-ids", "");
  const std::string settings = WriteScratchFile("settings", parts[1]);
  const std::string scores = WriteScratchFile("scores", parts[2]);
  const std::string truth = WriteScratchFile("truth", parts[3]);
  const BodyRun run = RunBody(SweepWithTheOptions, {scores, truth, settings});
  Require(ScratchEntries() == std::vector<std::string>{"scores", "settings", "truth"}, "no file is written");
  if (!run.succeeded) return 0;

  const auto lines = OutputLines(run.out);
  Require(!lines.empty() && std::string(lines[0]) + "\n" == linkerkit::SweepHeader(), "the header comes first");
  struct Counts {
    long long predicted = 0;
    long long matched = 0;
    long long linkers = 0;  // from the protein lines
    long long proteins = 0;
  };
  std::vector<Counts> rows;
  std::map<long long, Counts> listed;
  std::size_t i = 1;
  for (; i < lines.size() && !lines[i].starts_with("protein ") && !lines[i].starts_with("call "); ++i) {
    const std::vector<std::string> cells = Split(lines[i], '\t');
    Require(cells.size() == 14, "a row has 14 fields");
    const long long true_count = std::atoll(cells[5].c_str());
    const long long predicted = std::atoll(cells[6].c_str());
    const long long matched = std::atoll(cells[7].c_str());
    Require(matched <= true_count && matched <= predicted, "a match pairs a true and a predicted boundary");
    for (const std::size_t ratio : {8u, 9u, 10u, 11u, 13u}) {
      Require(IsFixed6(cells[ratio]), "ratios are printed %f");
      const double value = std::atof(cells[ratio].c_str());
      Require(value >= 0 && value <= 1, "ratios lie between 0 and 1");
    }
    rows.push_back(Counts{predicted, matched, 0, 0});
  }
  Require(!rows.empty(), "every run has a setting");
  for (; i < lines.size(); ++i) {
    const std::vector<std::string> words = Split(lines[i], ' ');
    const long long setting = std::atoll(words.at(1).c_str());
    Require(setting >= 1 && setting <= static_cast<long long>(rows.size()), "calls name a setting");
    Counts &counts = listed[setting];
    if (words[0] == "protein") {
      Require(words.size() == 6, "a protein line has six words");
      counts.linkers += std::atoll(words[5].c_str());
      ++counts.proteins;
    } else {
      Require(words[0] == "call" && words.size() == 6 && (words[5] == "0" || words[5] == "1"), "a call line");
      ++counts.predicted;
      counts.matched += words[5] == "1";
    }
  }
  for (std::size_t s = 0; s < rows.size(); ++s) {
    const Counts &counts = listed[static_cast<long long>(s) + 1];
    Require(counts.predicted == rows[s].predicted && counts.linkers == rows[s].predicted,
            "the calls are the predictions");
    Require(counts.matched == rows[s].matched, "the matched calls are the matches");
    Require(counts.proteins == listed[1].proteins && counts.proteins > 0, "every setting lists every protein");
  }
  return 0;
}
