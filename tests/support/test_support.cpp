#include "test_support.h"

#include <sys/wait.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace linkerkit::test {

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "linkerkit-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string &path, const std::string &content) {
  std::ofstream file(path, std::ios::binary);
  file << content;
}

std::string ReadFile(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

std::string Printf(const char *format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  std::va_list copy;
  va_copy(copy, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format, arguments);
  va_end(arguments);
  text.pop_back();
  return text;
}

namespace {

std::string ShellQuote(const std::string &text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

RunResult RunShell(const std::string &command) {
  std::FILE *pipe = popen(command.c_str(), "r");
  if (!pipe) throw std::runtime_error("popen failed");
  RunResult result;
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, got);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

}  // namespace

RunResult RunTool(const std::string &program, const std::vector<std::string> &arguments) {
  // LINKERKIT_TOOL_WRAPPER runs every program under a checker, for example
  // "valgrind --leak-check=full --error-exitcode=97 -q": its findings then
  // show as a wrong exit status.
  const char *wrapper = std::getenv("LINKERKIT_TOOL_WRAPPER");
  std::string command;
  if (wrapper) {
    command = wrapper;
    command += ' ';
  }
  command += ShellQuote(std::string(LINKERKIT_BIN_DIR) + "/" + program);
  for (const auto &argument : arguments) {
    command += ' ';
    command += ShellQuote(argument);
  }
  return RunShell(command + " </dev/null 2>/dev/null");
}

RunResult RunCommand(const std::vector<std::string> &arguments) {
  std::string command;
  for (const auto &argument : arguments) command += ShellQuote(argument) + ' ';
  return RunShell(command + "</dev/null 2>&1");
}

std::vector<float> FloatsOfEveryExponent(unsigned seed, int per_exponent, unsigned exponent_step) {
  std::mt19937 bits(seed);
  std::vector<float> values;
  for (std::uint32_t exponent = 0; exponent < 256; exponent += exponent_step) {
    for (int i = 0; i < per_exponent; ++i) {
      const std::uint32_t word = (bits() & 0x807fffffu) | (exponent << 23);
      float value;
      std::memcpy(&value, &word, sizeof value);
      values.push_back(value);
    }
  }
  return values;
}

}  // namespace linkerkit::test
