// What the fuzz targets share: handing the fuzz input to a reader as a file,
// and checking that a returned record is whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace linkerkit::fuzz {

// Writes the input to this process's temporary file and returns its path.
// The readers take paths, so every input goes through a real file.
const char *WriteInputFile(std::string_view content);

inline std::string_view AsText(const std::uint8_t *data, std::size_t size) {
  return {reinterpret_cast<const char *>(data), size};
}

// Targets whose reader takes a second argument read it from the input's
// first line; the rest of the input is the file.
struct ArgumentAndFile {
  std::string argument;
  std::string_view file;
};
ArgumentAndFile SplitFirstLine(std::string_view input);

// Counts read from a file (MAPSCI rows and proteins, region lengths) size the
// record, and the readers trust them: a 30-byte file may rightly ask for
// gigabytes. Targets skip inputs with such numbers so that the fuzzer's
// memory limit only catches real faults.
bool HasNumberLongerThan(std::string_view text, std::size_t digits);

// Ends the run as a crash when a record breaks its own rules.
void Require(bool condition, const char *what);

// Reads every entry, so that AddressSanitizer sees an array shorter than its
// record claims.
template <typename T>
void ReadAll(const T *array, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    [[maybe_unused]] volatile T entry = array[i];
  }
}

}  // namespace linkerkit::fuzz
