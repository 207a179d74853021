// The proteins of a FASTA file, one record each, made fit for the feature
// programs before any of them sees one, and the files that must belong to
// the same protein checked against its sequence.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace linkerkit {

struct ProteinRecord {
  std::string name;      // the header's first word (a UniProt "db|ACCESSION|ENTRY" gives ACCESSION)
  std::string residues;  // upper-case letters A to Z
  std::size_t header_line = 0;
};

// Reads the records one at a time, so that a proteome is never held whole.
// A UTF-8 byte-order mark, carriage returns, blanks and tabs are dropped and
// letters upper-cased; empty lines are skipped. Fails naming the file, line
// and record for text before the first header, a header without a name, a
// name NameProblem refuses, a record without residues, or any other
// character in a sequence.
class FastaRecordReader {
 public:
  explicit FastaRecordReader(const std::string &path);
  ~FastaRecordReader();
  FastaRecordReader(const FastaRecordReader &) = delete;
  FastaRecordReader &operator=(const FastaRecordReader &) = delete;

  // The next record; false at the end of the file.
  bool Next(ProteinRecord &record);

 private:
  bool ReadLine();
  void FinishRecord(ProteinRecord &record) const;

  std::string path_;
  std::FILE *file_ = nullptr;
  std::string line_;
  std::size_t line_number_ = 0;
  bool have_line_ = false;  // line_ holds a header not yet taken
};

// The protein name a header line (without its ">") gives; empty when it has none.
std::string ProteinNameOf(std::string_view header);

// The longest protein name, in bytes. A name names the protein's files: the
// longest of them, NAME.reprof.ss2.tmpXXXXXX in its kept step folder, is 21
// bytes longer, and a file name holds at most 255 (NAME_MAX).
inline constexpr std::size_t kLongestName = 230;

// Why a name cannot be a protein's name in the road, or empty when it can:
// a name that cannot tag score lines, one holding "/" or naming a folder, or
// one longer than kLongestName.
std::string NameProblem(std::string_view name);

// The residue letters of a PSIPRED .ss2 file (the second field of each
// residue row) and of a checkpoint matrix (its second line, its first line
// the count). Fail with "PROTEIN: ..." naming both lengths, or the first
// differing residue, when they are not the protein's sequence.
void CheckSecStructFile(const ProteinRecord &protein, const std::string &path);
void CheckProfileMatrixFile(const ProteinRecord &protein, const std::string &path);

// The record as a FASTA file: ">NAME" and the residues, 60 to a line.
std::string FormatFastaRecord(const ProteinRecord &protein);

}  // namespace linkerkit
