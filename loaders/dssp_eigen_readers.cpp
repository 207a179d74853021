// DSSP detail tables and eigenvector files.
#include <array>
#include <cstring>
#include <vector>

#include "linkerkit/LoadData.h"
#include "reader_support.h"

namespace linkerkit::loaders {
namespace {

// ---- DSSP detail table ----

constexpr int kDetailTabs = 7;

// Where the text after each of the first seven tabs starts; nullptr for tabs
// the line does not have.
std::array<const char *, kDetailTabs> DetailFields(const char *line) {
  std::array<const char *, kDetailTabs> fields{};
  for (const char *&field : fields) {
    line = std::strchr(line, '\t');
    if (!line) break;
    field = ++line;
  }
  return fields;
}

DSSP *AllocateDSSP(int num) {
  auto *d = ZeroedArray<DSSP>(1);
  if (!d) return nullptr;
  d->num = num;
  const std::size_t entries = Capacity(num);
  d->letter_b = ZeroedArray<char>(entries);
  d->letter_a = ZeroedArray<char>(entries);
  d->number_a = ZeroedArray<int>(entries);
  d->number_b = ZeroedArray<int>(entries);
  d->mark = ZeroedArray<int>(entries);
  d->value_a = ZeroedArray<double>(entries);
  d->value_b = ZeroedArray<double>(entries);
  d->value_c = ZeroedArray<double>(entries);
  if (!d->letter_b || !d->letter_a || !d->number_a || !d->number_b || !d->mark || !d->value_a || !d->value_b ||
      !d->value_c) {
    ClearDSSP(d);
    return nullptr;
  }
  return d;
}

// ---- Eigen file ----

bool IsVectorLine(const char *line) { return BeginsWith(line, " VECTOR"); }

// The eigenvalue: the number after the first blank that follows "VALUE".
double EigenValue(const char *value_keyword) {
  const char *blank = std::strchr(value_keyword + 1, ' ');
  return blank ? ReadCDouble(blank + 1) : 0.0;
}

// The k-th component line of a vector holds components 3k to 3k+2;
// components beyond the vector's `capacity` are ignored.
void ReadComponents(const char *line, std::size_t k, double *vector, std::size_t capacity) {
  const char *field = line;
  while (*field == ' ') ++field;
  for (std::size_t index = 3 * k; field && index < 3 * k + 3; ++index) {
    if (index < capacity) vector[index] = ReadCDouble(field);
    field = NextField(field);
  }
}

Eigen *AllocateEigen(int num) {
  auto *e = ZeroedArray<Eigen>(1);
  if (!e) return nullptr;
  e->num = num;
  e->value = ZeroedArray<double>(Capacity(num));
  e->vector = ZeroedArray<double *>(Capacity(num));
  bool complete = e->value && e->vector;
  for (int j = 0; complete && j < num; ++j) complete = (e->vector[j] = ZeroedArray<double>(Capacity(num))) != nullptr;
  if (!complete) {
    ClearEigen(e);
    return nullptr;
  }
  return e;
}

}  // namespace
}  // namespace linkerkit::loaders

using namespace linkerkit::loaders;

DSSP *GetDSSPFromDetail(const char *path) {
  const LineList list = ReadLineList(path);
  if (!list) return nullptr;
  const std::vector<const char *> lines = LineTexts(list);
  DSSP *d = AllocateDSSP(static_cast<int>(lines.size()));
  if (!d) return nullptr;
  // Fields a short line does not have read as 0.
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto fields = DetailFields(lines[i]);
    if (fields[0]) d->number_a[i] = ReadCInt(fields[0]);
    if (fields[1]) d->number_b[i] = ReadCInt(fields[1]);
    if (fields[2]) d->letter_a[i] = *fields[2];
    if (fields[3]) d->letter_b[i] = *fields[3];
    if (fields[4]) d->value_a[i] = ReadCDouble(fields[4]);
    if (fields[5]) d->value_b[i] = ReadCDouble(fields[5]);
    if (fields[6]) d->value_c[i] = ReadCDouble(fields[6]);
    const char *mark = fields[6] ? std::strchr(fields[6], '#') : nullptr;
    if (mark) d->mark[i] = ReadCInt(mark + 1);
  }
  return d;
}

void ClearDSSP(DSSP *d) {
  if (!d) return;
  std::free(d->number_a);
  std::free(d->number_b);
  std::free(d->mark);
  std::free(d->letter_b);
  std::free(d->letter_a);
  std::free(d->value_a);
  std::free(d->value_b);
  std::free(d->value_c);
  std::free(d);
}

Eigen *GetEigen(const char *path) {
  const LineList list = ReadLineList(path);
  const std::vector<const char *> lines = LineTexts(list);
  int num = 0;
  for (const char *line : lines) num += IsVectorLine(line) ? 1 : 0;
  Eigen *e = AllocateEigen(num);
  if (!e) return nullptr;

  const std::size_t capacity = Capacity(num);
  std::size_t i = 0;
  while (i < lines.size() && !IsVectorLine(lines[i])) ++i;
  for (int j = 0; i < lines.size() && j < num; ++j) {
    // A vector line without an eigenvalue ends the reading: that vector and
    // all after it stay zero.
    const char *value_keyword = std::strstr(lines[i], "VALUE");
    if (!value_keyword) break;
    e->value[j] = EigenValue(value_keyword);
    // The line right after the vector line holds no components.
    i += 2;
    for (std::size_t k = 0; i < lines.size() && !IsVectorLine(lines[i]); ++i, ++k) {
      ReadComponents(lines[i], k, e->vector[j], capacity);
    }
  }
  return e;
}

void ClearEigen(Eigen *e) {
  if (!e) return;
  for (int j = 0; j < e->num; ++j) {
    if (e->vector) std::free(e->vector[j]);
  }
  std::free(e->vector);
  std::free(e->value);
  std::free(e);
}
