#include "reader_support.h"

#include <cstring>

namespace linkerkit::loaders {

LineList ReadLineList(const char *path) { return LineList(MakeList(path)); }

std::vector<const char *> LineTexts(const LineList &list) {
  std::vector<const char *> texts;
  for (const ListMember *member = list.get(); member; member = member->next) texts.push_back(member->data);
  return texts;
}

bool BeginsWith(const char *line, std::string_view prefix) {
  return std::strncmp(line, prefix.data(), prefix.size()) == 0;
}

const char *FromColumn(std::string_view line, std::size_t index) {
  return index < line.size() ? line.data() + index : "";
}

const char *NextField(const char *field) {
  const char *blank = std::strchr(field, ' ');
  if (!blank) return nullptr;
  while (*blank == ' ') ++blank;
  return *blank ? blank : nullptr;
}

char *CopyText(std::string_view text) {
  char *copy = ZeroedArray<char>(text.size() + 1);
  if (copy) text.copy(copy, text.size());
  return copy;
}

}  // namespace linkerkit::loaders
