// The 20 amino acids in profile order: the order in which composition terms
// are added, the column order of the profile table and the letters a profile
// column can be chosen by.
#pragma once

#include <array>
#include <string_view>

namespace linkerkit {

inline constexpr std::string_view kProfileAlphabet = "ARNDCQEGHILKMFPSTWYV";

// Index of a letter in kProfileAlphabet, or -1.
inline int ProfileIndex(char letter) {
  static constexpr auto table = [] {
    std::array<signed char, 256> t{};
    t.fill(-1);
    for (std::size_t i = 0; i < kProfileAlphabet.size(); ++i)
      t[static_cast<unsigned char>(kProfileAlphabet[i])] = static_cast<signed char>(i);
    return t;
  }();
  return table[static_cast<unsigned char>(letter)];
}

}  // namespace linkerkit
