#include "lines.h"

#include "LineReader.h"
#include "failure.h"

namespace linkerkit {

std::vector<std::string> ReadLines(const std::string &path) {
  LineReader reader(path.c_str());
  if (!reader.IsOpen()) FailCannotOpen(path);
  std::vector<std::string> lines;
  std::string_view line;
  while (reader.Next(line)) lines.emplace_back(line);
  if (reader.HadReadError()) FailCannotOpen(path);
  return lines;
}

}  // namespace linkerkit
