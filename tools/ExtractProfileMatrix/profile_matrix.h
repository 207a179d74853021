// The profile table: a PSI-BLAST checkpoint matrix (MTX text form) cut down
// to its two first lines and the 20 standard amino-acid scores per residue.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "program.h"

namespace linkerkit {

// Lines 1 and 2 are copied; the lines from line 3 on that contain a
// lower-case "e" are header lines; then every line whose first integer is
// -32768 is a residue row of NCBIstdaa columns, written as one line of 20
// scores in profile alphabet order. The first other line ends the matrix.
// Fails naming path when there are fewer than three lines or no residue
// row, and naming the line when a row holds fewer than 23 integers.
std::string ProfileTableFromMtx(const std::vector<std::string> &lines, std::string_view path);

// ExtractProfileMatrix [MTX file] [output file]
void RunExtractProfileMatrix(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
