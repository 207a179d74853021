// Every failure of a linkerkit program ends as one line on standard output
// and exit status 1. Program code throws Failure; RunProgram prints it.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace linkerkit {

class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A file could not be written (a full disk, say). Unlike a fault of the
// input, it says nothing against the work done so far: a caller that keeps
// its work (the road keeps its work folder) tells the two apart.
class WriteFailure : public Failure {
 public:
  using Failure::Failure;
};

[[noreturn]] void Fail(const std::string &message);
[[noreturn]] void FailCannotOpen(std::string_view path);

// An input file that is not in its expected form: "PATH: problem", or
// "PATH line N: problem" (N counted from 1) when one line is at fault.
[[noreturn]] void FailInFile(std::string_view path, std::string_view problem);
[[noreturn]] void FailAtLine(std::string_view path, std::size_t line_number, std::string_view problem);

}  // namespace linkerkit
