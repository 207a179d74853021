// Every failure of a linkerkit program ends as one line on standard output
// and exit status 1. Program code throws Failure; RunProgram prints it.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace linkerkit {

class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string &message);
[[noreturn]] void FailCannotOpen(std::string_view path);

}  // namespace linkerkit
