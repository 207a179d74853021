// The road's progress on standard error.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

namespace linkerkit {

// A time as people read it: "4.2 s", "3 min 07 s", "2 h 05 min".
std::string Duration(double seconds);

// Shows the proteins done out of the total, the time taken and the time
// left: redrawn in place on a terminal, a line every few seconds elsewhere.
class Progress {
 public:
  explicit Progress(std::size_t total);

  void Update(std::size_t done, bool final);

  double Seconds() const;

 private:
  std::size_t total_;
  bool terminal_;
  double shown_at_ = -1e9;
  std::size_t shown_done_ = static_cast<std::size_t>(-1);
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

}  // namespace linkerkit
