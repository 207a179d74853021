#include "program.h"

#include <algorithm>
#include <new>
#include <string>

#include "failure.h"
#include "output_file.h"

namespace linkerkit {

namespace {

// Runs work and turns what ends it into the exit status.
int RunGuarded(const std::function<void()> &work) {
  try {
    work();
  } catch (const Failure &failure) {
    std::printf("%s\n", failure.what());
    std::fflush(stdout);
    return 1;
  } catch (const std::bad_alloc &) {
    // A count read from a file sizes some arrays (a profile table's residue
    // count, say); one too large for this machine ends the run like any
    // other bad input, not with an abort.
    std::printf("out of memory\n");
    std::fflush(stdout);
    return 1;
  }
  // A full disk or a closed pipe must not pass for a complete track.
  if (std::fflush(stdout) != 0 || std::ferror(stdout)) return 1;
  return 0;
}

void PrintUsage(std::string_view usage) { std::printf("%.*s\n", static_cast<int>(usage.size()), usage.data()); }

// What every program does before it looks at its arguments: temporary
// output files go when the run is interrupted, and a lone --help or
// --version is answered. True when the run ends there.
bool StartProgram(int argc, char **argv, std::string_view usage, std::string_view about) {
  TakeClosedStandardStreams();
  RemoveTemporaryOutputFilesOnSignals();
  if (argc != 2) return false;
  const std::string_view argument = argv[1];
  if (argument == "--help") {
    PrintUsage(usage);
    if (!about.empty()) std::printf("\n%.*s\n", static_cast<int>(about.size()), about.data());
    return true;
  }
  if (argument == "--version") {
    const std::string_view name = usage.substr(0, usage.find(' '));
    std::printf("%.*s %s\n", static_cast<int>(name.size()), name.data(), LINKERKIT_VERSION);
    return true;
  }
  return false;
}

// The status of a run that only printed: 1 when the text could not be written.
int PrintedStatus() { return std::fflush(stdout) != 0 || std::ferror(stdout) ? 1 : 0; }

// Takes the leading options off argv into given; returns the index of the
// first argument after them.
int TakeOptions(int argc, char **argv, std::span<const ProgramOption> options, GivenOptions &given) {
  int next = 1;
  while (next < argc && std::string_view(argv[next]).starts_with("--")) {
    const std::string_view argument = argv[next++];
    if (argument == "--") break;
    const auto known =
        std::find_if(options.begin(), options.end(), [&](const ProgramOption &o) { return o.name == argument; });
    if (known == options.end()) Fail("unknown option: " + std::string(argument));
    if (given.Has(known->name)) Fail("option " + std::string(argument) + " given twice");
    if (!known->takes_value) {
      given.Add(known->name, "");
    } else if (next < argc) {
      given.Add(known->name, argv[next++]);
    } else {
      Fail("option " + std::string(argument) + " needs a value");
    }
  }
  return next;
}

}  // namespace

int RunProgram(int argc, char **argv, int argument_count, std::string_view usage, std::string_view about,
               const ProgramBody &body) {
  return RunProgram(argc, argv, argument_count, argument_count, usage, about, body);
}

int RunProgram(int argc, char **argv, int argument_count, std::string_view usage, const ProgramBody &body) {
  return RunProgram(argc, argv, argument_count, argument_count, usage, {}, body);
}

int RunProgram(int argc, char **argv, int fewest_arguments, int most_arguments, std::string_view usage,
               const ProgramBody &body) {
  return RunProgram(argc, argv, fewest_arguments, most_arguments, usage, {}, body);
}

int RunProgram(int argc, char **argv, int fewest_arguments, int most_arguments, std::string_view usage,
               std::string_view about, const ProgramBody &body) {
  if (StartProgram(argc, argv, usage, about)) return PrintedStatus();
  const int argument_count = argc - 1;
  if (argument_count < fewest_arguments || argument_count > most_arguments) {
    PrintUsage(usage);
    return 1;
  }
  return RunGuarded([&] { body(Arguments(argv + 1, static_cast<std::size_t>(argument_count)), stdout); });
}

bool GivenOptions::Has(std::string_view name) const { return Value(name) != nullptr; }

const char *GivenOptions::Value(std::string_view name) const {
  for (const auto &[given_name, value] : given_) {
    if (given_name == name) return value;
  }
  return nullptr;
}

int RunProgramWithOptions(int argc, char **argv, std::span<const ProgramOption> options, int argument_count,
                          std::string_view usage, const OptionsProgramBody &body) {
  return RunProgramWithOptions(argc, argv, options, argument_count, usage, {}, body);
}

int RunProgramWithOptions(int argc, char **argv, std::span<const ProgramOption> options, int argument_count,
                          std::string_view usage, std::string_view about, const OptionsProgramBody &body) {
  return RunProgramWithOptions(argc, argv, options, argument_count, argument_count, usage, about, body);
}

int RunProgramWithOptions(int argc, char **argv, std::span<const ProgramOption> options, int fewest_arguments,
                          int most_arguments, std::string_view usage, std::string_view about,
                          const OptionsProgramBody &body) {
  if (StartProgram(argc, argv, usage, about)) return PrintedStatus();
  GivenOptions given;
  int first = 1;
  // Option mistakes are failures like any other, with their own message.
  if (const int status = RunGuarded([&] { first = TakeOptions(argc, argv, options, given); }); status != 0)
    return status;
  const int argument_count = argc - first;
  if (argument_count < fewest_arguments || argument_count > most_arguments) {
    PrintUsage(usage);
    return 1;
  }
  return RunGuarded([&] { body(given, Arguments(argv + first, static_cast<std::size_t>(argument_count)), stdout); });
}

}  // namespace linkerkit
