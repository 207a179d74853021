// Argument checks shared by the programs.
#pragma once

namespace linkerkit {

// The window size as atoi reads it; fails with "invalid window size: ARG"
// when that is 0 or less.
int ReadWindowSize(const char *argument);

}  // namespace linkerkit
