#include "chain_position.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "arguments.h"
#include "failure.h"
#include "fasta.h"
#include "output_file.h"
#include "track.h"

namespace linkerkit {

ChainMeasure ReadChainMeasure(const char *text) {
  const std::string_view measure = text;
  if (measure == "terminus") return ChainMeasure::kTerminus;
  if (measure == "length") return ChainMeasure::kLength;
  Fail("unknown measure: " + std::string(measure) + " (terminus or length)");
}

int ReadCap(const char *text) {
  const auto cap = ReadPlainCount(text);
  if (!cap || *cap < 1) Fail(std::string("invalid cap: ") + text);
  return *cap;
}

std::vector<double> ChainPositionTrack(std::size_t n, ChainMeasure measure, int cap) {
  const long long length = static_cast<long long>(n);
  const double divisor = static_cast<double>(cap);
  std::vector<double> values(n);
  for (long long i = 0; i < length; ++i) {
    const long long distance = measure == ChainMeasure::kTerminus
                                   ? std::min({i, length - 1 - i, static_cast<long long>(cap)})
                                   : std::min(length, static_cast<long long>(cap));
    values[static_cast<std::size_t>(i)] = static_cast<double>(distance) / divisor;
  }
  return values;
}

void RunTrackChainPosition(Arguments arguments, std::FILE *out) {
  const ChainMeasure measure = ReadChainMeasure(arguments[1]);
  const int cap = ReadCap(arguments[2]);
  const std::string residues = ReadFastaResidues(arguments[0]);
  WriteAll(out, FormatTrack(ChainPositionTrack(residues.size(), measure, cap), "QUERY"));
}

}  // namespace linkerkit
