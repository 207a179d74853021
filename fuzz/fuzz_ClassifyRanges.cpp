// The input is a range file as svm-scale -s saves it. Scaled vectors keep
// their features in ascending order and only those with a range.
#include "failure.h"
#include "feature_ranges.h"
#include "fuzz_input.h"
#include "fuzz_program.h"
#include "lines.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const std::string path = WriteScratchFile("ranges", AsText(data, size));
  try {
    const linkerkit::FeatureRanges ranges(linkerkit::ReadLines(path), path);
    for (const linkerkit::FeatureVector &vector :
         {linkerkit::FeatureVector{}, linkerkit::FeatureVector{{1, 0.5}, {2, -1.0}, {3, 1e300}, {7, 2.0}},
          linkerkit::FeatureVector{{2, 0.0}, {ranges.highest_index(), -3.0}}}) {
      const linkerkit::FeatureVector scaled = ranges.Scale(vector);
      for (std::size_t i = 0; i < scaled.size(); ++i) {
        Require(scaled[i].first >= 1 && scaled[i].first <= ranges.highest_index(), "only features with a range");
        Require(i == 0 || scaled[i].first > scaled[i - 1].first, "indices ascend");
      }
    }
  } catch (const linkerkit::Failure &) {
  }
  return 0;
}
