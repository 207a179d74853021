#include "options.h"

#include <string_view>
#include <variant>

#include "cnumber.h"
#include "lines.h"

namespace linkerkit {

namespace {

using Setting =
    std::variant<int ReportSettings::*, float ReportSettings::*, std::optional<std::string> ReportSettings::*>;

struct Key {
  std::string_view name;
  Setting setting;
};

constexpr Key kKeys[] = {
    {"WindowSize", &ReportSettings::ws},          {"SmoothingValue", &ReportSettings::smoothing_ws},
    {"CutOFF", &ReportSettings::cutoff},          {"Threshold", &ReportSettings::threshold},
    {"LengthMin", &ReportSettings::length_min},   {"Rank", &ReportSettings::rank},
    {"OffSet", &ReportSettings::offset},          {"Margin", &ReportSettings::mergin},
    {"AnswerFile", &ReportSettings::answer_file}, {"NormalizedFile", &ReportSettings::smoothing_file},
    {"OutputFile", &ReportSettings::output_file},
};

const Key *FindKey(std::string_view name) {
  for (const Key &key : kKeys) {
    if (key.name == name) return &key;
  }
  return nullptr;
}

bool IsBlank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

// The value starts two characters after the first "="; empty when there is
// no "=" or that start lies past the end of the line. The result stays
// NUL-terminated, as the number readers need.
const char *ValueOf(const std::string &line) {
  const std::size_t equals = line.find('=');
  if (equals == std::string::npos || equals + 2 > line.size()) return "";
  return line.c_str() + equals + 2;
}

struct Assign {
  ReportSettings &settings;
  const char *value;
  void operator()(int ReportSettings::*field) const { settings.*field = ReadCInt(value); }
  void operator()(float ReportSettings::*field) const { settings.*field = static_cast<float>(ReadCDouble(value)); }
  void operator()(std::optional<std::string> ReportSettings::*field) const { settings.*field = value; }
};

}  // namespace

OptionsRead ApplyOptionLines(const std::vector<std::string> &lines) {
  OptionsRead read;
  for (const std::string &line : lines) {
    if (IsBlank(line)) continue;
    const std::size_t space = line.find(' ');
    const std::string_view key = std::string_view(line).substr(0, space);
    // A line without a space is all key, and no setting's key.
    const Key *match = space == std::string::npos ? nullptr : FindKey(key);
    if (match) {
      std::visit(Assign{read.settings, ValueOf(line)}, match->setting);
    } else {
      read.messages += "There's no parameter named ";
      read.messages += key;
      read.messages += '\n';
    }
  }
  return read;
}

OptionsRead ReadOption(const std::string &path) { return ApplyOptionLines(ReadLines(path)); }

}  // namespace linkerkit
