// The first input line is the threshold, the minimum domain length and the
// offset; the rest is the score file. A run that succeeds reports, for each
// protein, linkers whose middle is their boundary, ranked from 1, the
// boundaries at least the minimum domain length from each other and from
// the chain ends.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <vector>

#include "fuzz_input.h"
#include "fuzz_program.h"
#include "region.h"
#include "segment_domains.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const ArgumentsAndRest input = SplitArgumentLine(AsText(data, size));
  if (input.arguments.size() < 3) return -1;
  ClearScratchFolder();
  const std::string scores = WriteScratchFile("scores", input.rest);
  const BodyRun run =
      RunBody(linkerkit::RunSegmentDomains, {scores, input.arguments[0], input.arguments[1], input.arguments[2]});
  Require(ScratchEntries() == std::vector<std::string>{"scores"}, "no file is written");
  if (!run.succeeded) return 0;
  const long long min_domain = std::atoll(input.arguments[1].c_str());
  const long long offset = std::atoll(input.arguments[2].c_str());
  const auto lines = OutputLines(run.out);
  if (lines.size() == 1 && lines[0] == "No prediction") return 0;
  std::map<std::string, std::vector<long long>> boundaries;
  for (const std::string_view line : lines) {
    const auto fields = linkerkit::SplitFields(line, '|');
    Require(fields.size() == 7, "report lines have seven fields");
    const std::string name(fields[0]);
    const long long start = std::atoll(std::string(fields[1]).c_str());
    const long long end = std::atoll(std::string(fields[1].substr(fields[1].find(',') + 1)).c_str());
    const long long length = std::atoll(std::string(fields[4]).c_str());
    const long long peak = std::atoll(std::string(fields[5]).c_str());
    const long long rank = std::atoll(std::string(fields[6]).c_str());
    Require(start <= peak && peak <= end && start + end == 2 * peak, "a linker is centred on its boundary");
    Require(peak > offset && length - peak > offset, "boundaries keep the offset");
    Require(peak >= min_domain && length - peak >= min_domain, "end domains are long enough");
    auto &seen = boundaries[name];
    Require(rank == static_cast<long long>(seen.size()) + 1, "ranks count from 1");
    seen.push_back(peak);
  }
  for (auto &[name, peaks] : boundaries) {
    std::sort(peaks.begin(), peaks.end());
    for (std::size_t i = 1; i < peaks.size(); ++i) {
      Require(peaks[i] - peaks[i - 1] >= min_domain, "domains between boundaries are long enough");
    }
  }
  return 0;
}
