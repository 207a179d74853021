// Helpers for tests that work on files and run the built programs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace linkerkit::test {

// A fresh folder, removed with everything in it when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  const std::filesystem::path &path() const { return path_; }
  // Path of name inside the folder, as a string.
  std::string operator/(const std::string &name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

void WriteFile(const std::string &path, const std::string &content);
std::string ReadFile(const std::string &path);

// printf's text for the format and arguments: what C prints for a value is
// what the programs must print.
std::string Printf(const char *format, ...) __attribute__((format(printf, 1, 2)));

struct RunResult {
  std::string out;  // everything the program wrote on standard output
  int status;       // exit status
};

// Runs a built program (by its name in the build's bin folder) with the
// arguments, standard input from /dev/null and standard error discarded,
// under the command in LINKERKIT_TOOL_WRAPPER when that is set.
RunResult RunTool(const std::string &program, const std::vector<std::string> &arguments);

// Runs any command (the first argument found on the PATH unless it holds a
// "/"), standard input from /dev/null; standard error is kept in out after
// standard output, for the failure report of a test.
RunResult RunCommand(const std::vector<std::string> &arguments);

// Floats of every exponent (0 to 255, by exponent_step) with random
// mantissas and both signs, per_exponent of each from the seed: infinities
// and nans among them.
std::vector<float> FloatsOfEveryExponent(unsigned seed, int per_exponent, unsigned exponent_step = 1);

}  // namespace linkerkit::test
