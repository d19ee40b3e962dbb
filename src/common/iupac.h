// IUPAC nucleotide letters as sets of the four bases, one bit a base.
#ifndef QUORVANE_COMMON_IUPAC_H_
#define QUORVANE_COMMON_IUPAC_H_

#include <array>
#include <cstdint>

namespace quorvane {

// One bit per base: A 1, C 2, G 4, T 8. A letter of a guide or a PAM
// stands for the set of its bits; a genome letter for one bit, or none
// when it is not A, C, G or T (such a letter matches nothing).
inline constexpr uint8_t kBaseA = 1, kBaseC = 2, kBaseG = 4, kBaseT = 8;

// The base set of every IUPAC letter (A C G T R Y S W K M B D H V N, either
// case); 0 for every other byte.
inline constexpr std::array<uint8_t, 256> kIupacSet = [] {
  std::array<uint8_t, 256> t{};
  const char* letters = "ACGTRYSWKMBDHVN";
  const uint8_t sets[] = {1,     2,     4,         8,         1 | 4,     2 | 8,     2 | 4, 1 | 8,
                          4 | 8, 1 | 2, 2 | 4 | 8, 1 | 4 | 8, 1 | 2 | 8, 1 | 2 | 4, 15};
  for (int i = 0; letters[i] != 0; ++i) {
    t[static_cast<unsigned char>(letters[i])] = sets[i];
    t[static_cast<unsigned char>(letters[i] + 'a' - 'A')] = sets[i];
  }
  return t;
}();

// The one base of a genome letter: A, C, G, T in either case; 0 for any
// other byte.
inline constexpr std::array<uint8_t, 256> kBaseBit = [] {
  std::array<uint8_t, 256> t{};
  t['A'] = t['a'] = kBaseA;
  t['C'] = t['c'] = kBaseC;
  t['G'] = t['g'] = kBaseG;
  t['T'] = t['t'] = kBaseT;
  return t;
}();

// The set of the complementary bases: A<->T, C<->G.
inline constexpr uint8_t ComplementSet(uint8_t s) {
  return static_cast<uint8_t>(((s & 1) << 3) | ((s & 2) << 1) | ((s & 4) >> 1) | ((s & 8) >> 3));
}

// The complementary IUPAC letter of b, in upper case; N for a byte that is
// no IUPAC letter.
inline constexpr std::array<char, 256> kIupacComplement = [] {
  std::array<char, 256> t{};
  for (auto& c : t) c = 'N';
  const char* from = "ACGTRYSWKMBDHVN";
  const char* to = "TGCAYRSWMKVHDBN";
  for (int i = 0; from[i] != 0; ++i) {
    t[static_cast<unsigned char>(from[i])] = to[i];
    t[static_cast<unsigned char>(from[i] + 'a' - 'A')] = to[i];
  }
  return t;
}();

}  // namespace quorvane

#endif  // QUORVANE_COMMON_IUPAC_H_
