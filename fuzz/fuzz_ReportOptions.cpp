// The input is an options file.
#include "fuzz_input.h"
#include "fuzz_program.h"
#include "options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  using namespace linkerkit::fuzz;
  const linkerkit::OptionsRead read = linkerkit::ReadOption(WriteScratchFile("options", AsText(data, size)));
  for (const std::string_view message : OutputLines(read.messages)) {
    Require(message.starts_with("There's no parameter named "), "one message per unknown key");
  }
  Require(read.messages.empty() || read.messages.back() == '\n', "messages are whole lines");
  return 0;
}
