#include "label_rows.h"

#include <algorithm>

#include "LineReader.h"
#include "failure.h"
#include "lines.h"
#include "output_file.h"
#include "region.h"
#include "track.h"
#include "vector_comment.h"

namespace linkerkit {

std::vector<bool> ReadLinkerMarks(const std::string &region_path, const std::string &key) {
  // A line of the key begins with the key and the "|" that ends its name, so
  // that P10's lines are not P1's.
  const std::string key_prefix = key + "|";
  std::vector<bool> marks;
  std::size_t first_key_line = 0;
  bool key_lines_over = false;
  ForEachRegionFileLine(region_path, [&](std::string_view line, std::size_t number) {
    // Only the first run of the key's lines is read, as the loader
    // library's GetROI reads a region file.
    if (key_lines_over) return;
    if (!line.starts_with(key_prefix)) {
      key_lines_over = first_key_line != 0;
      return;
    }
    const Region region = ParseRegionLine(line, region_path, number);
    if (first_key_line == 0) {
      first_key_line = number;
      marks.assign(static_cast<std::size_t>(region.protein_length), false);
    } else if (static_cast<std::size_t>(region.protein_length) != marks.size()) {
      FailAtLine(region_path, number,
                 "protein length " + std::to_string(region.protein_length) + " differs from " +
                     std::to_string(marks.size()) + " on line " + std::to_string(first_key_line));
    }
    std::fill(marks.begin() + (region.start - 1), marks.begin() + region.end, true);
  });
  if (first_key_line == 0) Fail("no linker region for " + key + " in " + region_path);
  return marks;
}

void AppendLabelledRow(std::string &out, std::string_view line, std::size_t line_number, const std::vector<bool> &marks,
                       std::string_view path) {
  const VectorComment comment = ReadVectorComment(line, path, line_number);
  const long long regions_length = static_cast<long long>(marks.size());
  if (comment.length != regions_length) {
    FailAtLine(path, line_number,
               "residue count " + std::to_string(comment.length) + " differs from the region length " +
                   std::to_string(regions_length));
  }
  out += marks[static_cast<std::size_t>(comment.position)] ? "+1" : "-1";
  // Everything after the old label stays as it was; a line without a label
  // before its pairs or comment gets one.
  const std::size_t blank = line.find(' ');
  if (blank < comment.start) {
    out += line.substr(blank);
  } else {
    out += ' ';
    out += line;
  }
  out += '\n';
}

void RunLabelFeatureRows(Arguments arguments, std::FILE *out) {
  const std::string vector_path = arguments[0];
  if (!LineReader(vector_path.c_str()).IsOpen()) FailCannotOpen(vector_path);
  const std::vector<bool> marks = ReadLinkerMarks(arguments[1], arguments[2]);
  // Held whole, so that a failure leaves no labelled lines behind.
  std::string text;
  const std::size_t count = ForEachLine(vector_path, [&](std::string_view line, std::size_t number) {
    AppendLabelledRow(text, line, number, marks, vector_path);
  });
  if (count == 0) FailInFile(vector_path, "no vector lines");
  WriteAll(out, text);
}

}  // namespace linkerkit
