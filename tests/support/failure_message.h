// The message a linkerkit function fails with, for tests of input checks.
#pragma once

#include <string>

#include "failure.h"

namespace linkerkit::test {

template <typename Body>
std::string FailureMessage(Body body) {
  try {
    body();
  } catch (const linkerkit::Failure &failure) {
    return failure.what();
  }
  return "(no failure)";
}

}  // namespace linkerkit::test
