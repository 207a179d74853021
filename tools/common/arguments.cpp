#include "arguments.h"

#include <string>

#include "cnumber.h"
#include "failure.h"

namespace linkerkit {

int ReadWindowSize(const char *argument) {
  const int ws = ReadCInt(argument);
  if (ws <= 0) Fail(std::string("invalid window size: ") + argument);
  return ws;
}

}  // namespace linkerkit
