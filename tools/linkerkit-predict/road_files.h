// The road's file helpers: paths made absolute before it changes folder,
// a program's standard output caught in a file that appears only whole, and
// the report written on standard output.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "failure.h"
#include "program.h"

namespace linkerkit {

// Fails with WriteFailure "MESSAGE: REASON", the reason that of error_number
// (an errno value; none when 0).
[[noreturn]] void FailWriting(const std::string &message, int error_number);

// A program's failure as the road passes it on: a WriteFailure when the
// program could not write its output file, else a Failure.
[[noreturn]] void FailAgain(const Failure &failure, const std::string &message);

// Hands the file's bytes to block, 64 KiB at a time, while block returns
// true. Returns false when the file cannot be opened or read.
bool ReadBlocks(const std::string &path, const std::function<bool(std::string_view)> &block);

// Copies the file at path on standard output, flushes it and sees the
// descriptor close: returns 0, or the errno value of the first failure.
// Fails with "cannot open PATH" when the file cannot be read.
int CopyToStandardOutput(const std::string &path);

bool IsFile(const std::string &path);
// path made absolute and normal; empty stays empty.
std::string AbsolutePath(const std::string &path);

// The name of the temporary file a step writes before renaming it: what an
// interrupted run's clean-up looks for.
std::string PartialName(const std::string &path);
bool IsPartialName(const std::string &file_name);

// A worker's message with the files of its scratch folder (scratch, which
// the road removes) told by what they hold for the protein: "its FASTA
// record", "its profile table", "its vector lines", and a line of those as
// "its vector line N".
std::string DescribeScratchFiles(const std::string &message, const std::string &scratch);

using ProgramEntry = std::function<void(Arguments, std::FILE *)>;

// Runs a program's entry in this process, its standard output into path:
// written under PartialName(path) and renamed once whole when atomic, else
// in place. Fails with "WHO: PROGRAM failed: ..." or, a WriteFailure, "WHO:
// cannot write PATH: REASON" ("WHO: " left out when who is empty).
void CaptureProgramOutput(const std::string &path, bool atomic, const char *program, const ProgramEntry &entry,
                          std::vector<std::string> arguments, const std::string &who);

}  // namespace linkerkit
