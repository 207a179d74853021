#include "progress.h"

#include <unistd.h>

#include <cstdio>

namespace linkerkit {

std::string Duration(double seconds) {
  char text[32];
  if (seconds < 60) {
    std::snprintf(text, sizeof text, "%.1f s", seconds);
  } else if (seconds < 3600) {
    std::snprintf(text, sizeof text, "%d min %02d s", static_cast<int>(seconds) / 60, static_cast<int>(seconds) % 60);
  } else {
    std::snprintf(text, sizeof text, "%d h %02d min", static_cast<int>(seconds) / 3600,
                  static_cast<int>(seconds) / 60 % 60);
  }
  return text;
}

Progress::Progress(std::size_t total) : total_(total), terminal_(isatty(STDERR_FILENO)) {}

void Progress::Update(std::size_t done, bool final) {
  const double elapsed = Seconds();
  if (!final && elapsed - shown_at_ < (terminal_ ? 0.2 : 5.0)) return;
  if (final && done == shown_done_ && !terminal_) return;
  shown_at_ = elapsed;
  shown_done_ = done;
  std::string line = std::to_string(done) + "/" + std::to_string(total_) + " proteins, " + Duration(elapsed);
  if (done < total_ && done > 0) {
    line += ", about " + Duration(elapsed / static_cast<double>(done) * static_cast<double>(total_ - done)) + " left";
  }
  if (terminal_) {
    std::fprintf(stderr, "\r%-70s%s", line.c_str(), final ? "\n" : "");
  } else {
    std::fprintf(stderr, "%s\n", line.c_str());
  }
  std::fflush(stderr);
}

double Progress::Seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

}  // namespace linkerkit
