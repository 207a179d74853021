#include "output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "failure.h"

namespace linkerkit {

namespace {

// mkstemp creates files readable by the owner only; a program's outputs get
// the permissions fopen would have given them.
mode_t CreationMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

AtomicOutputFile::AtomicOutputFile(std::string path) : path_(std::move(path)), temporary_path_(path_ + ".tmpXXXXXX") {
  // An empty path names no file, though its temporary name would be
  // creatable; nor can a file be renamed over a folder.
  struct stat status;
  if (path_.empty() || (stat(path_.c_str(), &status) == 0 && S_ISDIR(status.st_mode))) FailCannotOpen(path_);
  const int descriptor = mkstemp(temporary_path_.data());
  if (descriptor < 0) FailCannotOpen(path_);
  fchmod(descriptor, CreationMode());
  file_ = fdopen(descriptor, "w");
  if (!file_) {
    close(descriptor);
    std::remove(temporary_path_.c_str());
    FailCannotOpen(path_);
  }
}

AtomicOutputFile::AtomicOutputFile(AtomicOutputFile &&other) noexcept
    : path_(std::move(other.path_)), temporary_path_(std::move(other.temporary_path_)), file_(other.file_) {
  other.file_ = nullptr;
  other.temporary_path_.clear();
}

AtomicOutputFile::~AtomicOutputFile() {
  if (file_) std::fclose(file_);
  if (!temporary_path_.empty()) std::remove(temporary_path_.c_str());
}

void AtomicOutputFile::Write(std::string_view text) { std::fwrite(text.data(), 1, text.size(), file_); }

void AtomicOutputFile::Finish() {
  if (!file_) return;
  const bool written = std::fflush(file_) == 0 && !std::ferror(file_);
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!written || !closed) Fail("cannot write " + path_);
}

void AtomicOutputFile::Commit() {
  Finish();
  if (std::rename(temporary_path_.c_str(), path_.c_str()) != 0) Fail("cannot write " + path_);
  temporary_path_.clear();
}

void WriteFilesAtomically(const std::vector<std::pair<std::string, std::string>> &files) {
  std::vector<AtomicOutputFile> outputs;
  outputs.reserve(files.size());
  for (const auto &[path, content] : files) {
    outputs.emplace_back(path);
    outputs.back().Write(content);
  }
  // Every file is written whole before the first one replaces anything.
  for (auto &output : outputs) output.Finish();
  for (auto &output : outputs) output.Commit();
}

}  // namespace linkerkit
