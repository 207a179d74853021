// The input is the MTX file. A failed run leaves the previous table as it
// was; a table has the two copied lines and rows of 20 integers.
#include <algorithm>

#include "fuzz_input.h"
#include "fuzz_program.h"
#include "profile_matrix.h"

namespace {

bool IsRowOfTwentyIntegers(std::string_view row) {
  int fields = 0;
  std::size_t start = 0;
  while (start <= row.size()) {
    const std::size_t end = std::min(row.find(' ', start), row.size());
    std::string_view field = row.substr(start, end - start);
    if (field.starts_with('-')) field.remove_prefix(1);
    if (field.empty() || field.find_first_not_of("0123456789") != std::string_view::npos) return false;
    ++fields;
    start = end + 1;
  }
  return fields == 20;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  ClearScratchFolder();
  const std::string mtx = WriteScratchFile("p.mtx", AsText(data, size));
  WriteScratchFile("p.tab", "previous table\n");
  const BodyRun run = RunBody(linkerkit::RunExtractProfileMatrix, {mtx, ScratchFolder() + "p.tab"});
  Require(run.out.empty(), "nothing on standard output");
  Require(ScratchEntries() == std::vector<std::string>{"p.mtx", "p.tab"}, "no temporary file stays");
  const std::string table = ReadScratchFile("p.tab");
  if (!run.succeeded) {
    Require(table == "previous table\n", "a failed run leaves the previous table");
    return 0;
  }
  const std::vector<std::string_view> lines = OutputLines(table);
  Require(lines.size() >= 3, "a table holds a residue row");
  for (std::size_t i = 2; i < lines.size(); ++i) Require(IsRowOfTwentyIntegers(lines[i]), "rows of 20 integers");
  return 0;
}
