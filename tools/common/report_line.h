// The linker report line, one linker of one protein:
// "NAME|START,END|RUN_LENGTH|PEAK_VALUE|LENGTH|PEAK_POSITION|RANK", positions
// from 0, both ends included. ReportDomainHinges and SegmentDomains write
// it; the road and EvaluateLinkers read it, taking the middle of START,END
// for the predicted domain boundary.
#pragma once

#include <string>
#include <string_view>

namespace linkerkit {

// A report that calls no linker at all is this line alone.
inline constexpr std::string_view kNoPredictionLine = "No prediction\n";

// Appends the line with its line feed; RUN_LENGTH is end - start + 1 and
// PEAK_VALUE is printed as "%f" prints peak widened to double.
void AppendReportLine(std::string &out, std::string_view name, int start, int end, float peak, int length,
                      int peak_position, long long rank);

}  // namespace linkerkit
