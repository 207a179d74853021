// Training labels for one protein's vector lines: +1 for residues inside the
// protein's linker regions, -1 elsewhere, so that svm-train can learn which
// vectors look like linkers.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "program.h"

namespace linkerkit {

// One flag per residue (0-based), true inside a linker region. The region
// file's lines "KEY|start,end|...|...|length" count from 1 and include both
// ends; the first run of consecutive lines of the key is read. Fails with
// "cannot open PATH", when the file holds no line for the key, and naming the
// line when a region cannot lie on the protein or the key's lines disagree on
// its length. A line of another protein whose name merely begins with the
// key (P10 for P1) is not the key's.
std::vector<bool> ReadLinkerMarks(const std::string &region_path, const std::string &key);

// Appends the vector line (NUL-terminated) with its label replaced by +1 or
// -1, as the residue in its "#QUERY position length" comment lies inside or
// outside a linker. Fails naming path and line when the comment is missing,
// its length is not the number of marks or its position lies outside them.
void AppendLabelledRow(std::string &out, std::string_view line, std::size_t line_number, const std::vector<bool> &marks,
                       std::string_view path);

// LabelFeatureRows [vector file] [region file] [key]
void RunLabelFeatureRows(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
