#include "engine/packed_strand.h"

#include <emmintrin.h>

#include <algorithm>

#include "common/nucleotide.h"

namespace quorvane {
namespace {

// Byte masks of 16 letters that are A, C, G or T (either case), and their
// codes, the first letter in byte 0 (0 for the others).
inline __m128i Codes16(__m128i v, __m128i& valid) {
  const __m128i lower = _mm_or_si128(v, _mm_set1_epi8(0x20));
  const __m128i c = _mm_cmpeq_epi8(lower, _mm_set1_epi8('c'));
  const __m128i g = _mm_cmpeq_epi8(lower, _mm_set1_epi8('g'));
  const __m128i t = _mm_cmpeq_epi8(lower, _mm_set1_epi8('t'));
  valid = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(lower, _mm_set1_epi8('a')), c), _mm_or_si128(g, t));
  return _mm_or_si128(_mm_and_si128(c, _mm_set1_epi8(1)),
                      _mm_or_si128(_mm_and_si128(g, _mm_set1_epi8(2)), _mm_and_si128(t, _mm_set1_epi8(3))));
}

// The 16 bytes of v in reverse order.
inline __m128i Reversed(__m128i v) {
  v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
  v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
  v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
  return _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2));
}

// The 16 codes (0..3) of c, byte 0 first, as 32 bits, the first highest.
inline uint32_t Pack16(__m128i c) {
  __m128i w = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(c, _mm_set1_epi16(0x00FF)), 2), _mm_srli_epi16(c, 8));
  w = _mm_or_si128(_mm_slli_epi32(_mm_and_si128(w, _mm_set1_epi32(0xFFFF)), 4), _mm_srli_epi32(w, 16));
  w = _mm_or_si128(_mm_slli_epi64(_mm_and_si128(w, _mm_set1_epi64x(0xFFFFFFFF)), 8), _mm_srli_epi64(w, 32));
  const auto lo = static_cast<uint64_t>(_mm_cvtsi128_si64(w));
  const auto hi = static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_srli_si128(w, 8)));
  return static_cast<uint32_t>(lo << 16 | hi);
}

// Sets the 2n bits v (n letters, the first highest) from slot s on.
inline void Put(uint64_t* w, int s, uint64_t v, int n) {
  const int j = s >> 5, used = 2 * (s & 31), bits = 2 * n;
  if (used + bits <= 64) {
    w[j] |= v << (64 - used - bits);
  } else {
    w[j] |= v >> (used + bits - 64);
    w[j + 1] |= v << (128 - used - bits);
  }
}

// Both bits of every slot in [from, to) of the 32 slots of word j.
uint64_t SlotBits(int j, int from, int to) {
  const int a = std::clamp(from - 32 * j, 0, 32), b = std::clamp(to - 32 * j, 0, 32);
  if (a >= b) return 0;
  const uint64_t upTo = b == 32 ? ~uint64_t{0} : ~(~uint64_t{0} >> (2 * b));  // slots 0 .. b-1
  return upTo & (~uint64_t{0} >> (2 * a));                                   // and a .. 31
}

}  // namespace

void PackedStrand::Pack(const char* rd, int32_t len, int32_t reach, bool reverse) {
  const int32_t n = std::min({len, reach, kPlanSpan + 16});
  for (int j = 0; j < kWords; ++j) code_[j] = uncoded_[j] = 0;
  hasUncoded_ = false;
  int32_t k = 0;
  // Sixteen letters at a time; letter k of the reverse complement pairs
  // with letter len - 1 - k of the read.
  for (; k + 16 <= n; k += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(reverse ? rd + len - 16 - k : rd + k));
    if (reverse) v = Reversed(v);
    __m128i valid;
    __m128i c = Codes16(v, valid);
    if (reverse) c = _mm_and_si128(_mm_xor_si128(c, _mm_set1_epi8(3)), valid);
    Put(code_, k + kFront, Pack16(c), 16);
    const auto none = static_cast<uint32_t>(~_mm_movemask_epi8(valid) & 0xFFFF);
    if (none != 0) {
      hasUncoded_ = true;
      for (int b = 0; b < 16; ++b) {
        if (none >> b & 1) Put(uncoded_, k + kFront + b, 3, 1);
      }
    }
  }
  for (; k < n; ++k) {
    const uint8_t c = CodeOf(rd[reverse ? len - 1 - k : k]);
    if (c == kNoCode) {
      hasUncoded_ = true;
      Put(uncoded_, k + kFront, 3, 1);
    } else {
      Put(code_, k + kFront, reverse ? 3 - c : c, 1);
    }
  }
  for (int j = 0; j < kWords; ++j) coded_[j] = SlotBits(j, kFront, kFront + n) & ~uncoded_[j];
}

}  // namespace quorvane
