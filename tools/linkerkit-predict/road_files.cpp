#include "road_files.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "failure.h"

namespace linkerkit {

bool IsFile(const std::string &path) {
  struct stat status;
  return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

std::string AbsolutePath(const std::string &path) {
  if (path.empty()) return path;
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

std::string PartialName(const std::string &path) { return path + ".part"; }

bool IsPartialName(const std::string &file_name) {
  // Also the programs' own temporary files, "NAME.tmpXXXXXX".
  const auto tmp = file_name.rfind(".tmp");
  return file_name.ends_with(".part") || (tmp != std::string::npos && tmp + 10 == file_name.size());
}

void CaptureProgramOutput(const std::string &path, bool atomic, const char *program, const ProgramEntry &entry,
                          std::vector<std::string> arguments, const std::string &who) {
  const std::string prefix = who.empty() ? "" : who + ": ";
  const std::string partial = atomic ? PartialName(path) : path;
  std::FILE *out = std::fopen(partial.c_str(), "w");
  if (!out) Fail(prefix + "cannot write " + partial);
  std::vector<char *> pointers;
  for (std::string &argument : arguments) pointers.push_back(argument.data());
  try {
    entry(Arguments(pointers.data(), pointers.size()), out);
  } catch (const Failure &failure) {
    std::fclose(out);
    std::remove(partial.c_str());
    Fail(prefix + program + " failed: " + failure.what());
  }
  const bool written = std::fflush(out) == 0 && !std::ferror(out);
  if (std::fclose(out) != 0 || !written || (atomic && std::rename(partial.c_str(), path.c_str()) != 0)) {
    std::remove(partial.c_str());
    Fail(prefix + "cannot write " + path);
  }
}

}  // namespace linkerkit
