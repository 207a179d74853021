#include "fuzz_pdb_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  PDB *pdb = GetPDB_CA(WriteInputFile(AsText(data, size)));
  CheckPDB(pdb);
  if (pdb) {
    for (int i = 1; i < pdb->num; ++i) Require(pdb->resnum[i] != pdb->resnum[i - 1], "one CA per residue");
  }
  ClearPDB(pdb);
  return 0;
}
