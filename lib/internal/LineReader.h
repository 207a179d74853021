// The one rule by which linkerkit splits a file into lines. The line list
// and every program read files through it, so a line means the same thing
// everywhere: at most 99999 bytes per piece, line feed and a carriage return
// before it removed, text ending at its first NUL byte.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string_view>

namespace linkerkit {

class LineReader {
 public:
  static constexpr int kBufferSize = 100000;

  explicit LineReader(const char *path);

  bool IsOpen() const { return file_ != nullptr; }

  // The next line (or piece of an over-long line), valid until the next call
  // and followed by a NUL byte in memory. Returns false at end of file.
  bool Next(std::string_view &line);

  // Plain lines, for a caller that cuts short lines faster than Next does.
  // A line is plain when it ends in a line feed, holds no NUL byte and has
  // at most kMaxPlainLine bytes before its line feed: Next would return it
  // without the line feed and a carriage return just before it.
  // Unread gives the bytes read from the file and not yet returned, followed
  // in memory by a NUL byte; it may end inside a line, and is empty until
  // Next has been called. Skip passes over that many of them, which must be
  // whole plain lines; Next goes on after them.
  static constexpr std::size_t kMaxPlainLine = kBufferSize - 2;
  std::string_view Unread();
  void Skip(std::size_t bytes);

  // True once a read failed for another reason than the end of the file
  // (a directory given as a file, an I/O error).
  bool HadReadError() const { return file_ && std::ferror(file_.get()); }

 private:
  // Reads more of the file behind the unread bytes; false when none came.
  bool Refill();

  struct FileCloser {
    void operator()(std::FILE *file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, FileCloser> file_;
  // Large blocks are read at once and lines are cut out of them in place,
  // as fgets into a buffer of kBufferSize would cut them. The buffer is not
  // zero-filled: only bytes read from the file are looked at, and a small
  // file then touches only the pages it fills.
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = 0;
  std::size_t begin_ = 0;  // first unread byte
  std::size_t end_ = 0;    // one past the last byte read
  // The first NUL byte among the unread ones (kNoNul if none): looked for
  // once per block, not once per line, as NUL bytes are rare.
  static constexpr std::size_t kNoNul = static_cast<std::size_t>(-1);
  std::size_t next_nul_ = kNoNul;
  void FindNextNul();
  // The byte the last line's terminating NUL was written over, put back
  // before the next line is cut.
  void RestoreOverwritten();
  bool overwritten_pending_ = false;
  std::size_t overwritten_at_ = 0;
  char overwritten_ = '\0';
};

}  // namespace linkerkit
