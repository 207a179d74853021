#include "program.h"

#include <new>

#include "failure.h"

namespace linkerkit {

void Fail(const std::string &message) { throw Failure(message); }

void FailCannotOpen(std::string_view path) { Fail("cannot open " + std::string(path)); }

void FailInFile(std::string_view path, std::string_view problem) {
  Fail(std::string(path) + ": " + std::string(problem));
}

void FailAtLine(std::string_view path, std::size_t line_number, std::string_view problem) {
  Fail(std::string(path) + " line " + std::to_string(line_number) + ": " + std::string(problem));
}

int RunProgram(int argc, char **argv, int argument_count, std::string_view usage, const ProgramBody &body) {
  return RunProgram(argc, argv, argument_count, argument_count, usage, body);
}

int RunProgram(int argc, char **argv, int fewest_arguments, int most_arguments, std::string_view usage,
               const ProgramBody &body) {
  const int argument_count = argc - 1;
  if (argument_count < fewest_arguments || argument_count > most_arguments) {
    std::printf("%.*s\n", static_cast<int>(usage.size()), usage.data());
    return 1;
  }
  try {
    body(Arguments(argv + 1, static_cast<std::size_t>(argument_count)), stdout);
  } catch (const Failure &failure) {
    std::printf("%s\n", failure.what());
    std::fflush(stdout);
    return 1;
  } catch (const std::bad_alloc &) {
    // A count read from a file sizes some arrays (a profile table's residue
    // count, say); one too large for this machine ends the run like any
    // other bad input, not with an abort.
    std::printf("out of memory\n");
    std::fflush(stdout);
    return 1;
  }
  // A full disk or a closed pipe must not pass for a complete track.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) return 1;
  return 0;
}

}  // namespace linkerkit
