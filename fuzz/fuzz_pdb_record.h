// The rules every PDB record keeps, whichever reader made it.
#pragma once

#include <cstring>

#include "fuzz_input.h"
#include "linkerkit/LoadData.h"

namespace linkerkit::fuzz {

inline void CheckPDB(const PDB *pdb) {
  if (!pdb) return;
  Require(pdb->num > 0, "a record has entries");
  const auto entries = static_cast<std::size_t>(pdb->num) + 1;
  ReadAll(pdb->x, entries);
  ReadAll(pdb->y, entries);
  ReadAll(pdb->z, entries);
  ReadAll(pdb->bfactor, entries);
  ReadAll(pdb->resnum, entries);
  ReadAll(pdb->group, entries);
  for (int i = 0; i < pdb->num; ++i) {
    Require(pdb->atom[i] && std::strlen(pdb->atom[i]) <= 3, "atom name of at most 3 characters");
    Require(pdb->residue[i] && std::strlen(pdb->residue[i]) <= 3, "residue name of at most 3 characters");
    Require(pdb->seq[i] == Conversion(pdb->residue[i]), "seq holds the residue's code");
  }
  Require(!pdb->atom[pdb->num] && !pdb->residue[pdb->num] && !pdb->seq[pdb->num] && !pdb->group[pdb->num],
          "last entries stay zero");
}

}  // namespace linkerkit::fuzz
