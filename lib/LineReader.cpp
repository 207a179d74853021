#include "LineReader.h"

#include <cstring>

namespace linkerkit {

LineReader::LineReader(const char *path) : file_(std::fopen(path, "r")), buffer_(kBufferSize) {}

bool LineReader::Next(std::string_view &line) {
  if (!file_ || !std::fgets(buffer_.data(), kBufferSize, file_.get())) return false;
  std::size_t length = std::strlen(buffer_.data());
  if (length > 0 && buffer_[length - 1] == '\n') --length;
  if (length > 0 && buffer_[length - 1] == '\r') --length;
  buffer_[length] = '\0';
  line = std::string_view(buffer_.data(), length);
  return true;
}

}  // namespace linkerkit
