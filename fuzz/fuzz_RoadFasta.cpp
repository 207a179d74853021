// The road's FASTA records: any bytes either give records of residue
// letters under valid, unique-looking names, or one Failure.
#include <cstdint>

#include "failure.h"
#include "fuzz_input.h"
#include "fuzz_program.h"
#include "proteome.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const std::string path = WriteScratchFile("p.fa", AsText(data, size));
  try {
    linkerkit::FastaRecordReader reader(path);
    for (linkerkit::ProteinRecord record; reader.Next(record);) {
      Require(linkerkit::NameProblem(record.name).empty(), "a record's name is a valid protein name");
      Require(!record.residues.empty(), "a record has residues");
      for (const char c : record.residues) Require(c >= 'A' && c <= 'Z', "residues are capital letters");
    }
  } catch (const linkerkit::Failure &) {
  }
  return 0;
}
