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
constexpr std::array<std::size_t, 20> kProfileColumns = {1,  16, 13, 4, 3,  15, 5,  7,  8,  9,
                                                         11, 10, 12, 6, 14, 17, 18, 20, 22, 19};

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

void ProfileTableBuilder::AddLine(std::string_view line, std::size_t number) {
  ++lines_;
  if (stage_ == Stage::kCopy) {
    table_ += line;
    table_ += '\n';
    if (lines_ == 2) stage_ = Stage::kHeader;
    return;
  }
  if (stage_ == Stage::kHeader) {
    if (line.find('e') != std::string_view::npos) return;
    stage_ = Stage::kRows;
  }
  if (stage_ != Stage::kRows) return;
  if (ReadCInt(line.data()) != kGapScore) {
    stage_ = Stage::kAfterMatrix;
    return;
  }
  std::array<int, kMtxColumns> column{};
  if (ReadMatrixRow(line.data(), column) < kNeededColumns) {
    FailAtLine(path_, number, "matrix row with fewer than 23 integers");
  }
  for (std::size_t k = 0; k < kProfileColumns.size(); ++k) {
    if (k > 0) table_ += ' ';
    AppendInt(table_, column[kProfileColumns[k]]);
  }
  table_ += '\n';
  ++rows_;
}

const std::string &ProfileTableBuilder::Finish() const {
  if (lines_ == 0) FailInFile(path_, "empty checkpoint matrix");
  if (lines_ < 3) FailInFile(path_, "fewer than three lines");
  if (rows_ == 0) FailInFile(path_, "no matrix row (no line beginning with -32768 after the header lines)");
  return table_;
}

void RunExtractProfileMatrix(Arguments arguments, std::FILE *) {
  RefuseOutputOverInputs({arguments[1]}, {arguments[0]});
  ProfileTableBuilder builder(arguments[0]);
  ForEachLine(arguments[0], [&](std::string_view line, std::size_t number) { builder.AddLine(line, number); });
  const std::string &table = builder.Finish();
  AtomicOutputFile output(arguments[1]);
  output.Write(table);
  output.Commit();
}

}  // namespace linkerkit
