// Reading input files whole, line by line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "LineReader.h"
#include "failure.h"

namespace linkerkit {

// The file's lines as the line list would hold them. A file that cannot be
// opened or read fails with "cannot open PATH"; an empty file gives no lines.
std::vector<std::string> ReadLines(const std::string &path);

// The line without the UTF-8 byte-order mark that some editors put at the
// start of a file: for a file's first line, where the mark would otherwise
// become part of a header or a protein's name.
std::string_view WithoutByteOrderMark(std::string_view first_line);

// The same lines streamed: on_line(line, number) for each, number counted
// from 1, the line NUL-terminated in memory and valid only during the call.
// Returns the number of lines. Fails as ReadLines does.
template <typename OnLine>
std::size_t ForEachLine(const std::string &path, OnLine on_line) {
  LineReader reader(path.c_str());
  if (!reader.IsOpen()) FailCannotOpen(path);
  std::string_view line;
  std::size_t number = 0;
  while (reader.Next(line)) on_line(line, ++number);
  if (reader.HadReadError()) FailCannotOpen(path);
  return number;
}

}  // namespace linkerkit
