// The shell every program's main runs in: argument count, then the body,
// then the one-line failure message and status 1 if the body fails.
#pragma once

#include <cstdio>
#include <functional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace linkerkit {

// The program's arguments without the program name.
using Arguments = std::span<char *const>;
using ProgramBody = std::function<void(Arguments arguments, std::FILE *out)>;

// Runs body with the arguments and standard output when exactly
// argument_count arguments were given, else prints the usage line. Returns
// the exit status: 0 for a normal end, 1 for a failure, a failed write or
// memory running out ("out of memory").
//
// A lone "--help" prints the usage line, a blank line and about (what the
// program does, reads and writes), a lone "--version" prints the program's
// name (the usage line's first word) and linkerkit's version; both end with
// status 0. A run ended by SIGINT or SIGTERM leaves no temporary file.
int RunProgram(int argc, char **argv, int argument_count, std::string_view usage, std::string_view about,
               const ProgramBody &body);
int RunProgram(int argc, char **argv, int argument_count, std::string_view usage, const ProgramBody &body);

// The same for a program whose last arguments may be left out: from
// fewest_arguments to most_arguments are accepted, and body gets as many as
// were given.
int RunProgram(int argc, char **argv, int fewest_arguments, int most_arguments, std::string_view usage,
               std::string_view about, const ProgramBody &body);
int RunProgram(int argc, char **argv, int fewest_arguments, int most_arguments, std::string_view usage,
               const ProgramBody &body);

// An option a program accepts before its arguments: "--name", followed by
// its value when it takes one.
struct ProgramOption {
  std::string_view name;  // with its leading "--"
  bool takes_value;
};

// The options a run was given.
class GivenOptions {
 public:
  bool Has(std::string_view name) const;
  // The value given with an option that takes one; nullptr when the option
  // was not given.
  const char *Value(std::string_view name) const;
  void Add(std::string_view name, const char *value) { given_.emplace_back(name, value); }

 private:
  std::vector<std::pair<std::string_view, const char *>> given_;
};

using OptionsProgramBody = std::function<void(const GivenOptions &options, Arguments arguments, std::FILE *out)>;

// RunProgram for a program that also takes options. The leading arguments
// that begin with "--" are options, in any order, each at most once; a
// lone "--" ends them, so that an argument may itself begin with "--". An
// unknown or repeated option, or one without its value, is a failure (one
// line, status 1). Then exactly argument_count arguments must follow, else
// the usage line is printed.
int RunProgramWithOptions(int argc, char **argv, std::span<const ProgramOption> options, int argument_count,
                          std::string_view usage, std::string_view about, const OptionsProgramBody &body);
int RunProgramWithOptions(int argc, char **argv, std::span<const ProgramOption> options, int argument_count,
                          std::string_view usage, const OptionsProgramBody &body);
// The same for a program whose last arguments may be left out: from
// fewest_arguments to most_arguments may follow the options.
int RunProgramWithOptions(int argc, char **argv, std::span<const ProgramOption> options, int fewest_arguments,
                          int most_arguments, std::string_view usage, std::string_view about,
                          const OptionsProgramBody &body);

}  // namespace linkerkit
