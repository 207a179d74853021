#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "linkerkit/LoadData.h"
#include "loaders_test_support.h"
#include "test_support.h"

namespace {

using linkerkit::test::Entries;
using linkerkit::test::OwnedPDB;
using linkerkit::test::TempDir;
using linkerkit::test::Texts;
using linkerkit::test::WriteFile;

TEST(Conversion, EveryNameOfTheTable) {
  const std::vector<std::pair<char, std::vector<const char *>>> table = {
      {'A', {"ALA"}},
      {'C', {"CYS", "CME", "CYG", "CSE", "CSS", "CSD", "CSW", "SCY", "SMC", "CYM", "BCS", "CSO", "CSZ",
             "CAS", "CEA", "CAY", "143", "SCH", "OCS", "YCM", "CY4", "CSR", "CYD", "5CS", "CSX"}},
      {'D', {"ASP", "BHD", "DOH"}},
      {'E', {"GLU", "5HP", "CGU", "GLH"}},
      {'F', {"PHE"}},
      {'G', {"GLY", "GL3", "GHG"}},
      {'H', {"HIS", "NEM", "MHS", "HIC", "NEP", "DDE"}},
      {'I', {"ILE"}},
      {'K', {"LYS", "KCX", "GPL", "MLZ", "MLY"}},
      {'L', {"LEU", "HLU"}},
      {'M', {"MET", "MSE", "FME", "FOR", "SME"}},
      {'N', {"ASN", "DAH", "AHB"}},
      {'P', {"PRO", "HYP"}},
      {'Q', {"GLN", "PCA", "MGN"}},
      {'R', {"ARG", "AGM", "ARO"}},
      {'S', {"SER", "MIS", "OAS", "SAC", "SEP", "NC1", "PG1", "MC1"}},
      {'T', {"THR"}},
      {'V', {"VAL"}},
      {'W', {"TRP", "TRO", "HTR", "4HT"}},
      {'Y', {"TYR", "PTR", "TPQ", "TYQ", "TYY", "TYT", "TYN", "STY", "MBQ", "NBQ", "PAQ", "YOF", "FTR"}},
  };
  int names = 0;
  for (const auto &[code, group] : table) {
    for (const char *name : group) {
      EXPECT_EQ(Conversion(name), code) << name;
      ++names;
    }
  }
  EXPECT_EQ(names, 94);
}

TEST(Conversion, OnlyExactNamesMatch) {
  for (const char *name : {"HOH", "UNK", "", "ala", "Ala", " ALA", "ALA ", "ALAX", "AL", " DA", "14"}) {
    EXPECT_EQ(Conversion(name), 'X') << '"' << name << '"';
  }
}

// An ATOM (or HETATM) record in the fixed PDB columns; `atom` is the 4-column
// name field (" CA " for an alpha carbon).
std::string Record(const char *kind, const char *atom, char altloc, const char *residue, int number, char icode,
                   double x, double y, double z, double bfactor) {
  char line[100];
  std::snprintf(line, sizeof line, "%-6s%5d %-4s%c%3s A%4d%c   %8.3f%8.3f%8.3f%6.2f%6.2f           C", kind, 1, atom,
                altloc, residue, number, icode, x, y, z, 1.0, bfactor);
  return line;
}

std::string Atom(const char *atom, const char *residue, int number, double x = 1, char altloc = ' ', char icode = ' ') {
  return Record("ATOM", atom, altloc, residue, number, icode, x, 2.5, -3.25, 12.5) + "\n";
}

std::string TwoModels() {
  return "HEADER    TEST\nMODEL        1\n" + Atom(" N  ", "MET", 1) + Atom(" CA ", "MET", 1, 11.5) +
         Record("HETATM", " CA ", ' ', "MSE", 2, ' ', 0, 0, 0, 0) + "\n" + Atom(" CA ", "VAL", 3, 13.5) +
         "TER\nENDMDL\nMODEL        2\n" + Atom(" N  ", "MET", 1) + Atom(" CA ", "MET", 1, 21.5) + "ENDMDL\nEND\n";
}

TEST(GetPDB, ReadsEveryAtomOfTheFirstModelOnly) {
  TempDir dir;
  WriteFile(dir / "two.pdb", TwoModels());
  const OwnedPDB pdb(GetPDB((dir / "two.pdb").c_str()));
  ASSERT_TRUE(pdb);
  ASSERT_EQ(pdb->num, 3);
  EXPECT_EQ(Texts(pdb->atom, 3), (std::vector<std::string>{"N  ", "CA ", "CA ", "<null>"}));
  EXPECT_EQ(Texts(pdb->residue, 3), (std::vector<std::string>{"MET", "MET", "VAL", "<null>"}));
  EXPECT_STREQ(pdb->seq, "MMV");
  EXPECT_STREQ(pdb->group, "BBB");
  EXPECT_EQ(Entries(pdb->resnum, 3), (std::vector<int>{1, 1, 3, 0}));
  EXPECT_EQ(Entries(pdb->x, 3), (std::vector<double>{1, 11.5, 13.5, 0}));
  EXPECT_EQ(pdb->y[2], 2.5);
  EXPECT_EQ(pdb->z[2], -3.25);
  EXPECT_EQ(Entries(pdb->bfactor, 3), (std::vector<double>{12.5, 12.5, 12.5, 0}));

  const OwnedPDB ca(GetPDB_CA((dir / "two.pdb").c_str()));
  ASSERT_TRUE(ca);
  EXPECT_STREQ(ca->seq, "MV");
  EXPECT_EQ(Entries(ca->x, 2), (std::vector<double>{11.5, 13.5, 0}));
}

TEST(GetPDB, WithoutModelEndReadsToTheEnd) {
  TempDir dir;
  WriteFile(dir / "one.pdb", Atom(" CA ", "GLY", 1) + Atom(" CA ", "SER", 2) + "END\n" + Atom(" CA ", "TRP", 3));
  const OwnedPDB pdb(GetPDB((dir / "one.pdb").c_str()));
  ASSERT_TRUE(pdb);
  EXPECT_STREQ(pdb->seq, "GSW");
}

TEST(GetPDB, GroupsAndUnknownResidues) {
  TempDir dir;
  WriteFile(dir / "g.pdb", Atom(" CA ", "VAL", 1) + Atom(" CA ", "ASN", 2) + Atom(" CA ", "TYR", 3) +
                               Atom(" CA ", "THR", 4) + Atom(" CA ", "UNK", 5) + Atom(" CA ", "LEU", 6));
  const OwnedPDB pdb(GetPDB((dir / "g.pdb").c_str()));
  ASSERT_TRUE(pdb);
  EXPECT_STREQ(pdb->seq, "VNYTXL");
  EXPECT_EQ(Entries(pdb->group, 6), (std::vector<char>{'B', 'L', 'V', 'N', '\0', 'B', '\0'}));
}

TEST(GetPDB_CA, OneAlphaCarbonPerResidue) {
  TempDir dir;
  // Alternate locations of residue 10, an insertion code at 52A, a negative
  // number, and a number met again after another one.
  WriteFile(dir / "ca.pdb", Atom(" N  ", "SER", -3) + Atom(" CA ", "SER", -3) + Atom(" CA ", "HIS", 10, 1, 'A') +
                                Atom(" CA ", "HIS", 10, 2, 'B') + Atom(" CB ", "HIS", 10) + Atom(" CA ", "GLY", 52) +
                                Atom(" CA ", "ALA", 52, 3, ' ', 'A') + Atom(" CA ", "LYS", 53) +
                                Atom(" CA ", "GLU", 52, 4));
  const OwnedPDB ca(GetPDB_CA((dir / "ca.pdb").c_str()));
  ASSERT_TRUE(ca);
  EXPECT_STREQ(ca->seq, "SHGKE");
  EXPECT_EQ(Entries(ca->resnum, 5), (std::vector<int>{-3, 10, 52, 53, 52, 0}));
  EXPECT_EQ(ca->x[1], 1);  // location A, the first
}

TEST(GetPDB, NoRecordGivesNull) {
  TempDir dir;
  WriteFile(dir / "het.pdb", Record("HETATM", " CA ", ' ', "MSE", 1, ' ', 0, 0, 0, 0) + "\n");
  WriteFile(dir / "late.pdb", "MODEL        1\n" + Record("HETATM", " CA ", ' ', "MSE", 1, ' ', 0, 0, 0, 0) +
                                  "\nENDMDL\n" + Atom(" CA ", "ALA", 1));
  WriteFile(dir / "noca.pdb", Atom(" N  ", "ALA", 1));
  WriteFile(dir / "empty.pdb", "");
  for (const char *name : {"het.pdb", "late.pdb", "empty.pdb", "missing.pdb"}) {
    EXPECT_EQ(GetPDB((dir / name).c_str()), nullptr) << name;
    EXPECT_EQ(GetPDB_CA((dir / name).c_str()), nullptr) << name;
  }
  EXPECT_EQ(GetPDB_CA((dir / "noca.pdb").c_str()), nullptr);
  ClearPDB(nullptr);
}

TEST(GetPDB, ShortAndCrowdedLinesStayInsideTheLine) {
  TempDir dir;
  const std::string full = Record("ATOM", " CA ", ' ', "ALA", 7, ' ', -123.456, -100, 5, 99.5);
  WriteFile(dir / "short.pdb",
            "ATOM\nATOM      1  C\n" + full.substr(0, 26) + "\n" + full.substr(0, 63) + "\n" + full + "\n");
  const OwnedPDB pdb(GetPDB((dir / "short.pdb").c_str()));
  ASSERT_TRUE(pdb);
  ASSERT_EQ(pdb->num, 5);
  EXPECT_EQ(Texts(pdb->atom, 5), (std::vector<std::string>{"", "C", "CA ", "CA ", "CA ", "<null>"}));
  EXPECT_EQ(Texts(pdb->residue, 5), (std::vector<std::string>{"", "", "ALA", "ALA", "ALA", "<null>"}));
  EXPECT_STREQ(pdb->seq, "XXAAA");
  EXPECT_EQ(Entries(pdb->resnum, 5), (std::vector<int>{0, 0, 7, 7, 7, 0}));
  EXPECT_EQ(Entries(pdb->x, 5), (std::vector<double>{0, 0, 0, -123.456, -123.456, 0}));
  // A number runs on past its field: "-123.456-100.000" gives x = -123.456
  // and y read from its own column.
  EXPECT_EQ(pdb->y[4], -100);
  EXPECT_EQ(Entries(pdb->bfactor, 5), (std::vector<double>{0, 0, 0, 99, 99.5, 0}));
}

TEST(LoadVelocity, OneValuePerLineThenZeros) {
  TempDir dir;
  WriteFile(dir / "v", "1.5\n  -2e-1 m/s\nfast\n");
  WriteFile(dir / "long", "1\n2\n3\n4\n5\n");
  const auto load = [](const char *path, int n) {
    double *values = LoadVelocity(path, n);
    std::vector<double> copy(values, values + (n > 0 ? n : 0) + 1);
    std::free(values);
    return copy;
  };
  EXPECT_EQ(load("NULL", 5), std::vector<double>(6, 0.0));
  EXPECT_EQ(load(nullptr, 2), std::vector<double>(3, 0.0));
  EXPECT_EQ(load((dir / "missing").c_str(), 2), std::vector<double>(3, 0.0));
  EXPECT_EQ(load((dir / "v").c_str(), 5), (std::vector<double>{1.5, -0.2, 0, 0, 0, 0}));
  // Only n+1 values fit; further lines are ignored.
  EXPECT_EQ(load((dir / "long").c_str(), 2), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(load((dir / "long").c_str(), -4), (std::vector<double>{1}));
}

}  // namespace
