#include "seq_complexity.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "alphabet.h"
#include "arguments.h"
#include "fasta.h"
#include "output_file.h"
#include "track.h"
#include "window.h"

namespace linkerkit {

std::vector<double> SeqComplexityTrack(std::string_view residues, int ws) {
  const long long n = static_cast<long long>(residues.size());
  const long long h = ws / 2;
  std::vector<double> raw(residues.size(), 0.0);
  if (n > 2 * h) {
    // -x ln x for every count a window can hold; the same expression gives
    // the same bits wherever it is evaluated, so the table changes nothing.
    const long long max_count = std::min(2 * h + 1, n);
    std::vector<double> term(static_cast<std::size_t>(max_count) + 1);
    for (long long c = 1; c <= max_count; ++c) {
      const double x = static_cast<double>(c) / static_cast<double>(n);
      term[c] = std::log(x) * (-x);
    }
    std::vector<int> letter(residues.size());
    for (long long p = 0; p < n; ++p) letter[p] = ProfileIndex(residues[p]);

    std::array<long long, kProfileAlphabet.size()> count{};
    for (long long p = 0; p < 2 * h; ++p) {
      if (letter[p] >= 0) ++count[letter[p]];
    }
    for (long long j = h; j < n - h; ++j) {
      if (letter[j + h] >= 0) ++count[letter[j + h]];
      double r = 0.0;
      for (const long long c : count) {
        if (c != 0) r = term[c] + r;
      }
      raw[j] = r;
      if (letter[j - h] >= 0) --count[letter[j - h]];
    }
  }
  return SmoothCentred(raw, ws, WindowEdges::kZero);
}

void RunScoreSeqComplexity(Arguments arguments, std::FILE *out) {
  const int ws = ReadWindowSize(arguments[1]);
  const std::string residues = ReadFastaResidues(arguments[0]);
  WriteAll(out, FormatTrack(SeqComplexityTrack(residues, ws), "QUERY"));
}

}  // namespace linkerkit
