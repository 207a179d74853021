#include "output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <optional>

#include "failure.h"

namespace linkerkit {

namespace {

// The temporary files a signal handler removes: pointers to the paths the
// live AtomicOutputFile objects own. Fixed room, as a handler can allocate
// nothing; a program has a few outputs at a time, and one beyond the room
// is simply not registered.
constexpr std::size_t kRegistryRoom = 64;
std::atomic<const char *> registered_temporaries[kRegistryRoom];
static_assert(std::atomic<const char *>::is_always_lock_free, "a signal handler reads the registry");

void RegisterTemporary(const char *path) {
  for (std::atomic<const char *> &slot : registered_temporaries) {
    const char *empty = nullptr;
    if (slot.compare_exchange_strong(empty, path)) return;
  }
}

void UnregisterTemporary(const char *path) {
  for (std::atomic<const char *> &slot : registered_temporaries) {
    const char *expected = path;
    if (slot.compare_exchange_strong(expected, nullptr)) return;
  }
}

extern "C" void RemoveTemporariesAndEnd(int signal_number) {
  const int saved_errno = errno;
  RemoveTemporaryOutputFiles();
  errno = saved_errno;
  // The handler was reset to the default on entry: the signal, raised again,
  // ends the process as it would have without the handler.
  raise(signal_number);
}

// The path's folder resolved, followed by its last component; empty when
// the folder does not exist.
std::optional<std::string> ResolvedPlace(const std::string &path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(folder.c_str(), nullptr), &std::free);
  if (!resolved) return std::nullopt;
  return std::string(resolved.get()) + "/" + path.substr(slash == std::string::npos ? 0 : slash + 1);
}

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
  RegisterTemporary(temporary_path_.c_str());
  fchmod(descriptor, CreationMode());
  file_ = fdopen(descriptor, "w");
  if (!file_) {
    close(descriptor);
    std::remove(temporary_path_.c_str());
    ForgetTemporary();
    FailCannotOpen(path_);
  }
}

AtomicOutputFile::AtomicOutputFile(AtomicOutputFile &&other) noexcept
    : path_(std::move(other.path_)), file_(other.file_) {
  other.file_ = nullptr;
  // A short path lives inside the string object and moves to a new address:
  // the registry then follows it.
  const char *old_address = other.temporary_path_.c_str();
  temporary_path_ = std::move(other.temporary_path_);
  other.temporary_path_.clear();
  if (!temporary_path_.empty() && temporary_path_.c_str() != old_address) {
    RegisterTemporary(temporary_path_.c_str());
    UnregisterTemporary(old_address);
  }
}

AtomicOutputFile::~AtomicOutputFile() {
  if (file_) std::fclose(file_);
  if (!temporary_path_.empty()) {
    // Removed before it leaves the registry, so that a signal in between
    // cannot leave it behind.
    std::remove(temporary_path_.c_str());
    ForgetTemporary();
  }
}

void AtomicOutputFile::ForgetTemporary() {
  UnregisterTemporary(temporary_path_.c_str());
  temporary_path_.clear();
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
  ForgetTemporary();
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

void RemoveTemporaryOutputFiles() noexcept {
  for (std::atomic<const char *> &slot : registered_temporaries) {
    if (const char *path = slot.load()) unlink(path);
  }
}

void RemoveTemporaryOutputFilesOnSignals() {
  for (const int signal_number : {SIGINT, SIGTERM}) {
    // A signal the process was started with ignored (a background job's
    // SIGINT) stays ignored, and a handler someone else installed stays.
    struct sigaction current {};
    if (sigaction(signal_number, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) != 0 ||
        current.sa_handler != SIG_DFL) {
      continue;
    }
    struct sigaction action {};
    action.sa_handler = RemoveTemporariesAndEnd;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    sigaction(signal_number, &action, nullptr);
  }
}

bool NameSameFile(const std::string &a, const std::string &b) {
  if (a == b) return true;
  struct stat a_status;
  struct stat b_status;
  const bool a_exists = stat(a.c_str(), &a_status) == 0;
  const bool b_exists = stat(b.c_str(), &b_status) == 0;
  if (a_exists && b_exists) return a_status.st_dev == b_status.st_dev && a_status.st_ino == b_status.st_ino;
  if (a_exists || b_exists) return false;
  const auto a_place = ResolvedPlace(a);
  const auto b_place = ResolvedPlace(b);
  return a_place && b_place && *a_place == *b_place;
}

void RefuseOutputOverInputs(const std::vector<std::string> &outputs, const std::vector<std::string> &inputs) {
  for (const std::string &output : outputs) {
    for (const std::string &input : inputs) {
      if (NameSameFile(output, input)) Fail("output file " + output + " is the input file " + input);
    }
  }
}

void WriteAll(std::FILE *out, std::string_view text) { std::fwrite(text.data(), 1, text.size(), out); }

}  // namespace linkerkit
