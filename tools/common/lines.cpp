#include "lines.h"

namespace linkerkit {

std::vector<std::string> ReadLines(const std::string &path) {
  std::vector<std::string> lines;
  ForEachLine(path, [&](std::string_view line, std::size_t) { lines.emplace_back(line); });
  return lines;
}

}  // namespace linkerkit
