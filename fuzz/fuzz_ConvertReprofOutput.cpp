// The first input line is the window size, the rest is reprof's table. The
// .ss2 file and the track appear together or not at all; every .ss2 row
// reads back through SplitSecStructProbs' rule as the table's fractions, to
// the three decimals a row holds.
#include <cmath>

#include "failure.h"
#include "fuzz_input.h"
#include "fuzz_program.h"
#include "lines.h"
#include "reprof_output.h"
#include "sec_struct.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const ArgumentsAndRest input = SplitArgumentLine(AsText(data, size));
  ClearScratchFolder();
  const std::string table = WriteScratchFile("p.reprof", input.rest);
  const BodyRun run = RunBody(linkerkit::RunConvertReprofOutput,
                              {table, ScratchFolder() + "p.ss2", ScratchFolder() + "acc.txt", input.arguments[0]});
  Require(run.out.empty(), "nothing on standard output");
  const std::vector<std::string> entries = ScratchEntries();
  if (!run.succeeded) {
    Require(entries == std::vector<std::string>{"p.reprof"}, "a failed run leaves no file");
    return 0;
  }
  Require(entries == std::vector<std::string>{"acc.txt", "p.reprof", "p.ss2"}, "the two files and nothing else");
  linkerkit::ReprofParser table_parser(table);
  linkerkit::ForEachLine(table, [&](std::string_view line, std::size_t number) { table_parser.AddLine(line, number); });
  const std::vector<linkerkit::ReprofResidue> &residues = table_parser.Finish();
  linkerkit::SecStructParser ss2_parser(ScratchFolder() + "p.ss2");
  linkerkit::ForEachLine(ScratchFolder() + "p.ss2",
                         [&](std::string_view line, std::size_t number) { ss2_parser.AddLine(line, number); });
  const linkerkit::SecStructProbs &probs = ss2_parser.Finish();
  Require(probs.coil.size() == residues.size(), "one .ss2 row per residue");
  const auto near = [](float read, double percent) { return std::fabs(read - percent / 100.0) <= 0.0005 + 1e-6; };
  for (std::size_t i = 0; i < residues.size(); ++i) {
    Require(near(probs.coil[i], residues[i].loop) && near(probs.helix[i], residues[i].helix) &&
                near(probs.strand[i], residues[i].strand),
            "the .ss2 row reads back as the table's fractions");
  }
  CheckTrack(ReadScratchFile("acc.txt"), residues.size(), "QUERY");
  return 0;
}
