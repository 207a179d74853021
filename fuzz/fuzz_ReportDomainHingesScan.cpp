// A score file read as ReportDomainHinges reads it, the usual lines in place
// (RunScanner::AddAll), and read line by line through RunScanner::Add must
// give the same runs, or fail with the same message. The first input line
// is the threshold; the rest is the score file.
#include <string>
#include <string_view>

#include "LineReader.h"
#include "cnumber.h"
#include "failure.h"
#include "fuzz_input.h"
#include "linker_report.h"

namespace {

// The records in scan order, or the failure's message.
template <typename Scan>
std::string Outcome(Scan scan) {
  try {
    const linkerkit::CandidateList candidates = scan();
    std::string records;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      candidates.AppendRecord(records, candidates[i]);
      records += '\n';
    }
    return records;
  } catch (const linkerkit::Failure &failure) {
    return std::string("failed: ") + failure.what();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit;
  const fuzz::ArgumentAndFile input = fuzz::SplitFirstLine(fuzz::AsText(data, size));
  const float threshold = static_cast<float>(ReadCDouble(input.argument.c_str()));
  const char *path = fuzz::WriteInputFile(input.file);
  const std::string in_place = Outcome([&] {
    RunScanner scanner(threshold, 0);
    LineReader lines(path);
    scanner.AddAll(lines);
    return scanner.Finish();
  });
  const std::string line_by_line = Outcome([&] {
    RunScanner scanner(threshold, 0);
    LineReader lines(path);
    std::string_view line;
    while (lines.Next(line)) scanner.Add(line);
    return scanner.Finish();
  });
  fuzz::Require(in_place == line_by_line, "the usual lines read in place give what Add gives");
  return 0;
}
