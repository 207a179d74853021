#include "lines.h"

namespace linkerkit {

std::string_view WithoutByteOrderMark(std::string_view first_line) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (first_line.starts_with(kByteOrderMark)) first_line.remove_prefix(kByteOrderMark.size());
  return first_line;
}

std::vector<std::string> ReadLines(const std::string &path) {
  std::vector<std::string> lines;
  ForEachLine(path, [&](std::string_view line, std::size_t) { lines.emplace_back(line); });
  return lines;
}

}  // namespace linkerkit
