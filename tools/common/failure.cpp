#include "failure.h"

#include <string>

namespace linkerkit {

void Fail(const std::string &message) { throw Failure(message); }

void FailCannotOpen(std::string_view path) { Fail("cannot open " + std::string(path)); }

void FailInFile(std::string_view path, std::string_view problem) {
  Fail(std::string(path) + ": " + std::string(problem));
}

void FailAtLine(std::string_view path, std::size_t line_number, std::string_view problem) {
  Fail(std::string(path) + " line " + std::to_string(line_number) + ": " + std::string(problem));
}

}  // namespace linkerkit
