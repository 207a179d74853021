// The profile table: a PSI-BLAST checkpoint matrix (MTX text form) cut down
// to its two first lines and the 20 standard amino-acid scores per residue.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#include "program.h"

namespace linkerkit {

// Takes the matrix line by line. Lines 1 and 2 are copied; the lines from
// line 3 on that contain a lower-case "e" are header lines; then every line
// whose first integer is -32768 is a residue row of NCBIstdaa columns,
// written as one line of 20 scores in profile alphabet order. The first
// other line ends the matrix.
class ProfileTableBuilder {
 public:
  explicit ProfileTableBuilder(std::string_view path) : path_(path) {}

  // line is NUL-terminated in memory; number counts from 1. Fails naming the
  // line when a residue row holds fewer than 23 integers.
  void AddLine(std::string_view line, std::size_t number);

  // The table. Fails naming the file when it had fewer than three lines or
  // no residue row.
  const std::string &Finish() const;

 private:
  enum class Stage { kCopy, kHeader, kRows, kAfterMatrix };
  std::string path_;
  std::string table_;
  std::size_t lines_ = 0;
  std::size_t rows_ = 0;
  Stage stage_ = Stage::kCopy;
};

// ExtractProfileMatrix [MTX file] [output file]
void RunExtractProfileMatrix(Arguments arguments, std::FILE *out);

}  // namespace linkerkit
