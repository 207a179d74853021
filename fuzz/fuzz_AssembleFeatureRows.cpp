// The input is the index list and up to four track files, named 0 to 3,
// separated by form feeds.
#include "feature_rows.h"
#include "fuzz_input.h"
#include "fuzz_program.h"
#include "lines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const auto parts = SplitParts(AsText(data, size), 5);
  // Names with a "/" would reach outside the scratch folder.
  if (parts[0].find('/') != std::string_view::npos) return -1;
  ClearScratchFolder();
  const std::string index = WriteScratchFile("index", parts[0]);
  for (std::size_t k = 1; k < parts.size(); ++k) WriteScratchFile(std::to_string(k - 1) + ".txt", parts[k]);
  const BodyRun run = RunBody(linkerkit::RunAssembleFeatureRows, {index, ScratchFolder()});
  if (!run.succeeded) {
    Require(run.out.empty(), "no vector before a failure");
    return 0;
  }
  const std::vector<std::string> names = linkerkit::ReadLines(index);
  const std::size_t m = linkerkit::ReadLines(ScratchFolder() + names[0] + ".txt").size();
  const std::vector<std::string_view> rows = OutputLines(run.out);
  Require(rows.size() == m, "one vector per line of the first track");
  for (std::size_t i = 0; i < m; ++i) {
    std::string expected_start = "0 ";
    for (std::size_t k = 1; k <= names.size(); ++k) {
      Require(rows[i].substr(expected_start.size()).starts_with(std::to_string(k) + ":"), "every feature in order");
      const std::size_t value_start = rows[i].find(':', expected_start.size()) + 1;
      const std::size_t value_end = rows[i].find(' ', value_start);
      Require(IsFixed6(rows[i].substr(value_start, value_end - value_start)), "a feature written as %f writes it");
      expected_start = std::string(rows[i].substr(0, value_end + 1));
    }
    Require(rows[i].substr(expected_start.size()) == "#QUERY " + std::to_string(i) + " " + std::to_string(m),
            "the vector ends with its position and the residue count");
  }
  return 0;
}
