// The track files of one protein joined into one SVM-light vector line per
// residue: "0 1:v1 2:v2 ... #QUERY position length".
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "program.h"

namespace linkerkit {

// One feature's values by position: m residues plus a spare slot at m that
// takes a value but is never written.
using FeatureColumn = std::vector<float>;

// Stores a track line's value, in single precision, at the position its tag
// names; a later line for a position replaces an earlier one. Fails naming
// path and the line when the line (NUL-terminated) has no "#" followed by a
// space or its position lies outside 0 to m.
void StoreTrackLine(std::string_view line, std::size_t line_number, FeatureColumn &column, std::string_view path);

// Appends the vector line of one position: every feature, 0 included.
void AppendFeatureRow(std::string &out, const std::vector<FeatureColumn> &columns, std::size_t position, std::size_t m);

// AssembleFeatureRows [index list] [Vector element dir]
void RunAssembleFeatureRows(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
