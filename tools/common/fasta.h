// The residues of a one-protein FASTA file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace linkerkit {

// The leading lines that begin with ">" are headers (the first after its
// byte-order mark, if it has one); from the first other line on, every
// capital letter A to Z is a residue, later ">" lines included (a file
// holds one sequence).
std::string ExtractFastaResidues(const std::vector<std::string> &lines);

// Fails with "cannot open PATH"; an empty file has no residues.
std::string ReadFastaResidues(const std::string &path);

}  // namespace linkerkit
