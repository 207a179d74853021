#include "profile_matrix.h"

#include <array>
#include <cstring>

#include "cnumber.h"
#include "failure.h"
#include "lines.h"
#include "output_file.h"
#include "track.h"

namespace linkerkit {

namespace {

constexpr int kGapScore = -32768;
constexpr std::size_t kMtxColumns = 28;
// Columns 0 to 22 run from the gap column to Y, the last one written.
constexpr int kNeededColumns = 23;
// The NCBIstdaa column of each letter of the profile alphabet ARNDCQEGHILKMFPSTWYV.
constexpr std::array<std::size_t, 20> kProfileColumns = {1, 16, 13, 4, 3, 15, 5, 7, 8, 9, 11, 10, 12, 6, 14, 17, 18, 20, 22, 19};

// Reads up to 28 blank-separated integers; returns how many the row holds.
int ReadMatrixRow(const char *row, std::array<int, kMtxColumns> &column) {
  int count = 0;
  const char *cursor = row;
  while (count < static_cast<int>(kMtxColumns)) {
    column[count++] = ReadCInt(cursor);
    cursor = std::strchr(cursor, ' ');
    if (!cursor) break;
    while (*cursor == ' ') ++cursor;
    if (*cursor == '\0') break;  // trailing blanks hold no further integer
  }
  return count;
}

}  // namespace

std::string ProfileTableFromMtx(const std::vector<std::string> &lines, std::string_view path) {
  if (lines.empty()) FailInFile(path, "empty checkpoint matrix");
  if (lines.size() < 3) FailInFile(path, "fewer than three lines");
  std::string table = lines[0] + '\n' + lines[1] + '\n';
  std::size_t i = 2;
  while (i < lines.size() && lines[i].find('e') != std::string::npos) ++i;
  const std::size_t first_row = i;
  for (; i < lines.size() && ReadCInt(lines[i].c_str()) == kGapScore; ++i) {
    std::array<int, kMtxColumns> column{};
    if (ReadMatrixRow(lines[i].c_str(), column) < kNeededColumns) {
      FailAtLine(path, i + 1, "matrix row with fewer than 23 integers");
    }
    for (std::size_t k = 0; k < kProfileColumns.size(); ++k) {
      if (k > 0) table += ' ';
      AppendInt(table, column[kProfileColumns[k]]);
    }
    table += '\n';
  }
  if (i == first_row) FailInFile(path, "no matrix row (no line beginning with -32768 after the header lines)");
  return table;
}

void RunExtractProfileMatrix(Arguments arguments, std::FILE *) {
  const std::string table = ProfileTableFromMtx(ReadLines(arguments[0]), arguments[0]);
  WriteFilesAtomically({{arguments[1], table}});
}

}  // namespace linkerkit
