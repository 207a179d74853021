#include "road_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <regex>
#include <system_error>

namespace linkerkit {

void FailWriting(const std::string &message, int error_number) {
  throw WriteFailure(error_number == 0 ? message : message + ": " + std::strerror(error_number));
}

void FailAgain(const Failure &failure, const std::string &message) {
  if (dynamic_cast<const WriteFailure *>(&failure)) {
    throw WriteFailure(message);
  }
  throw Failure(message);
}

bool ReadBlocks(const std::string &path, const std::function<bool(std::string_view)> &block) {
  std::FILE *file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  std::string buffer(1 << 16, '\0');
  for (std::size_t got; (got = std::fread(buffer.data(), 1, buffer.size(), file)) > 0;) {
    if (!block(std::string_view(buffer.data(), got))) break;
  }
  const bool unread = std::ferror(file);
  std::fclose(file);
  return !unread;
}

int CopyToStandardOutput(const std::string &path) {
  int error = 0;
  const bool read = ReadBlocks(path, [&](std::string_view block) {
    // A write that failed earlier (the text is written past the buffer)
    // leaves the stream's error flag, and its reason in errno: no older one.
    errno = 0;
    if (std::fwrite(block.data(), 1, block.size(), stdout) != block.size()) error = errno ? errno : EIO;
    return !error;
  });
  if (!read) FailCannotOpen(path);
  if (error) return error;
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) return errno ? errno : EIO;
  // Some file systems (NFS) report a full disk only when a descriptor of
  // the file is closed.
  const int copy = dup(STDOUT_FILENO);
  if (copy < 0 || close(copy) != 0) return errno;
  return 0;
}

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

std::string DescribeScratchFiles(const std::string &message, const std::string &scratch) {
  if (message.find(scratch + "/") == std::string::npos) return message;
  std::string folder;
  for (const char c : scratch + "/") {
    if (std::string_view("\\^$.|?*+()[]{}").find(c) != std::string_view::npos) folder += '\\';
    folder += c;
  }
  // The scratch files, as protein_steps.h names them; a line of the vector
  // lines is a residue's.
  static const std::pair<const char *, const char *> kFiles[] = {
      {R"(protein[0-9]+\.vectors line ([0-9]+))", "its vector line $1"},
      {R"(protein[0-9]+\.vectors)", "its vector lines"},
      {R"(protein[0-9]+\.fa)", "its FASTA record"},
      {R"(protein[0-9]+\.profile)", "its profile table"},
      {R"(protein[0-9]+\.reprof\.ss2)", "reprof's secondary structure for it"},
      {R"(protein[0-9]+\.reprof)", "reprof's prediction for it"},
      {R"([^ :]*)", "its files in the work folder"},
  };
  std::string described = message;
  for (const auto &[file, description] : kFiles) {
    described = std::regex_replace(described, std::regex(folder + file), description);
  }
  return described;
}

void CaptureProgramOutput(const std::string &path, bool atomic, const char *program, const ProgramEntry &entry,
                          std::vector<std::string> arguments, const std::string &who) {
  const std::string prefix = who.empty() ? "" : who + ": ";
  const std::string partial = atomic ? PartialName(path) : path;
  std::FILE *out = std::fopen(partial.c_str(), "w");
  if (!out) FailWriting(prefix + "cannot write " + path, errno);
  std::vector<char *> pointers;
  for (std::string &argument : arguments) pointers.push_back(argument.data());
  try {
    entry(Arguments(pointers.data(), pointers.size()), out);
  } catch (const Failure &failure) {
    std::fclose(out);
    std::remove(partial.c_str());
    FailAgain(failure, prefix + program + " failed: " + failure.what());
  }
  // errno still holds the reason of a write that failed inside the entry.
  int error = std::fflush(out) == 0 && !std::ferror(out) ? 0 : errno ? errno : EIO;
  if (std::fclose(out) != 0 && !error) error = errno;
  if (!error && atomic && std::rename(partial.c_str(), path.c_str()) != 0) error = errno;
  if (error) {
    std::remove(partial.c_str());
    FailWriting(prefix + "cannot write " + path, error);
  }
}

}  // namespace linkerkit
