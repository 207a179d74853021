// The road's file helpers: paths made absolute before it changes folder,
// and a program's standard output caught in a file that appears only whole.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "program.h"

namespace linkerkit {

bool IsFile(const std::string &path);
// path made absolute and normal; empty stays empty.
std::string AbsolutePath(const std::string &path);

// The name of the temporary file a step writes before renaming it: what an
// interrupted run's clean-up looks for.
std::string PartialName(const std::string &path);
bool IsPartialName(const std::string &file_name);

using ProgramEntry = std::function<void(Arguments, std::FILE *)>;

// Runs a program's entry in this process, its standard output into path:
// written under PartialName(path) and renamed once whole when atomic, else
// in place. Fails with "WHO: PROGRAM failed: ..." or "WHO: cannot write
// PATH" ("WHO: " left out when who is empty).
void CaptureProgramOutput(const std::string &path, bool atomic, const char *program, const ProgramEntry &entry,
                          std::vector<std::string> arguments, const std::string &who);

}  // namespace linkerkit
