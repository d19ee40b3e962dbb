// Nucleotide letters, their 2-bit codes and 8-letter seed codes.
#ifndef QUORVANE_COMMON_NUCLEOTIDE_H_
#define QUORVANE_COMMON_NUCLEOTIDE_H_

#include <array>
#include <cstdint>

namespace quorvane {

// The code of a byte that is none of A, C, G, T in either case.
inline constexpr uint8_t kNoCode = 255;

// Number of distinct 8-letter seed codes.
inline constexpr int kSeedCodes = 65536;

// Letters an 8-letter seed code covers.
inline constexpr int kSeedLen = 8;

// Maps every byte value to its nucleotide code: A/a 0, C/c 1, G/g 2, T/t 3,
// every other byte kNoCode. The table is built at compile time, so it is
// ready before any window or run exists and can never be seen half filled.
inline constexpr std::array<uint8_t, 256> SmbCd = [] {
  std::array<uint8_t, 256> t{};
  for (auto& e : t) e = kNoCode;
  t['A'] = t['a'] = 0;
  t['C'] = t['c'] = 1;
  t['G'] = t['g'] = 2;
  t['T'] = t['t'] = 3;
  return t;
}();

// The complementary letter of code c is kComplLetters[c].
inline constexpr char kComplLetters[] = "TGCA";

// Code of byte b (kNoCode for a byte that is not a nucleotide letter).
inline uint8_t CodeOf(char b) { return SmbCd[static_cast<unsigned char>(b)]; }

// Seed code of the 8 letters at s (each must be one of A, C, G, T in
// either case): the first letter in the two most significant bits.
inline uint16_t SeedCodeOf(const char* s) {
  unsigned v = 0;
  for (int i = 0; i < kSeedLen; ++i) v = (v << 2) | CodeOf(s[i]);
  return static_cast<uint16_t>(v);
}

}  // namespace quorvane

#endif  // QUORVANE_COMMON_NUCLEOTIDE_H_
