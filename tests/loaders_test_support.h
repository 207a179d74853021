// Loader records owned by the test, so that a failed assertion still
// releases them through their Clear function (LeakSanitizer checks that
// Clear frees everything).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "linkerkit/LoadData.h"

namespace linkerkit::test {

template <auto Clear>
struct ReleaseWith {
  template <typename Record>
  void operator()(Record *record) const {
    Clear(record);
  }
};

using OwnedPDB = std::unique_ptr<PDB, ReleaseWith<ClearPDB>>;
using OwnedMAPSCI = std::unique_ptr<MAPSCI, ReleaseWith<ClearMAPSCI>>;
using OwnedROI = std::unique_ptr<ROI, ReleaseWith<ClearROI>>;
using OwnedClustal = std::unique_ptr<Clustal, ReleaseWith<ClearClustal>>;
using OwnedDSSP = std::unique_ptr<DSSP, ReleaseWith<ClearDSSP>>;
using OwnedEigen = std::unique_ptr<Eigen, ReleaseWith<ClearEigen>>;

// The first `count` entries of a record array, plus the one after them that
// must stay zero.
template <typename T>
std::vector<T> Entries(const T *array, int count) {
  return std::vector<T>(array, array + count + 1);
}

// The same for an array of texts; a null entry reads "<null>".
inline std::vector<std::string> Texts(char *const *array, int count) {
  std::vector<std::string> texts;
  for (int i = 0; i <= count; ++i) texts.emplace_back(array[i] ? array[i] : "<null>");
  return texts;
}

}  // namespace linkerkit::test
