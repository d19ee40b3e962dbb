// Scanning one run of the fast index for the entries whose surrounding
// letters lie within a few mismatches of a read, and counting mismatching
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

// Set bits of a 16-bit value. kPopcnt: the caller is compiled for POPCNT;
// otherwise a sum of bit groups, which the baseline instruction set does
// without a library call.
template <bool kPopcnt>
inline int BitCount16(unsigned v) {
  if constexpr (kPopcnt) {
    return __builtin_popcount(v & 0xFFFFu);
  } else {
    v = (v & 0x5555u) + ((v >> 1) & 0x5555u);
    v = (v & 0x3333u) + ((v >> 2) & 0x3333u);
    v = (v + (v >> 4)) & 0x0F0Fu;
    return static_cast<int>((v + (v >> 8)) & 0x1Fu);
  }
}

// One bit (the lower of its two) for every letter in which the seed codes
// x and key differ, among the letters whose bits are set in mask.
inline unsigned MisBits(unsigned x, unsigned key, unsigned mask) {
  x = (x ^ key) & mask;
  return (x | (x >> 1)) & 0x5555u;
}

// Letters in which two seed codes differ, counting only the letters whose
// bits are set in keep (both bits of a letter, or neither).
template <bool kPopcnt>
inline int MisCount(unsigned x, unsigned keep) {
  return BitCount16<kPopcnt>(MisBits(x, 0, keep));
}

// What the entries of a run are compared with: the read's letters before
// and after each entry's bucket, in the layout of the index's contexts,
// with the bits of the letters that take part, and a part of them with
// an allowance of its own (the piece's letters past its bucket, or the
// letters that no piece looked up before holds).
struct ContextKey {
  uint32_t key = 0;       // codes of the 8 letters before << 16 | of letters 9..16
  uint32_t mask = 0;      // both bits of each letter that takes part
  uint32_t partMask = 0;  // both bits of each letter of the part
};

// Set bits of a 32-bit value without POPCNT.
inline int BitCount32Portable(uint32_t v) {
  v = v - ((v >> 1) & 0x55555555u);
  v = (v & 0x33333333u) + ((v >> 2) & 0x33333333u);
  v = (v + (v >> 4)) & 0x0F0F0F0Fu;
  return static_cast<int>((v * 0x01010101u) >> 24);
}

// Whether an entry with context ctx differs from key in at most allow
// letters in all, and in at most partAllow of the part's letters.
inline bool ContextFits(const ContextKey& key, uint32_t ctx, int allow, int partAllow) {
  const uint32_t x = (ctx ^ key.key) & key.mask;
  const uint32_t m = (x | (x >> 1)) & 0x55555555u;  // one bit per differing letter
  return BitCount32Portable(m & key.partMask) <= partAllow && BitCount32Portable(m) <= allow;
}

// Calls emit(i) for every entry i in [beg, end), in ascending order, whose
// context fits key within allow and partAllow mismatches.
template <typename Emit>
inline void ScanRunScalar(const uint32_t* ctx, uint64_t beg, uint64_t end, const ContextKey& key, int allow,
                          int partAllow, Emit&& emit) {
  for (uint64_t i = beg; i < end; ++i) {
    if (ContextFits(key, ctx[i], allow, partAllow)) emit(i);
  }
}

// Lanes of eight 32-bit values with at most limit (0..3) bits set: all
// ones, else zero; each step clears the lowest set bit.
__attribute__((target("avx2"))) inline __m256i AtMost(__m256i v, int limit) {
  const __m256i one = _mm256_set1_epi32(1);
  for (int i = 0; i < limit; ++i) v = _mm256_and_si256(v, _mm256_sub_epi32(v, one));
  return _mm256_cmpeq_epi32(v, _mm256_setzero_si256());
}

// One bit (at even positions) for each letter in which the eight contexts
// at ctx differ from k among the letters whose lower bits are set in low.
__attribute__((target("avx2"))) inline __m256i ContextMisBits(const uint32_t* ctx, __m256i k, __m256i low) {
  const __m256i x = _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(ctx)), k);
  return _mm256_and_si256(_mm256_or_si256(x, _mm256_srli_epi32(x, 1)), low);
}

// Which of the eight contexts at ctx fit: one bit each.
__attribute__((target("avx2"))) inline uint32_t FittingContexts(const uint32_t* ctx, __m256i k, __m256i low,
                                                                __m256i part, int allow, int partAllow,
                                                                bool withPart) {
  const __m256i b = ContextMisBits(ctx, k, low);
  __m256i fits = AtMost(b, allow);
  if (withPart) fits = _mm256_and_si256(fits, AtMost(_mm256_and_si256(b, part), partAllow));
  return static_cast<uint32_t>(_mm256_movemask_ps(_mm256_castsi256_ps(fits)));
}

// The same as ScanRunScalar, sixteen entries at a time; ctx must be
// readable 16 entries past end. Only for callers compiled for AVX2.
template <typename Emit>
__attribute__((target("avx2"))) inline void ScanRunAvx2(const uint32_t* ctx, uint64_t beg, uint64_t end,
                                                        const ContextKey& key, int allow, int partAllow, Emit&& emit) {
  const __m256i k = _mm256_set1_epi32(static_cast<int>(key.key));
  const __m256i low = _mm256_set1_epi32(static_cast<int>(key.mask & 0x55555555u));
  const __m256i part = _mm256_set1_epi32(static_cast<int>(key.partMask & key.mask));
  const __m256i zero = _mm256_setzero_si256();
  const bool withPart = (key.partMask & key.mask) != 0 && partAllow < allow;
  // A part that must match exactly is tested first: it rules out most
  // entries at the cost of one comparison.
  const bool exactPart = withPart && partAllow == 0;
  for (uint64_t i = beg; i < end; i += 16) {
    if (exactPart) {
      const __m256i x0 = _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(ctx + i)), k);
      const __m256i x1 = _mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(ctx + i + 8)), k);
      if (_mm256_movemask_epi8(_mm256_or_si256(_mm256_cmpeq_epi32(_mm256_and_si256(x0, part), zero),
                                               _mm256_cmpeq_epi32(_mm256_and_si256(x1, part), zero))) == 0) {
        continue;
      }
    }
    uint32_t bits = FittingContexts(ctx + i, k, low, part, allow, partAllow, withPart) |
                    FittingContexts(ctx + i + 8, k, low, part, allow, partAllow, withPart) << 8;
    const uint64_t left = end - i;
    if (left < 16) bits &= (1u << left) - 1;
    while (bits != 0) {
      emit(i + static_cast<uint64_t>(__builtin_ctz(bits)));
      bits &= bits - 1;
    }
  }
}

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_BUCKET_SCAN_H_
