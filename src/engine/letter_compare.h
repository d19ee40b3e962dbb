// Counting the mismatching letters of a read against genome letters, many
// letters per instruction. Comes in a build for every x86-64 processor
// (SSE2, 16 letters at a time) and one for AVX2 (32 at a time).
#ifndef QUORVANE_ENGINE_LETTER_COMPARE_H_
#define QUORVANE_ENGINE_LETTER_COMPARE_H_

#include <immintrin.h>

#include <cstdint>

#include "common/nucleotide.h"

namespace quorvane {

// Bytes a pattern must be readable past its last letter.
inline constexpr int kPatternPad = 32;

// The pattern byte of a read letter: a, c, g or t for its code, 0 for a
// letter other than A, C, G, T. A genome letter with bit 5 set (lower
// case) equals it exactly when it is the same nucleotide in either case;
// 0 equals none, so such a read letter mismatches everything.
inline char PatternLetter(uint8_t code) { return code == kNoCode ? '\0' : "acgt"[code]; }

// Writes the pattern of the n read letters at rd to out, or with reverse
// that of their reverse complement.
void MakePattern(const char* rd, int n, bool reverse, char* out);

// Letters among the n at rd that are other than A, C, G, T.
int CountUncoded(const char* rd, int n);

// Set bits of v without POPCNT.
inline int BitCount32(uint32_t v) {
  v = v - ((v >> 1) & 0x55555555u);
  v = (v & 0x33333333u) + ((v >> 2) & 0x33333333u);
  v = (v + (v >> 4)) & 0x0F0F0F0Fu;
  return static_cast<int>((v * 0x01010101u) >> 24);
}

// Letters among the n genome letters at g that differ from the pattern pat
// (n letters of PatternLetter bytes, kPatternPad readable bytes after
// them), or the first partial count past limit. g must be readable up to
// 31 bytes past its n letters.
inline int PatternMismatchesSse2(const char* g, const char* pat, int n, int limit) {
  const __m128i lower = _mm_set1_epi8(0x20);
  int d = 0;
  for (int i = 0; i < n; i += 16) {
    const __m128i v = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(g + i)), lower);
    const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pat + i));
    uint32_t diff = ~static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, p))) & 0xFFFFu;
    if (n - i < 16) diff &= (1u << (n - i)) - 1;
    d += BitCount32(diff);
    if (d > limit) return d;
  }
  return d;
}

// The same, 32 letters at a time. Only for callers compiled for AVX2.
__attribute__((target("avx2,popcnt"))) inline int PatternMismatchesAvx2(const char* g, const char* pat, int n,
                                                                        int limit) {
  const __m256i lower = _mm256_set1_epi8(0x20);
  int d = 0;
  for (int i = 0; i < n; i += 32) {
    const __m256i v = _mm256_or_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(g + i)), lower);
    const __m256i p = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pat + i));
    uint32_t diff = ~static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, p)));
    if (n - i < 32) diff &= (1u << (n - i)) - 1;
    d += __builtin_popcount(diff);
    if (d > limit) return d;
  }
  return d;
}

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_LETTER_COMPARE_H_
