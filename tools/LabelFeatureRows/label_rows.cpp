#include "label_rows.h"

#include <memory>

#include "LineReader.h"
#include "failure.h"
#include "lines.h"
#include "linkerkit/LoadData.h"
#include "track.h"

namespace linkerkit {

std::vector<bool> ReadLinkerMarks(const std::string &region_path, const std::string &key) {
  // The region reader gives no record both for a missing file and for a
  // missing key; the two deserve different messages.
  if (!LineReader(region_path.c_str()).IsOpen()) FailCannotOpen(region_path);
  // The reader matches lines by their beginning, so the key is given with
  // the "|" that ends it in the file.
  const std::unique_ptr<ROI, void (*)(ROI *)> regions(GetROI(region_path.c_str(), (key + "|").c_str()), ClearROI);
  if (!regions) Fail("no linker region for " + key + " in " + region_path);
  std::vector<bool> marks(static_cast<std::size_t>(regions->length));
  for (std::size_t i = 0; i < marks.size(); ++i) marks[i] = regions->flag[i] != 0;
  return marks;
}

void AppendLabelledRow(std::string &out, std::string_view line, std::size_t line_number, const std::vector<bool> &marks,
                       std::string_view path) {
  const auto comment = ParseScoreLine(line.data());
  if (!comment) FailAtLine(path, line_number, "no #QUERY comment");
  const long long regions_length = static_cast<long long>(marks.size());
  const int length = comment->Length();
  if (length != regions_length) {
    FailAtLine(path, line_number,
               "residue count " + std::to_string(length) + " differs from the region length " +
                   std::to_string(regions_length));
  }
  const int position = comment->Position();
  if (position < 0 || position >= length) {
    FailAtLine(path, line_number, "position " + std::to_string(position) + " outside 0 to " + std::to_string(length - 1));
  }
  out += marks[static_cast<std::size_t>(position)] ? "+1" : "-1";
  // Everything after the old label stays as it was; a line without a label
  // before its pairs or comment gets one.
  const std::size_t blank = line.find(' ');
  if (blank < line.find('#')) {
    out += line.substr(blank);
  } else {
    out += ' ';
    out += line;
  }
  out += '\n';
}

void RunLabelFeatureRows(Arguments arguments, std::FILE *out) {
  const std::string vector_path = arguments[0];
  if (!LineReader(vector_path.c_str()).IsOpen()) FailCannotOpen(vector_path);
  const std::vector<bool> marks = ReadLinkerMarks(arguments[1], arguments[2]);
  // Held whole, so that a failure leaves no labelled lines behind.
  std::string text;
  const std::size_t count = ForEachLine(vector_path, [&](std::string_view line, std::size_t number) {
    AppendLabelledRow(text, line, number, marks, vector_path);
  });
  if (count == 0) FailInFile(vector_path, "no vector lines");
  WriteAll(out, text);
}

}  // namespace linkerkit
