// Reading input files whole, line by line.
#pragma once

#include <string>
#include <vector>

namespace linkerkit {

// The file's lines as the line list would hold them. A file that cannot be
// opened or read fails with "cannot open PATH"; an empty file gives no lines.
std::vector<std::string> ReadLines(const std::string &path);

}  // namespace linkerkit
