#include "output_file.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <optional>

#include "arguments.h"
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

// The folder the path's last component lies in.
std::string FolderOf(const std::string &path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// A link in /proc, such as the /proc/self/fd/1 that /dev/stdout leads to,
// stands for a process's open file: what it reads is no path to write by
// name ("pipe:[...]", or "... (deleted)").
bool IsProcessLink(const std::string &link) {
  struct statfs folder;
  return statfs(FolderOf(link).c_str(), &folder) == 0 && folder.f_type == PROC_SUPER_MAGIC;
}

// What a symbolic link reads; empty when it cannot be read.
std::string LinkText(const std::string &link) {
  std::string text(256, '\0');
  while (true) {
    const ssize_t length = readlink(link.c_str(), text.data(), text.size());
    if (length < 0) return "";
    if (static_cast<std::size_t>(length) < text.size()) {
      text.resize(static_cast<std::size_t>(length));
      return text;
    }
    text.resize(2 * text.size());
  }
}

// Where path's chain of symbolic links ends: the first path that is no
// link (a file, or the name of one to be created), or a process's link.
// Each relative link is read from its own link's folder. Empty when a link
// cannot be read or the chain is longer than the system follows (a loop).
std::string LinkChainEnd(const std::string &path) {
  constexpr int kMostLinks = 40;
  std::string current = path;
  for (int links = 0; links <= kMostLinks; ++links) {
    struct stat status;
    if (lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode) || IsProcessLink(current)) return current;
    const std::string text = LinkText(current);
    if (text.empty()) return "";
    const std::size_t slash = current.rfind('/');
    current = text.front() == '/' || slash == std::string::npos ? text : current.substr(0, slash + 1) + text;
  }
  return "";
}

// The descriptor of this process that a link of its own /proc fd folder
// stands for (/dev/stdout is /proc/self/fd/1), or -1. Written through a
// copy of that descriptor, the output goes on where the process's own
// writes to it stand, as a redirection to a file expects.
int OwnDescriptorOf(const std::string &link) {
  const auto number = ReadPlainCount(link.substr(link.rfind('/') + 1));
  if (!number) return -1;
  const std::unique_ptr<char, decltype(&std::free)> folder(realpath(FolderOf(link).c_str(), nullptr), &std::free);
  if (!folder || std::string(folder.get()) != "/proc/" + std::to_string(getpid()) + "/fd") return -1;
  struct stat linked;
  struct stat own;
  if (stat(link.c_str(), &linked) != 0 || fstat(*number, &own) != 0 || linked.st_dev != own.st_dev ||
      linked.st_ino != own.st_ino) {
    return -1;
  }
  return *number;
}

// The path's folder resolved, followed by its last component, once its
// links are followed; empty when the folder does not exist.
std::optional<std::string> ResolvedPlace(const std::string &path) {
  const std::string end = LinkChainEnd(path);
  if (end.empty()) return std::nullopt;
  const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(FolderOf(end).c_str(), nullptr), &std::free);
  if (!resolved) return std::nullopt;
  return std::string(resolved.get()) + "/" + end.substr(end.rfind('/') + 1);
}

// mkstemp creates files readable by the owner only; a program's outputs get
// the permissions fopen would have given them.
mode_t CreationMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

AtomicOutputFile::AtomicOutputFile(std::string path) : path_(std::move(path)) {
  // An empty path names no file, though its temporary name would be
  // creatable.
  if (path_.empty()) FailCannotOpen(path_);
  const std::string end = LinkChainEnd(path_);
  if (end.empty()) FailCannotOpen(path_);
  struct stat status;
  const bool exists = stat(end.c_str(), &status) == 0;
  // Nor can a file be renamed over a folder.
  if (exists && S_ISDIR(status.st_mode)) FailCannotOpen(path_);
  struct stat link_status;
  const bool process_link = lstat(end.c_str(), &link_status) == 0 && S_ISLNK(link_status.st_mode);
  if (process_link || (exists && !S_ISREG(status.st_mode))) {
    OpenDirect(end);
    return;
  }
  target_path_ = end;
  temporary_path_ = target_path_ + ".tmpXXXXXX";
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

void AtomicOutputFile::OpenDirect(const std::string &path) {
  direct_ = true;
  // Appended to, never truncated: a file reached through a process's link
  // may be a log that process appends to.
  const int own = OwnDescriptorOf(path);
  const int descriptor =
      own >= 0 ? fcntl(own, F_DUPFD_CLOEXEC, 0) : open(path.c_str(), O_WRONLY | O_APPEND | O_NOCTTY | O_CLOEXEC);
  if (descriptor < 0) FailCannotOpen(path_);
  // "w" leaves the descriptor's flags as they are: a copy shares them with
  // the process's own.
  file_ = fdopen(descriptor, "w");
  if (!file_) {
    close(descriptor);
    FailCannotOpen(path_);
  }
}

AtomicOutputFile::AtomicOutputFile(AtomicOutputFile &&other) noexcept
    : path_(std::move(other.path_)),
      target_path_(std::move(other.target_path_)),
      file_(other.file_),
      direct_(other.direct_) {
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
  if (!written || !closed) throw WriteFailure("cannot write " + path_);
}

void AtomicOutputFile::Commit() {
  Finish();
  if (direct_) return;
  // Only a regular file is replaced, even when something else has taken
  // the target's place since the temporary file was made.
  struct stat status;
  if ((lstat(target_path_.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) ||
      std::rename(temporary_path_.c_str(), target_path_.c_str()) != 0) {
    throw WriteFailure("cannot write " + path_);
  }
  ForgetTemporary();
}

void WriteFilesAtomically(const std::vector<std::pair<std::string, std::string>> &files) {
  std::vector<AtomicOutputFile> outputs;
  outputs.reserve(files.size());
  for (const auto &file : files) outputs.emplace_back(file.first);
  // Every file is written whole before the first one replaces anything,
  // and before the first direct output gets its text.
  for (const bool direct : {false, true}) {
    for (std::size_t i = 0; i < files.size(); ++i) {
      if (outputs[i].IsDirect() != direct) continue;
      outputs[i].Write(files[i].second);
      outputs[i].Finish();
    }
  }
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

void TakeClosedStandardStreams() {
  for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
    if (fcntl(stream, F_GETFD) >= 0 || errno != EBADF) continue;
    // The lowest free number is the stream's own, the lower ones taken.
    if (const int taken = open("/dev/null", O_RDONLY); taken >= 0 && taken != stream) close(taken);
  }
}

std::string TemporaryFolder() {
  const char *tmpdir = std::getenv("TMPDIR");
  return tmpdir && *tmpdir ? tmpdir : "/tmp";
}

}  // namespace linkerkit
