// Three-letter residue names as they stand in PDB ATOM records, with the
// one-letter code of the standard amino acid each stands for.
#include <array>
#include <string_view>

#include "linkerkit/LoadData.h"

namespace {

struct ResidueCode {
  std::string_view name;
  char code;
};

// The twenty standard residues come first, as they are by far the most
// frequent; each modified residue yields the code of its parent amino acid.
constexpr std::array<ResidueCode, 94> kResidueCodes{{
    {"ALA", 'A'}, {"CYS", 'C'}, {"ASP", 'D'}, {"GLU", 'E'}, {"PHE", 'F'}, {"GLY", 'G'}, {"HIS", 'H'}, {"ILE", 'I'},
    {"LYS", 'K'}, {"LEU", 'L'}, {"MET", 'M'}, {"ASN", 'N'}, {"PRO", 'P'}, {"GLN", 'Q'}, {"ARG", 'R'}, {"SER", 'S'},
    {"THR", 'T'}, {"VAL", 'V'}, {"TRP", 'W'}, {"TYR", 'Y'}, {"CME", 'C'}, {"CYG", 'C'}, {"CSE", 'C'}, {"CSS", 'C'},
    {"CSD", 'C'}, {"CSW", 'C'}, {"SCY", 'C'}, {"SMC", 'C'}, {"CYM", 'C'}, {"BCS", 'C'}, {"CSO", 'C'}, {"CSZ", 'C'},
    {"CAS", 'C'}, {"CEA", 'C'}, {"CAY", 'C'}, {"143", 'C'}, {"SCH", 'C'}, {"OCS", 'C'}, {"YCM", 'C'}, {"CY4", 'C'},
    {"CSR", 'C'}, {"CYD", 'C'}, {"5CS", 'C'}, {"CSX", 'C'}, {"BHD", 'D'}, {"DOH", 'D'}, {"5HP", 'E'}, {"CGU", 'E'},
    {"GLH", 'E'}, {"GL3", 'G'}, {"GHG", 'G'}, {"NEM", 'H'}, {"MHS", 'H'}, {"HIC", 'H'}, {"NEP", 'H'}, {"DDE", 'H'},
    {"KCX", 'K'}, {"GPL", 'K'}, {"MLZ", 'K'}, {"MLY", 'K'}, {"HLU", 'L'}, {"MSE", 'M'}, {"FME", 'M'}, {"FOR", 'M'},
    {"SME", 'M'}, {"DAH", 'N'}, {"AHB", 'N'}, {"HYP", 'P'}, {"PCA", 'Q'}, {"MGN", 'Q'}, {"AGM", 'R'}, {"ARO", 'R'},
    {"MIS", 'S'}, {"OAS", 'S'}, {"SAC", 'S'}, {"SEP", 'S'}, {"NC1", 'S'}, {"PG1", 'S'}, {"MC1", 'S'}, {"TRO", 'W'},
    {"HTR", 'W'}, {"4HT", 'W'}, {"PTR", 'Y'}, {"TPQ", 'Y'}, {"TYQ", 'Y'}, {"TYY", 'Y'}, {"TYT", 'Y'}, {"TYN", 'Y'},
    {"STY", 'Y'}, {"MBQ", 'Y'}, {"NBQ", 'Y'}, {"PAQ", 'Y'}, {"YOF", 'Y'}, {"FTR", 'Y'},
}};

}  // namespace

char Conversion(const char *name) {
  if (!name) return 'X';
  const std::string_view wanted(name);
  for (const ResidueCode &entry : kResidueCodes) {
    if (entry.name == wanted) return entry.code;
  }
  return 'X';
}
