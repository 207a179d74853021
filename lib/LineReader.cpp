#include "LineReader.h"

#include <cstring>

namespace linkerkit {

namespace {

// Each read brings this much of the file at once; the buffer holds it, what
// is left over of the previous read (less than one piece) and a spare byte.
constexpr std::size_t kReadSize = std::size_t{1} << 18;
constexpr std::size_t kMaxPiece = LineReader::kBufferSize - 1;

}  // namespace

LineReader::LineReader(const char *path) : file_(std::fopen(path, "r")) {
  if (!file_) return;
  capacity_ = kReadSize + kMaxPiece + 1;
  buffer_ = std::make_unique_for_overwrite<char[]>(capacity_);
  buffer_[0] = '\0';
}

bool LineReader::Refill() {
  std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
  end_ -= begin_;
  begin_ = 0;
  const std::size_t got = std::fread(buffer_.get() + end_, 1, capacity_ - 1 - end_, file_.get());
  end_ += got;
  buffer_[end_] = '\0';  // what Unread promises after its bytes
  FindNextNul();
  return got > 0;
}

void LineReader::FindNextNul() {
  const void *nul = std::memchr(buffer_.get() + begin_, '\0', end_ - begin_);
  next_nul_ = nul ? static_cast<std::size_t>(static_cast<const char *>(nul) - buffer_.get()) : kNoNul;
}

void LineReader::RestoreOverwritten() {
  if (overwritten_pending_) buffer_[overwritten_at_] = overwritten_;
  overwritten_pending_ = false;
}

std::string_view LineReader::Unread() {
  if (!file_) return {};
  RestoreOverwritten();
  return std::string_view(buffer_.get() + begin_, end_ - begin_);
}

void LineReader::Skip(std::size_t bytes) {
  begin_ += bytes;
  // Plain lines hold no NUL byte; should some have been passed over, the
  // next one is found again rather than cutting a line short of it.
  if (next_nul_ < begin_) FindNextNul();
}

bool LineReader::Next(std::string_view &line) {
  if (!file_) return false;
  RestoreOverwritten();
  const char *newline = nullptr;
  while (true) {
    const std::size_t available = end_ - begin_;
    const std::size_t window = available < kMaxPiece ? available : kMaxPiece;
    newline = static_cast<const char *>(std::memchr(buffer_.get() + begin_, '\n', window));
    if (newline || available >= kMaxPiece) break;
    if (std::ferror(file_.get()) || !Refill()) {
      if (begin_ == end_) return false;
      break;  // the last line has no line feed
    }
  }
  const std::size_t start = begin_;
  const std::size_t piece = newline ? static_cast<std::size_t>(newline - (buffer_.get() + start)) + 1
                                    : (end_ - start < kMaxPiece ? end_ - start : kMaxPiece);
  begin_ = start + piece;

  // The text ends at a NUL byte inside the piece.
  char *text = buffer_.get() + start;
  std::size_t length = piece;
  if (next_nul_ < begin_) {
    length = next_nul_ - start;
    FindNextNul();
  }
  if (length > 0 && text[length - 1] == '\n') --length;
  if (length > 0 && text[length - 1] == '\r') --length;
  overwritten_pending_ = true;
  overwritten_at_ = start + length;
  overwritten_ = text[length];
  text[length] = '\0';
  line = std::string_view(text, length);
  return true;
}

}  // namespace linkerkit
