// The comment that ends a vector line, "#QUERY POSITION LENGTH": which
// residue of how long a protein the line describes. AssembleFeatureRows
// writes it; the classifier and the labeller read it here, so that both
// accept the same lines.
#pragma once

#include <cstddef>
#include <string_view>

namespace linkerkit {

struct VectorComment {
  std::size_t start;     // where the "#" stands in the line
  std::string_view tag;  // QUERY, as AssembleFeatureRows writes it
  int position;          // from 0
  int length;            // the protein's residue count
};

// The comment begins at the line's first "#": a tag of at least one
// character without blanks, then the position and the length as whole
// decimal numbers (digits only), each after one or more blanks or tabs;
// blanks may follow, nothing else. The position lies from 0 to length - 1.
// Fails with "PATH line N: no #QUERY comment" when the line has no "#", and
// names the fault otherwise.
VectorComment ReadVectorComment(std::string_view line, std::string_view path, std::size_t line_number);

}  // namespace linkerkit
