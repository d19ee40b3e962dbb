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

// Code of byte b in a seed code: a letter other than A, C, G, T counts as
// A there (its mismatches are counted apart).
inline uint8_t SeedCodeOfLetter(char b) {
  const uint8_t c = CodeOf(b);
  return c == kNoCode ? 0 : c;
}

// The seed code of the complementary strand's 8 letters that pair with
// the 8 letters of code x: x read backwards, each letter complemented.
inline uint16_t ReverseComplementCode(unsigned x) {
  x = ((x >> 2) & 0x3333u) | ((x & 0x3333u) << 2);
  x = ((x >> 4) & 0x0F0Fu) | ((x & 0x0F0Fu) << 4);
  x = ((x >> 8) | (x << 8)) & 0xFFFFu;
  return static_cast<uint16_t>(x ^ 0xFFFFu);
}

// Seed code of the 8 letters at s (each must be one of A, C, G, T in
// either case): the first letter in the two most significant bits.
inline uint16_t SeedCodeOf(const char* s) {
  unsigned v = 0;
  for (int i = 0; i < kSeedLen; ++i) v = (v << 2) | CodeOf(s[i]);
  return static_cast<uint16_t>(v);
}

}  // namespace quorvane

#endif  // QUORVANE_COMMON_NUCLEOTIDE_H_
