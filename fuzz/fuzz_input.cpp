#include "fuzz_input.h"

#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace linkerkit::fuzz {
namespace {

class InputFile {
 public:
  InputFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "linkerkit-fuzz-XXXXXX").string();
    const int descriptor = mkstemp(pattern.data());
    if (descriptor < 0) std::abort();
    close(descriptor);
    path_ = pattern;
  }
  ~InputFile() { std::remove(path_.c_str()); }
  InputFile(const InputFile &) = delete;
  InputFile &operator=(const InputFile &) = delete;

  const char *Write(std::string_view content) {
    std::FILE *file = std::fopen(path_.c_str(), "wb");
    if (!file) std::abort();
    if (std::fwrite(content.data(), 1, content.size(), file) != content.size()) std::abort();
    std::fclose(file);
    return path_.c_str();
  }

 private:
  std::string path_;
};

}  // namespace

const char *WriteInputFile(std::string_view content) {
  static InputFile file;
  return file.Write(content);
}

ArgumentAndFile SplitFirstLine(std::string_view input) {
  const std::size_t end = input.find('\n');
  if (end == std::string_view::npos) return {std::string(input), {}};
  return {std::string(input.substr(0, end)), input.substr(end + 1)};
}

bool HasNumberLongerThan(std::string_view text, std::size_t digits) {
  std::size_t run = 0;
  for (const char c : text) {
    run = std::isdigit(static_cast<unsigned char>(c)) ? run + 1 : 0;
    if (run > digits) return true;
  }
  return false;
}

void Require(bool condition, const char *what) {
  if (condition) return;
  std::fprintf(stderr, "record rule broken: %s\n", what);
  std::abort();
}

}  // namespace linkerkit::fuzz
