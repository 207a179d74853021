// The centred windows of the road: the one every feature track is smoothed
// with, and the clipped one the classifier's scores are averaged over.
#pragma once

#include <algorithm>
#include <vector>

namespace linkerkit {

// What the positions without a full window hold.
enum class WindowEdges { kZero, kRaw };

// The half width is ws / 2; position i (h <= i < n - h) gets
// raw[i - h] + ... + raw[i + h], added in that order into a Real that starts
// at 0, divided by ws itself (not by 2h + 1). The order of the additions is
// part of the result, so there is no running sum here.
template <typename Real>
std::vector<Real> SmoothCentred(const std::vector<Real> &raw, int ws, WindowEdges edges) {
  const long long n = static_cast<long long>(raw.size());
  const long long h = ws / 2;
  const Real divisor = static_cast<Real>(ws);
  std::vector<Real> smoothed(raw.size());
  for (long long i = 0; i < n; ++i) {
    if (i >= h && i < n - h) {
      Real total = 0;
      for (long long m = i - h; m <= i + h; ++m) total = raw[m] + total;
      smoothed[i] = total / divisor;
    } else {
      smoothed[i] = edges == WindowEdges::kRaw ? raw[i] : Real(0);
    }
  }
  return smoothed;
}

// Mean over the centred window of ws / 2 on each side, clipped at the chain
// ends: a true mean of the values inside, so the scores near either end keep
// their scale (SmoothCentred would zero them or leave them raw).
inline std::vector<double> SmoothClipped(const std::vector<double> &values, int ws) {
  const long long n = static_cast<long long>(values.size());
  const long long h = ws / 2;
  std::vector<double> smoothed(values.size());
  for (long long i = 0; i < n; ++i) {
    const long long first = std::max(0LL, i - h);
    const long long last = std::min(n - 1, i + h);
    double total = 0.0;
    for (long long p = first; p <= last; ++p) total += values[p];
    smoothed[i] = total / static_cast<double>(last - first + 1);
  }
  return smoothed;
}

}  // namespace linkerkit
