#include "vector_comment.h"

#include <string>

#include "cnumber.h"
#include "failure.h"

namespace linkerkit {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The next field of text from `at`, after the blanks before it.
std::string_view NextField(std::string_view text, std::size_t &at) {
  while (at < text.size() && IsBlank(text[at])) ++at;
  const std::size_t start = at;
  while (at < text.size() && !IsBlank(text[at])) ++at;
  return text.substr(start, at - start);
}

}  // namespace

VectorComment ReadVectorComment(std::string_view line, std::string_view path, std::size_t line_number) {
  const std::size_t hash = line.find('#');
  if (hash == std::string_view::npos) FailAtLine(path, line_number, "no #QUERY comment");
  const std::string_view comment = line.substr(hash + 1);
  const auto malformed = [&] {
    FailAtLine(path, line_number,
               "malformed comment \"" + std::string(line.substr(hash)) + "\": expected #QUERY POSITION LENGTH");
  };
  // The tag follows the "#" directly.
  if (comment.empty() || IsBlank(comment.front())) malformed();
  std::size_t at = 0;
  const std::string_view tag = NextField(comment, at);
  const std::string_view position_text = NextField(comment, at);
  const std::string_view length_text = NextField(comment, at);
  if (!NextField(comment, at).empty()) malformed();
  const auto position = ReadWholeNumber(position_text);
  const auto length = ReadWholeNumber(length_text);
  if (!position || !length) malformed();
  if (*position >= *length) {
    FailAtLine(path, line_number,
               "position " + std::to_string(*position) + " outside 0 to " + std::to_string(*length - 1));
  }
  return VectorComment{hash, tag, *position, *length};
}

}  // namespace linkerkit
