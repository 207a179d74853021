#include "proteome.h"

#include <cctype>
#include <regex>

#include "failure.h"
#include "lines.h"
#include "track.h"

namespace linkerkit {

FastaRecordReader::FastaRecordReader(const std::string &path) : path_(path), file_(std::fopen(path.c_str(), "r")) {
  if (!file_) FailCannotOpen(path);
}

FastaRecordReader::~FastaRecordReader() {
  if (file_) std::fclose(file_);
}

// One line into line_, without its end of line, carriage returns, blanks
// and tabs; the byte-order mark dropped from the first.
bool FastaRecordReader::ReadLine() {
  line_.clear();
  int c = std::getc(file_);
  if (c == EOF) {
    if (std::ferror(file_)) FailCannotOpen(path_);
    return false;
  }
  ++line_number_;
  for (; c != EOF && c != '\n'; c = std::getc(file_)) {
    if (c != '\r') line_ += static_cast<char>(c);
  }
  if (std::ferror(file_)) FailCannotOpen(path_);
  if (line_number_ == 1) line_.erase(0, line_.size() - WithoutByteOrderMark(line_).size());
  return true;
}

std::string ProteinNameOf(std::string_view header) {
  const auto begin = header.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return "";
  const auto end = header.find_first_of(" \t", begin);
  std::string name(header.substr(begin, end == std::string_view::npos ? std::string_view::npos : end - begin));
  // UniProt's "sp|P69905|HBA_HUMAN": the accession is the protein's name.
  static const std::regex uniprot(R"((sp|tr)\|([^|]+)\|[^|]*)");
  std::smatch match;
  if (std::regex_match(name, match, uniprot)) return match[2].str();
  return name;
}

std::string NameProblem(std::string_view name) {
  if (std::string problem = ProteinNameProblem(name); !problem.empty()) return problem;
  // A name also names the protein's files in the work folder.
  if (name.find('/') != std::string_view::npos) return "protein name '" + std::string(name) + "' holds '/'";
  if (name == "." || name == "..") return "protein name '" + std::string(name) + "' names a folder";
  if (name.size() > kLongestName) {
    return "protein name '" + std::string(name.substr(0, 20)) + "...' is " + std::to_string(name.size()) +
           " bytes long: a name longer than " + std::to_string(kLongestName) + " bytes does not fit in its file names";
  }
  return "";
}

bool FastaRecordReader::Next(ProteinRecord &record) {
  if (!have_line_) {
    while (true) {
      if (!ReadLine()) return false;
      if (line_.find_first_not_of(" \t") == std::string::npos) continue;
      if (line_[0] != '>') {
        FailAtLine(path_, line_number_, "expected a '>' header line before the sequence");
      }
      break;
    }
  }
  have_line_ = false;
  record.name = ProteinNameOf(std::string_view(line_).substr(1));
  record.header_line = line_number_;
  record.residues.clear();
  if (const std::string problem = NameProblem(record.name); !problem.empty()) {
    FailAtLine(path_, line_number_, problem);
  }
  while (ReadLine()) {
    if (!line_.empty() && line_[0] == '>') {
      have_line_ = true;
      break;
    }
    for (const char c : line_) {
      if (c == ' ' || c == '\t') continue;
      const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      if (upper < 'A' || upper > 'Z') {
        const unsigned char byte = static_cast<unsigned char>(c);
        const std::string shown = std::isprint(byte) ? std::string("'") + c + "'" : "byte " + std::to_string(byte);
        FailAtLine(path_, line_number_, "protein " + record.name + ": " + shown + " is no residue letter (A to Z)");
      }
      record.residues += upper;
    }
  }
  FinishRecord(record);
  return true;
}

void FastaRecordReader::FinishRecord(ProteinRecord &record) const {
  if (record.residues.empty()) {
    FailAtLine(path_, record.header_line, "protein " + record.name + " has no residues");
  }
}

namespace {

[[noreturn]] void FailMismatch(const ProteinRecord &protein, const std::string &path, std::size_t their_length,
                               const std::string &what) {
  Fail(protein.name + ": " + what + " " + path + " has " + std::to_string(their_length) +
       " residues, the FASTA sequence " + std::to_string(protein.residues.size()));
}

void CompareResidues(const ProteinRecord &protein, const std::string &path, const std::string &residues,
                     const std::string &what) {
  if (residues.size() != protein.residues.size()) FailMismatch(protein, path, residues.size(), what);
  for (std::size_t i = 0; i < residues.size(); ++i) {
    // Tools mark residues they cannot score as X.
    if (residues[i] != protein.residues[i] && residues[i] != 'X' && protein.residues[i] != 'X') {
      Fail(protein.name + ": " + what + " " + path + " has " + residues[i] + " at residue " + std::to_string(i + 1) +
           ", the FASTA sequence " + protein.residues[i] + " (both " + std::to_string(residues.size()) +
           " residues long)");
    }
  }
}

}  // namespace

void CheckSecStructFile(const ProteinRecord &protein, const std::string &path) {
  std::string residues;
  ForEachLine(path, [&](std::string_view line, std::size_t number) {
    if (number <= 2) return;
    // "   1 M C   0.544  0.242  0.214": the residue is the second field.
    const auto number_start = line.find_first_not_of(" \t");
    if (number_start == std::string_view::npos) return;
    const auto gap = line.find_first_of(" \t", number_start);
    const auto letter = gap == std::string_view::npos ? gap : line.find_first_not_of(" \t", gap);
    if (letter == std::string_view::npos) FailAtLine(path, number, "a residue row without its residue letter");
    residues += static_cast<char>(std::toupper(static_cast<unsigned char>(line[letter])));
  });
  CompareResidues(protein, path, residues, "the .ss2 file");
}

void CheckProfileMatrixFile(const ProteinRecord &protein, const std::string &path) {
  std::string count_line, residues;
  ForEachLine(path, [&](std::string_view line, std::size_t number) {
    if (number == 1) count_line = line;
    if (number == 2) residues = line;
  });
  while (!residues.empty() && (residues.back() == '\r' || residues.back() == ' ')) residues.pop_back();
  const long count = std::strtol(count_line.c_str(), nullptr, 10);
  if (count != static_cast<long>(protein.residues.size())) {
    FailMismatch(protein, path, count < 0 ? 0 : static_cast<std::size_t>(count), "the checkpoint matrix");
  }
  for (char &c : residues) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  CompareResidues(protein, path, residues, "the checkpoint matrix");
}

std::string FormatFastaRecord(const ProteinRecord &protein) {
  std::string text = ">" + protein.name + "\n";
  for (std::size_t i = 0; i < protein.residues.size(); i += 60) {
    text.append(protein.residues, i, 60);
    text += '\n';
  }
  return text;
}

}  // namespace linkerkit
