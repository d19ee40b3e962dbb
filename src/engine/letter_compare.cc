#include "engine/letter_compare.h"

namespace quorvane {
namespace {

// Per byte: 0xFF where, in lower case, it is a, c, g or t.
inline __m128i Nucleotides(__m128i lower) {
  return _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(lower, _mm_set1_epi8('a')), _mm_cmpeq_epi8(lower, _mm_set1_epi8('c'))),
                      _mm_or_si128(_mm_cmpeq_epi8(lower, _mm_set1_epi8('g')), _mm_cmpeq_epi8(lower, _mm_set1_epi8('t'))));
}

// The 16 bytes of v in reverse order.
inline __m128i Reversed(__m128i v) {
  v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));
  v = _mm_shufflelo_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
  v = _mm_shufflehi_epi16(v, _MM_SHUFFLE(0, 1, 2, 3));
  return _mm_shuffle_epi32(v, _MM_SHUFFLE(1, 0, 3, 2));
}

char ComplementPattern(char p) {
  switch (p) {
    case 'a': return 't';
    case 'c': return 'g';
    case 'g': return 'c';
    case 't': return 'a';
    default: return '\0';
  }
}

}  // namespace

void MakePattern(const char* rd, int n, bool reverse, char* out) {
  int i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i lower = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rd + i)), _mm_set1_epi8(0x20));
    const __m128i valid = Nucleotides(lower);
    __m128i p = _mm_and_si128(lower, valid);
    if (!reverse) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), p);
      continue;
    }
    // a (0x61) and t (0x74) differ in 0x15, c (0x63) and g (0x67) in 0x04.
    const __m128i at = _mm_or_si128(_mm_cmpeq_epi8(p, _mm_set1_epi8('a')), _mm_cmpeq_epi8(p, _mm_set1_epi8('t')));
    const __m128i flip = _mm_or_si128(_mm_and_si128(at, _mm_set1_epi8(0x15)), _mm_andnot_si128(at, _mm_set1_epi8(0x04)));
    p = _mm_and_si128(_mm_xor_si128(p, flip), valid);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + n - i - 16), Reversed(p));
  }
  for (; i < n; ++i) {
    const char p = PatternLetter(CodeOf(rd[i]));
    if (reverse) {
      out[n - 1 - i] = ComplementPattern(p);
    } else {
      out[i] = p;
    }
  }
}

int CountUncoded(const char* rd, int n) {
  int none = 0, i = 0;
  for (; i + 16 <= n; i += 16) {
    const __m128i lower = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rd + i)), _mm_set1_epi8(0x20));
    none += 16 - BitCount32(static_cast<uint32_t>(_mm_movemask_epi8(Nucleotides(lower))));
  }
  for (; i < n; ++i) none += CodeOf(rd[i]) == kNoCode;
  return none;
}

}  // namespace quorvane
