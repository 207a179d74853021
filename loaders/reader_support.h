// What every structure file reader shares: the line list it reads the file
// into, C-style number reading, zero-filled record arrays and splitting a
// line into blank-separated fields.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

#include "cnumber.h"
#include "linkerkit/MakeList.h"

namespace linkerkit::loaders {

struct ListReleaser {
  void operator()(ListMember *list) const { ClearList(list); }
};
using LineList = std::unique_ptr<ListMember, ListReleaser>;

// The file's lines through MakeList; empty for a file that cannot be opened
// or holds nothing.
LineList ReadLineList(const char *path);

// The texts of a line list in order, for access by index.
std::vector<const char *> LineTexts(const LineList &list);

bool BeginsWith(const char *line, std::string_view prefix);

// atoi and atof: leading white space skipped, the longest number taken, no
// number at all reads as 0. The programs read numbers by the same rule, so
// both use the one reader of the core library.
using linkerkit::ReadCDouble;
using linkerkit::ReadCInt;

// The text of the line from column `index` (counted from 0) on, or an empty
// text when the line ends before it, so that short lines read as 0.
const char *FromColumn(std::string_view line, std::size_t index);

// Start of the field after the one at `field` (fields are separated by runs
// of blanks), or nullptr when the line has no further field.
const char *NextField(const char *field);

// Records and their arrays are handed to C-style callers that release them
// with free(), so they come from calloc: zero-filled, nullptr when memory
// runs out.
template <typename T>
T *ZeroedArray(std::size_t count) {
  return static_cast<T *>(std::calloc(count, sizeof(T)));
}

// A count read from a file that sizes an array: a negative count holds nothing.
inline std::size_t Capacity(int count) { return count > 0 ? static_cast<std::size_t>(count) + 1 : 1; }

// A zero-terminated copy of the text, or nullptr when memory runs out.
// The line list has a CopyText of its own (lib/MakeList.cpp) that prints
// "cannot make list member.." and ends the process instead: a reader hands
// the failure to its caller as a null record, because the loaders are a
// library whose readers print nothing and never end the process.
char *CopyText(std::string_view text);

}  // namespace linkerkit::loaders
