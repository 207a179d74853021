// The input describes the file: its bytes as they are, except that the four
// bytes 0xFF, HIGH, LOW, BYTE stand for BYTE repeated (HIGH * 256 + LOW) * 4
// times, so that short inputs make lines longer than a piece and files
// longer than a read block. The list must hold the pieces fgets gives with a
// buffer of 100000 bytes, each cut at its first NUL byte and without its
// line feed and a carriage return before it.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "linkerkit/MakeList.h"

namespace {

// Long enough for lines that cross the reader's 256 KiB read blocks; every
// line is a member, so longer files would mostly slow the fuzzer down.
constexpr std::size_t kLongestFile = 300000;

std::string ExpandRuns(std::string_view input) {
  std::string content;
  for (std::size_t i = 0; i < input.size() && content.size() <= kLongestFile; ++i) {
    if (static_cast<unsigned char>(input[i]) == 0xFF && i + 3 < input.size()) {
      const std::size_t count =
          (static_cast<unsigned char>(input[i + 1]) * 256u + static_cast<unsigned char>(input[i + 2])) * 4u;
      content.append(count, input[i + 3]);
      i += 3;
    } else {
      content += input[i];
    }
  }
  return content;
}

std::vector<std::string> FgetsPieces(const char *path) {
  std::vector<std::string> pieces;
  std::FILE *file = std::fopen(path, "r");
  if (!file) return pieces;
  std::vector<char> buffer(100000);
  while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), file)) {
    std::size_t length = std::strlen(buffer.data());
    if (length > 0 && buffer[length - 1] == '\n') --length;
    if (length > 0 && buffer[length - 1] == '\r') --length;
    pieces.emplace_back(buffer.data(), length);
  }
  std::fclose(file);
  return pieces;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const std::string content = ExpandRuns(AsText(data, size));
  if (content.size() > kLongestFile) return -1;
  const char *path = WriteInputFile(content);
  const std::vector<std::string> expected = FgetsPieces(path);
  ListMember *list = MakeList(path);
  Require((list == nullptr) == content.empty(), "no list exactly for an empty file");
  int number = 0;
  for (ListMember *member = list; member; member = member->next, ++number) {
    Require(member->number == number, "members are numbered from 0");
    Require(member->data != nullptr, "every member has its text");
    Require(static_cast<std::size_t>(number) < expected.size() && expected[number] == member->data,
            "each member holds the piece fgets reads");
  }
  Require(static_cast<std::size_t>(number) == expected.size(), "one member per piece");
  ClearList(list);
  return 0;
}
