#include "fuzz_pdb_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  PDB *pdb = GetPDB(WriteInputFile(AsText(data, size)));
  CheckPDB(pdb);
  ClearPDB(pdb);
  return 0;
}
