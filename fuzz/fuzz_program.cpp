#include "fuzz_program.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "failure.h"
#include "fuzz_input.h"

namespace linkerkit::fuzz {
namespace {

class Folder {
 public:
  Folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "linkerkit-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    path_ = pattern + "/";
  }
  ~Folder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  Folder(const Folder &) = delete;
  Folder &operator=(const Folder &) = delete;
  const std::string &path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace

const std::string &ScratchFolder() {
  static Folder folder;
  return folder.path();
}

std::string WriteScratchFile(const std::string &name, std::string_view content) {
  const std::string path = ScratchFolder() + name;
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(content.data(), static_cast<std::streamsize>(content.size()));
  Require(static_cast<bool>(file), "the scratch file is written");
  return path;
}

std::string ReadScratchFile(const std::string &name) {
  std::ifstream file(ScratchFolder() + name, std::ios::binary);
  Require(static_cast<bool>(file), "the scratch file is there");
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> ScratchEntries() {
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(ScratchFolder())) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void ClearScratchFolder() {
  for (const auto &entry : std::filesystem::directory_iterator(ScratchFolder()))
    std::filesystem::remove_all(entry.path());
}

std::vector<std::string_view> SplitParts(std::string_view input, std::size_t count) {
  std::vector<std::string_view> parts;
  while (parts.size() + 1 < count) {
    const std::size_t end = input.find('\f');
    if (end == std::string_view::npos) break;
    parts.push_back(input.substr(0, end));
    input.remove_prefix(end + 1);
  }
  parts.push_back(input);
  parts.resize(count);
  return parts;
}

ArgumentsAndRest SplitArgumentLine(std::string_view input) {
  const std::size_t end = input.find('\n');
  const std::string_view line = input.substr(0, end);
  ArgumentsAndRest split{{}, end == std::string_view::npos ? std::string_view() : input.substr(end + 1)};
  std::size_t start = 0;
  while (start <= line.size()) {
    const std::size_t blank = std::min(line.find(' ', start), line.size());
    split.arguments.emplace_back(line.substr(start, blank - start));
    start = blank + 1;
  }
  return split;
}

BodyRun RunBody(void (*body)(Arguments, std::FILE *), const std::vector<std::string> &arguments) {
  // The programs take their arguments as C strings, as main receives them.
  std::vector<std::string> storage = arguments;
  std::vector<char *> argv;
  for (std::string &argument : storage) argv.push_back(argument.data());
  char *buffer = nullptr;
  std::size_t size = 0;
  std::FILE *out = open_memstream(&buffer, &size);
  Require(out != nullptr, "an output stream");
  bool succeeded = true;
  try {
    body(Arguments(argv.data(), argv.size()), out);
  } catch (const Failure &) {
    succeeded = false;
  }
  std::fclose(out);
  BodyRun run{succeeded, std::string(buffer, size)};
  std::free(buffer);
  return run;
}

std::vector<std::string_view> OutputLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

bool IsFixed6(std::string_view text) {
  if (text.starts_with('-')) text.remove_prefix(1);
  if (text == "inf" || text == "nan") return true;
  const std::size_t point = text.find('.');
  if (point == 0 || point == std::string_view::npos || text.size() - point != 7) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i != point && (text[i] < '0' || text[i] > '9')) return false;
  }
  return true;
}

void CheckTrack(std::string_view text, std::size_t n, std::string_view tag) {
  Require(text.empty() || text.back() == '\n', "the track ends with a line feed");
  const std::vector<std::string_view> lines = OutputLines(text);
  Require(lines.size() == n, "one track line per residue");
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string fields = " #" + std::string(tag) + " " + std::to_string(i) + " " + std::to_string(n);
    Require(lines[i].ends_with(fields), "a track line ends with its tag, position and length");
    Require(IsFixed6(lines[i].substr(0, lines[i].size() - fields.size())), "a track value is written as %f writes it");
  }
}

}  // namespace linkerkit::fuzz
