// MAPSCI structure alignments, region lists and Clustal alignments.
#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>
#include <vector>

#include "linkerkit/LoadData.h"
#include "reader_support.h"

namespace linkerkit::loaders {
namespace {

// ---- MAPSCI ----

// The integer that follows `keyword` in the line, 0 when the keyword is
// absent; a negative count counts nothing.
int CountAfter(const char *line, const char *keyword) {
  const char *at = std::strstr(line, keyword);
  return at ? std::max(0, ReadCInt(at + std::strlen(keyword))) : 0;
}

// Protein names of the column header line, at most `limit` of them. A name
// runs up to the next ".pdb" even across a blank, because MAPSCI prints file
// names whose stems may hold blanks; without a later ".pdb" it ends at a blank.
std::vector<std::string_view> ProteinNames(const char *columns, int limit) {
  std::vector<std::string_view> names;
  const char *at = std::strchr(std::strstr(columns, "rmsd") + 1, ' ');
  while (at && static_cast<int>(names.size()) < limit) {
    while (*at == ' ') ++at;
    if (!*at) break;
    const char *end = std::strstr(at + 1, ".pdb");
    if (!end) end = at + std::strcspn(at, " ");
    names.emplace_back(at, static_cast<std::size_t>(end - at));
    at = std::strchr(at + 1, ' ');
  }
  return names;
}

// Row `row` of the alignment: a first field that is not read, the row's
// rmsd, then one position per protein (-1 for a gap).
void ReadAlignmentRow(const char *line, int row, MAPSCI *m) {
  const char *field = std::strchr(line, ' ');
  if (!field) return;
  while (*field == ' ') ++field;
  m->rmsd[row] = ReadCDouble(field);
  for (int k = 0; k < m->nprot; ++k) {
    field = NextField(field);
    if (!field) return;
    m->pos[k][row] = ReadCInt(field);
  }
}

bool IsGapFree(const MAPSCI *m, int row) {
  for (int k = 0; k < m->nprot; ++k) {
    if (m->pos[k][row] == -1) return false;
  }
  return true;
}

MAPSCI *AllocateMAPSCI(int nprot, int rows) {
  auto *m = ZeroedArray<MAPSCI>(1);
  if (!m) return nullptr;
  m->nprot = nprot;
  m->rows = rows;
  m->name = ZeroedArray<char *>(static_cast<std::size_t>(nprot));
  m->rmsd = ZeroedArray<double>(Capacity(rows));
  m->pos = ZeroedArray<int *>(Capacity(nprot));
  bool complete = m->name && m->rmsd && m->pos;
  for (int k = 0; complete && k < nprot; ++k) complete = (m->pos[k] = ZeroedArray<int>(Capacity(rows))) != nullptr;
  if (!complete) {
    ClearMAPSCI(m);
    return nullptr;
  }
  return m;
}

// Copies the gap-free rows among the first `rows` into core and core_rmsd.
bool ExtractCore(MAPSCI *m) {
  m->ncore = 0;
  for (int row = 0; row < m->rows; ++row) m->ncore += IsGapFree(m, row) ? 1 : 0;
  m->core_rmsd = ZeroedArray<double>(Capacity(m->ncore));
  m->core = ZeroedArray<int *>(Capacity(m->nprot));
  if (!m->core_rmsd || !m->core) return false;
  for (int k = 0; k < m->nprot; ++k) {
    if (!(m->core[k] = ZeroedArray<int>(Capacity(m->ncore)))) return false;
  }
  int c = 0;
  for (int row = 0; row < m->rows; ++row) {
    if (!IsGapFree(m, row)) continue;
    for (int k = 0; k < m->nprot; ++k) m->core[k][c] = m->pos[k][row];
    m->core_rmsd[c++] = m->rmsd[row];
  }
  return true;
}

// ---- Region list ----

// The text after the n-th `separator` of the line, or nullptr.
const char *AfterNth(const char *line, char separator, int n) {
  for (; n > 0 && line; --n) {
    line = std::strchr(line, separator);
    if (line) ++line;
  }
  return line;
}

// Marks the range of one key line ("key|start,end|...|...|length"),
// positions counted from 1, clipped to the sequence.
void MarkRegion(const char *line, ROI *r) {
  const char *range = AfterNth(line, '|', 1);
  if (!range) return;
  const char *comma = std::strchr(range, ',');
  const long long first = std::max(1, ReadCInt(range));
  const long long last = std::min(comma ? ReadCInt(comma + 1) : 0, r->length);
  for (long long position = first; position <= last; ++position) r->flag[position - 1] = 1;
}

// ---- Clustal ----

struct SequenceLine {
  std::string_view name;
  std::string_view text;  // everything after the blanks that follow the name
};
using Block = std::vector<SequenceLine>;

bool IsSequenceLine(const char *line) { return line[0] != '\0' && line[0] != ' '; }

// The blocks of the alignment; the first one (which fixes the sequences)
// starts right after the title line and the empty lines after it, and is
// empty when that line begins with a blank. A line without any blank has no
// end to its name, so it is no sequence and is not counted in its block.
std::vector<Block> ClustalBlocks(const std::vector<const char *> &lines) {
  std::size_t i = 1;
  while (i < lines.size() && lines[i][0] == '\0') ++i;
  std::vector<Block> blocks(1);
  bool in_block = true;
  for (; i < lines.size(); ++i) {
    const char *line = lines[i];
    if (!IsSequenceLine(line)) {
      in_block = false;
      continue;
    }
    if (!in_block) blocks.emplace_back();
    in_block = true;
    const char *blank = std::strchr(line, ' ');
    if (!blank) continue;
    const char *text = blank;
    while (*text == ' ') ++text;
    blocks.back().push_back({std::string_view(line, static_cast<std::size_t>(blank - line)), text});
  }
  return blocks;
}

Clustal *AllocateClustal(const Block &first_block, std::size_t length) {
  auto *c = ZeroedArray<Clustal>(1);
  if (!c) return nullptr;
  c->num = static_cast<int>(first_block.size());
  c->length = static_cast<int>(length);
  c->name = ZeroedArray<char *>(first_block.size() + 1);
  c->seq = ZeroedArray<char *>(first_block.size() + 1);
  bool complete = c->name && c->seq;
  for (std::size_t j = 0; complete && j < first_block.size(); ++j) {
    c->name[j] = CopyText(first_block[j].name);
    c->seq[j] = ZeroedArray<char>(length + 1);
    complete = c->name[j] && c->seq[j];
  }
  if (!complete) {
    ClearClustal(c);
    return nullptr;
  }
  return c;
}

}  // namespace
}  // namespace linkerkit::loaders

using namespace linkerkit::loaders;

MAPSCI *GetMAPSCI(const char *path, const char *ref) {
  const LineList list = ReadLineList(path);
  const std::vector<const char *> lines = LineTexts(list);
  const auto contains = [](const char *text) { return [text](const char *line) { return std::strstr(line, text); }; };
  const auto header = std::find_if(lines.begin(), lines.end(), contains("rows"));
  if (header == lines.end()) return nullptr;
  const auto columns = std::find_if(header, lines.end(), contains("rmsd"));
  if (columns == lines.end()) return nullptr;

  const int nprot = CountAfter(*header, "prots");
  const int rows = CountAfter(*header, "rows");
  const std::vector<std::string_view> names = ProteinNames(*columns, nprot);
  // Only the reference's own length is compared: "1abc" selects "1abcA".
  const auto reference =
      std::find_if(names.begin(), names.end(), [ref](std::string_view name) { return name.starts_with(ref); });
  if (reference == names.end()) return nullptr;

  MAPSCI *m = AllocateMAPSCI(nprot, rows);
  if (!m) return nullptr;
  m->ref = static_cast<int>(reference - names.begin());
  for (std::size_t k = 0; k < names.size(); ++k) {
    if (!(m->name[k] = CopyText(names[k]))) {
      ClearMAPSCI(m);
      return nullptr;
    }
  }
  // The row arrays have room for rows+1 rows; further row lines are ignored.
  int row = 0;
  for (auto line = columns + 1; line != lines.end() && row <= rows; ++line) ReadAlignmentRow(*line, row++, m);
  if (!ExtractCore(m)) {
    ClearMAPSCI(m);
    return nullptr;
  }
  return m;
}

void ClearMAPSCI(MAPSCI *m) {
  if (!m) return;
  for (int k = 0; k < m->nprot; ++k) {
    if (m->name) std::free(m->name[k]);
    if (m->pos) std::free(m->pos[k]);
    if (m->core) std::free(m->core[k]);
  }
  std::free(m->core);
  std::free(m->pos);
  std::free(m->rmsd);
  std::free(m->core_rmsd);
  std::free(m->name);
  std::free(m);
}

ROI *GetROI(const char *path, const char *key) {
  const LineList list = ReadLineList(path);
  const ListMember *member = list.get();
  while (member && !BeginsWith(member->data, key)) member = member->next;
  if (!member) return nullptr;

  auto *r = ZeroedArray<ROI>(1);
  if (!r) return nullptr;
  // The sequence length comes from the first key line alone.
  const char *length_field = AfterNth(member->data, '|', 4);
  r->length = length_field ? std::max(0, ReadCInt(length_field)) : 0;
  r->flag = ZeroedArray<int>(Capacity(r->length));
  if (!r->flag) {
    ClearROI(r);
    return nullptr;
  }
  // Only the first run of consecutive key lines describes the key.
  for (; member && BeginsWith(member->data, key); member = member->next) MarkRegion(member->data, r);
  return r;
}

void ClearROI(ROI *r) {
  if (!r) return;
  std::free(r->flag);
  std::free(r);
}

Clustal *GetClustal(const char *path) {
  const LineList list = ReadLineList(path);
  if (!list) return nullptr;
  const std::vector<Block> blocks = ClustalBlocks(LineTexts(list));
  const std::size_t num = blocks.front().size();

  // Later blocks are matched to the sequences by order alone; lines beyond
  // the first block's count belong to no sequence.
  std::vector<std::size_t> lengths(num, 0);
  for (const Block &block : blocks) {
    for (std::size_t j = 0; j < std::min(num, block.size()); ++j) lengths[j] += block[j].text.size();
  }
  const std::size_t length = lengths.empty() ? 0 : *std::max_element(lengths.begin(), lengths.end());
  if (length > INT_MAX || num > INT_MAX) return nullptr;

  Clustal *c = AllocateClustal(blocks.front(), length);
  if (!c) return nullptr;
  std::vector<std::size_t> filled(num, 0);
  for (const Block &block : blocks) {
    for (std::size_t j = 0; j < std::min(num, block.size()); ++j) {
      block[j].text.copy(c->seq[j] + filled[j], block[j].text.size());
      filled[j] += block[j].text.size();
    }
  }
  return c;
}

void ClearClustal(Clustal *c) {
  if (!c) return;
  for (int j = 0; j < c->num; ++j) {
    if (c->name) std::free(c->name[j]);
    if (c->seq) std::free(c->seq[j]);
  }
  std::free(c->seq);
  std::free(c->name);
  std::free(c);
}
