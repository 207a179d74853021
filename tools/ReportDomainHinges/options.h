// The settings of ReportDomainHinges and the options file they come from:
// one "Key = value" per line, the last line of a key winning.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace linkerkit {

// Keys are matched in this order, exactly and with case. Only OffSet,
// NormalizedFile and OutputFile change the report; Rank and Threshold are
// replaced from the command line; the others are accepted and kept.
struct ReportSettings {
  int ws = 1;                                 // WindowSize
  int smoothing_ws = 5;                       // SmoothingValue
  float cutoff = -0.1f;                       // CutOFF
  float threshold = -0.1f;                    // Threshold
  int length_min = 1;                         // LengthMin
  int rank = 1;                               // Rank
  int offset = 0;                             // OffSet: margin of the position filter
  int mergin = 60;                            // Margin
  std::optional<std::string> answer_file;     // AnswerFile
  std::optional<std::string> smoothing_file;  // NormalizedFile: the score file
  std::optional<std::string> output_file;     // OutputFile: the report file
};

struct OptionsRead {
  ReportSettings settings;
  // One "There's no parameter named KEY" line per unknown key, in file order.
  std::string messages;
};

// Applies the lines over the defaults. The key ends at a line's first space
// (a line without one is all key); the value begins two characters after its
// first "=", so "Key = value" gives "value" whatever the two characters are,
// and a value beginning past the line's end is empty. Numbers are read as
// atoi and atof read them (the float narrowed), a text value is the whole
// rest of the line, spaces included. Blank lines are skipped.
OptionsRead ApplyOptionLines(const std::vector<std::string> &lines);

// The options file at path; fails with "cannot open PATH".
OptionsRead ReadOption(const std::string &path);

}  // namespace linkerkit
