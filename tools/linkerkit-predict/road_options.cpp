#include "road_options.h"

#include <cmath>
#include <string_view>
#include <tuple>
#include <vector>

#include "arguments.h"
#include "failure.h"

namespace linkerkit {

int ReadCountOption(const std::string &option, const std::string &text, int lowest, int highest) {
  const std::optional<int> count = ReadPlainCount(text);
  if (!count || *count < lowest || *count > highest) {
    Fail("invalid " + option + " '" + text + "': expected a whole number from " + std::to_string(lowest) + " to " +
         std::to_string(highest));
  }
  return *count;
}

std::string ReadThresholdOption(const std::string &option, const std::string &text) {
  const std::optional<double> threshold = ReadFiniteDecimal(text);
  if (!threshold || std::abs(*threshold) > kFarthestThreshold) {
    Fail("invalid " + option + " '" + text + "': expected a decimal number from -1000000 to 1000000");
  }
  return text;
}

const char *CallerName(LinkerCaller caller) { return caller == LinkerCaller::kSegment ? "segment" : "threshold"; }

LinkerCaller ReadCallerOption(const std::string &what, const std::string &text) {
  if (text == "threshold") return LinkerCaller::kThreshold;
  if (text == "segment") return LinkerCaller::kSegment;
  Fail("invalid " + what + " '" + text + "': expected threshold or segment");
}

namespace {

// The largest window, rank or offset taken: far beyond any protein, and
// small enough that no sum of them overflows.
constexpr int kLargestCount = 1000000;
constexpr int kMostJobs = 1024;

}  // namespace

RoadOptions ParseRoadOptions(std::span<char *const> arguments) {
  RoadOptions options;
  std::vector<std::string> inputs;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    std::string option = arguments[i];
    std::optional<std::string> value;
    if (option == "--") {
      inputs.insert(inputs.end(), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 1, arguments.end());
      break;
    }
    if (option.starts_with("--") && option.find('=') != std::string::npos) {
      value = option.substr(option.find('=') + 1);
      option.resize(option.find('='));
    }
    const auto flag = [&](bool &target) {
      if (value) Fail(option + " takes no value");
      target = true;
    };
    const auto text = [&]() -> std::string {
      if (!value && i + 1 < arguments.size()) value = arguments[++i];
      if (!value || value->empty()) Fail(option + " needs a value");
      return *value;
    };
    if (option == "--help") {
      flag(options.help);
    } else if (option == "--version") {
      flag(options.version);
    } else if (option == "--keep-work") {
      flag(options.keep_work);
    } else if (option == "--features-only" || option == "--scores-only" || option == "--show-settings") {
      if (value) Fail(option + " takes no value");
      options.stop = option == "--features-only" ? RoadStop::kVectors
                     : option == "--scores-only" ? RoadStop::kScores
                                                 : RoadStop::kSettings;
    } else if (option == "--model") {
      options.model = text();
    } else if (option == "--scales") {
      options.scales = text();
    } else if (option == "--window") {
      options.window = ReadCountOption("window size", text(), 1, kLargestCount);
    } else if (option == "--smoothing") {
      options.smoothing = ReadCountOption("smoothing window size", text(), 1, kLargestCount);
    } else if (option == "--rank") {
      options.rank = ReadCountOption("rank", text(), 1, kLargestCount);
    } else if (option == "--offset") {
      options.offset = ReadCountOption("offset", text(), 0, kLargestCount);
    } else if (option == "--threshold") {
      options.threshold = ReadThresholdOption("threshold", text());
    } else if (option == "--caller") {
      options.caller = ReadCallerOption("caller", text());
    } else if (option == "--min-domain") {
      options.min_domain = ReadCountOption("minimum domain length", text(), 1, kLargestCount);
    } else if (option == "--min-confidence") {
      const std::string given = text();
      const std::optional<double> confidence = ReadFiniteDecimal(given);
      if (!confidence || *confidence < 0 || *confidence > 1) {
        Fail("invalid --min-confidence '" + given + "': expected a decimal number from 0 to 1");
      }
      options.min_confidence = confidence;
    } else if (option == "-j" || option == "--jobs") {
      options.jobs = ReadCountOption("-j", text(), 1, kMostJobs);
    } else if (option.starts_with("-j") && option.size() > 2 && !value) {
      options.jobs = ReadCountOption("-j", option.substr(2), 1, kMostJobs);
    } else if (option == "--ss2") {
      options.ss2 = text();
    } else if (option == "--mtx") {
      options.mtx = text();
    } else if (option == "--reprof") {
      options.reprof = text();
    } else if (option == "--ss2-dir") {
      options.ss2_dir = text();
    } else if (option == "--mtx-dir") {
      options.mtx_dir = text();
    } else if (option == "--reprof-dir") {
      options.reprof_dir = text();
    } else if (option == "--name") {
      options.name = text();
    } else if (option == "--work") {
      options.work = text();
    } else if (option == "--plot") {
      options.plot_dir = text();
    } else if (option == "--truth") {
      options.truth = text();
    } else if (option.size() > 1 && option[0] == '-') {
      Fail("unknown option: " + option + " (" + kRoadUsage + ")");
    } else {
      inputs.push_back(option);
    }
  }
  if (options.help || options.version) return options;
  if (options.stop == RoadStop::kSettings && inputs.empty()) return options;
  if (inputs.size() != 1) Fail(kRoadUsage);
  options.fasta = inputs[0];
  for (const auto &[one, many, what] :
       {std::tuple{&options.ss2, &options.ss2_dir, "--ss2"}, std::tuple{&options.mtx, &options.mtx_dir, "--mtx"},
        std::tuple{&options.reprof, &options.reprof_dir, "--reprof"}}) {
    if (!one->empty() && !many->empty()) Fail(std::string(what) + " and " + what + "-dir cannot be given together");
  }
  if (!options.truth.empty() && options.plot_dir.empty()) Fail("--truth draws on the plots: give --plot DIR too");
  return options;
}

}  // namespace linkerkit
