// Scanning one bucket of the fast index for the entries whose following
// letters lie within a few mismatches of a key, and counting mismatching
// letters of two seed codes. Each comes in two builds: one for every
// x86-64 processor, and one for processors with AVX2 (and POPCNT), which
// the fast search chooses at run time.
#ifndef QUORVANE_ENGINE_BUCKET_SCAN_H_
#define QUORVANE_ENGINE_BUCKET_SCAN_H_

#include <immintrin.h>

#include <cstdint>

namespace quorvane {

// Whether the processor runs the AVX2 build; found once. QUORVANE_SCAN=scalar
// in the environment forces the build for every processor.
bool UseAvx2();
// Whether the processor has AVX2 and POPCNT at all.
bool ProcessorHasAvx2();

// Letters in which two seed codes differ, counting only the letters whose
// bits are set in keep (both bits of a letter, or neither). kPopcnt: the
// caller is compiled for POPCNT; otherwise a sum of bit pairs, which the
// baseline instruction set does without a library call.
template <bool kPopcnt>
inline int MisCount(unsigned x, unsigned keep) {
  unsigned v = (x | (x >> 1)) & 0x5555u & keep;
  if constexpr (kPopcnt) {
    return __builtin_popcount(v);
  } else {
    v = (v & 0x3333u) + ((v >> 2) & 0x3333u);
    v = (v + (v >> 4)) & 0x0F0Fu;
    return static_cast<int>((v + (v >> 8)) & 0x1Fu);
  }
}

// Calls emit(i) for every entry i in [beg, end), in ascending order, whose
// code nxt[i] differs from key in at most allow of the letters selected by
// mask.
template <typename Emit>
inline void ScanBucketScalar(const uint16_t* nxt, uint32_t beg, uint32_t end, uint16_t key,
                                                    uint16_t mask, int allow, Emit&& emit) {
  for (uint32_t i = beg; i < end; ++i) {
    if (MisCount<false>(static_cast<unsigned>(nxt[i] ^ key), mask) <= allow) emit(i);
  }
}

// The same, sixteen entries at a time; nxt must be readable 16 entries
// past end. Only for callers compiled for AVX2.
template <typename Emit>
__attribute__((target("avx2"))) inline void ScanBucketAvx2(
    const uint16_t* nxt, uint32_t beg, uint32_t end, uint16_t key, uint16_t mask, int allow, Emit&& emit) {
  const __m256i k = _mm256_set1_epi16(static_cast<short>(key));
  const __m256i m = _mm256_set1_epi16(static_cast<short>(mask));
  const __m256i zero = _mm256_setzero_si256();
  const __m256i lows = _mm256_set1_epi16(0x5555);
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  const __m256i byteLow = _mm256_set1_epi16(0x00FF);
  // Set bits of each nibble value, for a population count by shuffles.
  const __m256i bitsIn = _mm256_setr_epi8(0, 1, 1, 2, 1, 2, 2, 3, 1, 2, 2, 3, 2, 3, 3, 4, 0, 1, 1, 2, 1, 2, 2, 3, 1, 2,
                                          2, 3, 2, 3, 3, 4);
  const __m256i limit = _mm256_set1_epi16(static_cast<short>(allow));
  for (uint32_t i = beg; i < end; i += 16) {
    const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(nxt + i));
    const __m256i x = _mm256_and_si256(_mm256_xor_si256(v, k), m);
    uint32_t bits;
    if (allow == 0) {
      bits = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi16(x, zero)));
    } else {
      const __m256i y = _mm256_and_si256(_mm256_or_si256(x, _mm256_srli_epi16(x, 1)), lows);
      const __m256i c8 = _mm256_add_epi8(_mm256_shuffle_epi8(bitsIn, _mm256_and_si256(y, nibble)),
                                         _mm256_shuffle_epi8(bitsIn, _mm256_and_si256(_mm256_srli_epi16(y, 4), nibble)));
      const __m256i c16 = _mm256_and_si256(_mm256_add_epi16(c8, _mm256_srli_epi16(c8, 8)), byteLow);
      bits = ~static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_cmpgt_epi16(c16, limit)));
    }
    const uint32_t left = end - i;
    if (left < 16) bits &= (1u << (2 * left)) - 1;
    while (bits != 0) {
      const int b = __builtin_ctz(bits);
      emit(i + static_cast<uint32_t>(b >> 1));
      bits &= ~(3u << b);
    }
  }
}

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_BUCKET_SCAN_H_
