// What the fuzz targets of the programs share: a scratch folder for the
// files a run reads and writes, inputs that hold several files, and running
// a program's body as its main would, without ending the process.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "program.h"

namespace linkerkit::fuzz {

// This process's own empty folder, with a trailing "/": the target writes
// its input files and the program its output files here.
const std::string &ScratchFolder();

// Writes content to NAME in the scratch folder and returns its path.
std::string WriteScratchFile(const std::string &name, std::string_view content);

// The content of NAME in the scratch folder.
std::string ReadScratchFile(const std::string &name);

// The names of the scratch folder's entries, sorted.
std::vector<std::string> ScratchEntries();

// Removes everything in the scratch folder.
void ClearScratchFolder();

// An input holding several files: the parts between form feeds, so that a
// seed is readable and the fuzzer moves bytes between files with ease.
// Always `count` parts; missing ones are empty, the last takes the rest.
std::vector<std::string_view> SplitParts(std::string_view input, std::size_t count);

// The input's first line (arguments for the program), and the rest.
struct ArgumentsAndRest {
  std::vector<std::string> arguments;  // the first line split at blanks
  std::string_view rest;
};
ArgumentsAndRest SplitArgumentLine(std::string_view input);

// A run of a program body: whether it ended normally (false when it threw
// Failure, which is how every program reports a bad input) and what it
// wrote on its output stream.
struct BodyRun {
  bool succeeded;
  std::string out;
};
BodyRun RunBody(void (*body)(Arguments, std::FILE *), const std::vector<std::string> &arguments);

// The lines of text, each ended by a line feed (a last line without one
// counts too).
std::vector<std::string_view> OutputLines(std::string_view text);

// True when text is a value as "%f" writes it: [-]digits.dddddd, or inf
// or nan with or without a minus sign.
bool IsFixed6(std::string_view text);

// Ends the run as a crash unless text is a whole track of n lines
// "VALUE #TAG i n", i counting from 0.
void CheckTrack(std::string_view text, std::size_t n, std::string_view tag);

}  // namespace linkerkit::fuzz
