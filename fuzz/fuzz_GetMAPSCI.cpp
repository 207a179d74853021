// The first input line is the reference protein, the rest is the file.
#include <cstring>

#include "fuzz_input.h"
#include "linkerkit/LoadData.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const ArgumentAndFile input = SplitFirstLine(AsText(data, size));
  if (HasNumberLongerThan(input.file, 3)) return -1;
  const char *ref = input.argument.c_str();
  MAPSCI *m = GetMAPSCI(WriteInputFile(input.file), ref);
  if (m) {
    Require(m->nprot > 0 && m->ref >= 0 && m->ref < m->nprot, "the reference is one of the proteins");
    Require(m->name[m->ref] && std::strncmp(m->name[m->ref], ref, std::strlen(ref)) == 0,
            "the reference name begins with the reference");
    Require(m->rows >= 0 && m->ncore >= 0 && m->ncore <= m->rows, "at most rows gap-free rows");
    const auto rows = static_cast<std::size_t>(m->rows) + 1;
    const auto ncore = static_cast<std::size_t>(m->ncore) + 1;
    ReadAll(m->rmsd, rows);
    ReadAll(m->core_rmsd, ncore);
    for (int k = 0; k < m->nprot; ++k) {
      ReadAll(m->pos[k], rows);
      ReadAll(m->core[k], ncore);
      for (int c = 0; c < m->ncore; ++c) Require(m->core[k][c] != -1, "no gap in the core");
    }
    Require(!m->pos[m->nprot] && !m->core[m->nprot], "last pointers are null");
  }
  ClearMAPSCI(m);
  return 0;
}
