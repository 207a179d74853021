// Output files appear whole or not at all: each is written to a temporary
// file in its own folder and renamed into place once complete, so a failed
// run neither leaves a truncated file nor destroys the previous one.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace linkerkit {

class AtomicOutputFile {
 public:
  // Creates the temporary file; fails with "cannot open PATH", also when
  // PATH is a folder (which the file could never replace).
  explicit AtomicOutputFile(std::string path);
  ~AtomicOutputFile();  // removes the temporary file unless committed
  AtomicOutputFile(const AtomicOutputFile &) = delete;
  AtomicOutputFile &operator=(const AtomicOutputFile &) = delete;
  AtomicOutputFile(AtomicOutputFile &&other) noexcept;
  AtomicOutputFile &operator=(AtomicOutputFile &&) = delete;

  void Write(std::string_view text);
  // Flushes and closes the temporary file; fails with "cannot write PATH"
  // when any of the text could not be written (a full disk, say).
  void Finish();
  // Finishes if that is still to do, then renames into place; fails with
  // "cannot write PATH".
  void Commit();

 private:
  std::string path_;
  std::string temporary_path_;
  std::FILE *file_ = nullptr;
};

// Writes every (path, content) pair; no file is replaced unless all of them
// were written whole.
void WriteFilesAtomically(const std::vector<std::pair<std::string, std::string>> &files);

}  // namespace linkerkit
