// The shell every program's main runs in: argument count, then the body,
// then the one-line failure message and status 1 if the body fails.
#pragma once

#include <cstdio>
#include <functional>
#include <span>
#include <string_view>

namespace linkerkit {

// The program's arguments without the program name.
using Arguments = std::span<char *const>;
using ProgramBody = std::function<void(Arguments arguments, std::FILE *out)>;

// Runs body with the arguments and standard output when exactly
// argument_count arguments were given, else prints the usage line. Returns
// the exit status: 0 for a normal end, 1 for a failure, a failed write or
// memory running out ("out of memory").
int RunProgram(int argc, char **argv, int argument_count, std::string_view usage, const ProgramBody &body);

// The same for a program whose last arguments may be left out: from
// fewest_arguments to most_arguments are accepted, and body gets as many as
// were given.
int RunProgram(int argc, char **argv, int fewest_arguments, int most_arguments, std::string_view usage,
               const ProgramBody &body);

}  // namespace linkerkit
