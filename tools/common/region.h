// A region line, "NAME|START,END|TYPE|LENGTH|PROTEIN_LENGTH": one stretch of
// a protein (a linker, a domain), positions from 1, both ends included. The
// loader library's GetROI reads the same lines without looking at them; the
// programs read them here, where a region that cannot lie on its protein
// stops the run instead of marking the wrong residues.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "lines.h"

namespace linkerkit {

struct Region {
  std::string_view name;  // points into the line
  int start;
  int end;
  int protein_length;
  std::string_view type;  // as it stands, unchecked; points into the line
};

// LENGTH is not read. Fails with "PATH line N: problem" when the
// line has not these five fields, the name is empty, START, END or
// PROTEIN_LENGTH is not a whole decimal number, or the range is reversed or
// does not lie within 1 to PROTEIN_LENGTH.
Region ParseRegionLine(std::string_view line, std::string_view path, std::size_t line_number);

// Calls on_line(line, number) for every line of a region file as
// ForEachLine does, the first line without its byte-order mark. Fails as
// ForEachLine does.
template <typename OnLine>
std::size_t ForEachRegionFileLine(const std::string &path, OnLine on_line) {
  return ForEachLine(path, [&](std::string_view line, std::size_t number) {
    on_line(number == 1 ? WithoutByteOrderMark(line) : line, number);
  });
}

// The pieces of a "|"-separated line and the checks of its numbers, shared
// with the linker report, whose lines have the same shape.

// The texts between the separators: n separators give n + 1 fields.
std::vector<std::string_view> SplitFields(std::string_view line, char separator);

// A field that must be a whole decimal number; what names it in the message
// "WHAT "TEXT" is not a whole number".
int ReadNumberField(std::string_view text, std::string_view what, std::string_view path, std::size_t line_number);

// "START,END" of two whole numbers, START not above END.
struct Range {
  int start;
  int end;
};
Range ReadRangeField(std::string_view text, std::string_view path, std::size_t line_number);

}  // namespace linkerkit
