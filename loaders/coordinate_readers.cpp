// PDB coordinate files (first model only) and the velocity files that go
// with them.
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "linkerkit/LoadData.h"
#include "reader_support.h"

namespace linkerkit::loaders {
namespace {

// PDB ATOM record columns, counted from 0.
constexpr std::size_t kAtomNameColumn = 13;
constexpr std::size_t kResidueNameColumn = 17;
constexpr std::size_t kResidueNumberColumn = 22;
constexpr std::size_t kXColumn = 30;
constexpr std::size_t kYColumn = 38;
constexpr std::size_t kZColumn = 46;
constexpr std::size_t kBFactorColumn = 60;
constexpr std::size_t kNameWidth = 3;

bool IsAtomRecord(const char *line) { return BeginsWith(line, "ATOM"); }
bool IsModelEnd(const char *line) { return BeginsWith(line, "ENDMDL"); }

bool IsAlphaCarbon(std::string_view line) {
  return line.size() > kAtomNameColumn + 1 && line.substr(kAtomNameColumn, 2) == "CA";
}

int ResidueNumber(std::string_view line) { return ReadCInt(FromColumn(line, kResidueNumberColumn)); }

// The residue group letters are an alphabet of their own (valine is in
// group B, asparagine in group L); a residue outside the code table has none.
char GroupLetter(char code) {
  const auto in = [code](std::string_view codes) { return codes.find(code) != std::string_view::npos; };
  if (in("WCLIFMV")) return 'B';
  if (in("AY")) return 'V';
  if (in("PGST")) return 'N';
  if (in("EDNHQKR")) return 'L';
  return '\0';
}

// A zero-filled 4-byte buffer holding the three characters of the column
// name starting at `column`, fewer when the line ends earlier.
char *CopyName(std::string_view line, std::size_t column) {
  char *name = ZeroedArray<char>(kNameWidth + 1);
  if (!name) return nullptr;
  if (column < line.size()) line.substr(column, kNameWidth).copy(name, kNameWidth);
  return name;
}

PDB *AllocatePDB(int num) {
  auto *pdb = ZeroedArray<PDB>(1);
  if (!pdb) return nullptr;
  pdb->num = num;
  const std::size_t entries = Capacity(num);
  pdb->x = ZeroedArray<double>(entries);
  pdb->y = ZeroedArray<double>(entries);
  pdb->z = ZeroedArray<double>(entries);
  pdb->bfactor = ZeroedArray<double>(entries);
  pdb->atom = ZeroedArray<char *>(entries);
  pdb->residue = ZeroedArray<char *>(entries);
  pdb->group = ZeroedArray<char>(entries);
  pdb->seq = ZeroedArray<char>(entries);
  pdb->resnum = ZeroedArray<int>(entries);
  if (!pdb->x || !pdb->y || !pdb->z || !pdb->bfactor || !pdb->atom || !pdb->residue || !pdb->group || !pdb->seq ||
      !pdb->resnum) {
    ClearPDB(pdb);
    return nullptr;
  }
  return pdb;
}

// One record entry per accepted ATOM line, in order; null when none was
// accepted or memory ran out.
PDB *MakePDB(const std::vector<const char *> &accepted) {
  if (accepted.empty()) return nullptr;
  PDB *pdb = AllocatePDB(static_cast<int>(accepted.size()));
  if (!pdb) return nullptr;
  for (std::size_t i = 0; i < accepted.size(); ++i) {
    const std::string_view line(accepted[i]);
    pdb->atom[i] = CopyName(line, kAtomNameColumn);
    pdb->residue[i] = CopyName(line, kResidueNameColumn);
    if (!pdb->atom[i] || !pdb->residue[i]) {
      ClearPDB(pdb);
      return nullptr;
    }
    pdb->seq[i] = Conversion(pdb->residue[i]);
    pdb->group[i] = GroupLetter(pdb->seq[i]);
    pdb->resnum[i] = ResidueNumber(line);
    pdb->x[i] = ReadCDouble(FromColumn(line, kXColumn));
    pdb->y[i] = ReadCDouble(FromColumn(line, kYColumn));
    pdb->z[i] = ReadCDouble(FromColumn(line, kZColumn));
    pdb->bfactor[i] = ReadCDouble(FromColumn(line, kBFactorColumn));
  }
  return pdb;
}

// The ATOM lines of the first model that `accept` takes, in file order.
template <typename Accept>
std::vector<const char *> FirstModelAtoms(const LineList &lines, Accept accept) {
  std::vector<const char *> accepted;
  for (const ListMember *member = lines.get(); member && !IsModelEnd(member->data); member = member->next) {
    if (IsAtomRecord(member->data) && accept(std::string_view(member->data))) accepted.push_back(member->data);
  }
  return accepted;
}

}  // namespace
}  // namespace linkerkit::loaders

using namespace linkerkit::loaders;

PDB *GetPDB(const char *path) {
  const LineList lines = ReadLineList(path);
  return MakePDB(FirstModelAtoms(lines, [](std::string_view) { return true; }));
}

PDB *GetPDB_CA(const char *path) {
  const LineList lines = ReadLineList(path);
  // Alternate locations of one alpha carbon, and residues that share a number
  // through an insertion code, follow each other: only the first is taken.
  std::optional<int> previous_number;
  return MakePDB(FirstModelAtoms(lines, [&](std::string_view line) {
    if (!IsAlphaCarbon(line)) return false;
    const int number = ResidueNumber(line);
    if (previous_number == number) return false;
    previous_number = number;
    return true;
  }));
}

void ClearPDB(PDB *pdb) {
  if (!pdb) return;
  for (int i = 0; i < pdb->num; ++i) {
    if (pdb->atom) std::free(pdb->atom[i]);
    if (pdb->residue) std::free(pdb->residue[i]);
  }
  std::free(pdb->x);
  std::free(pdb->y);
  std::free(pdb->z);
  std::free(pdb->bfactor);
  std::free(pdb->atom);
  std::free(pdb->residue);
  std::free(pdb->group);
  std::free(pdb->seq);
  std::free(pdb->resnum);
  std::free(pdb);
}

double *LoadVelocity(const char *path, int n) {
  const std::size_t entries = Capacity(n);
  auto *velocity = ZeroedArray<double>(entries);
  if (!velocity || !path || std::strcmp(path, "NULL") == 0) return velocity;
  const LineList lines = ReadLineList(path);
  std::size_t i = 0;
  for (const ListMember *member = lines.get(); member && i < entries; member = member->next) {
    velocity[i++] = ReadCDouble(member->data);
  }
  return velocity;
}
