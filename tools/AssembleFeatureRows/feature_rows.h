// The track files of one protein joined into one SVM-light vector line per
// residue: "0 1:v1 2:v2 ... #QUERY position length".
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
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

// A track value as the column holds it once its line's text is read back.
float ColumnValue(double track_value);

// Appends the vector line of one position: every feature, 0 included.
void AppendFeatureRow(std::string &out, const std::vector<FeatureColumn> &columns, std::size_t position, std::size_t m);

// The (index, value) pairs a reader of that line gets (ClassifyFeatureRows),
// made without the text.
std::vector<std::pair<int, double>> FeatureRowValues(const std::vector<FeatureColumn> &columns, std::size_t position);

// AssembleFeatureRows [index list] [Vector element dir]
void RunAssembleFeatureRows(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
