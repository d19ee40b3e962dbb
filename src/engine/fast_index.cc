#include "engine/fast_index.h"

#include <algorithm>
#include <cstring>

#include "common/nucleotide.h"
#include "engine/parallel_for.h"

namespace quorvane {
namespace {

constexpr uint64_t kWindowMask = (uint64_t{1} << 48) - 1;

// The seed code of every byte: its code, 0 for a letter other than A, C,
// G, T.
struct SeedCodeTable {
  uint8_t of[256] = {};
  SeedCodeTable() {
    for (int b = 0; b < 256; ++b) of[b] = SeedCodeOfLetter(static_cast<char>(b));
  }
};
const SeedCodeTable kSeed;

inline unsigned Code(char b) { return kSeed.of[static_cast<unsigned char>(b)]; }

// The 24 letters q-8 .. q+15 of a sequence of length len at sq as 48 bits,
// first letter highest, taken cyclically.
uint64_t CyclicWindow(const char* sq, int64_t len, int64_t q) {
  uint64_t v = 0;
  for (int64_t k = q - kSeedLen; k < q + 2 * kSeedLen; ++k) {
    int64_t i = k % len;
    if (i < 0) i += len;
    v = v << 2 | Code(sq[i]);
  }
  return v;
}

// Calls f(q, window) for every start q in [a, b) of a sequence, window
// holding its letters q-8 .. q+15: rolled where they lie inside the
// sequence, taken cyclically near its ends. kCodeOnly: only the window's
// letters q .. q+7 are right.
template <bool kCodeOnly, typename F>
void ForEachWindow(const char* sq, int64_t len, int64_t a, int64_t b, F&& f) {
  const int64_t s0 = std::clamp<int64_t>(kSeedLen, a, b);
  const int64_t s1 = std::clamp<int64_t>(len - 2 * kSeedLen, s0, b);
  for (int64_t q = a; q < s0; ++q) f(q, CyclicWindow(sq, len, q));
  if (s0 < s1) {
    // The letter that enters the window as it moves to q + 1.
    const int ahead = kCodeOnly ? kSeedLen : 2 * kSeedLen;
    uint64_t v = CyclicWindow(sq, len, s0);
    if (kCodeOnly) v >>= 2 * kSeedLen;
    const char* in = sq + s0 + ahead;
    for (int64_t q = s0; q < s1; ++q, ++in) {
      f(q, kCodeOnly ? v << 2 * kSeedLen : v);
      v = (v << 2 | Code(*in)) & (kCodeOnly ? kWindowMask >> 2 * kSeedLen : kWindowMask);
    }
  }
  for (int64_t q = s1; q < b; ++q) f(q, CyclicWindow(sq, len, q));
}

// Calls f(g, window) for every global start g in [from, to) of ref.
template <bool kCodeOnly, typename F>
void ForEachGlobalWindow(const Reference& ref, int64_t from, int64_t to, F&& f) {
  if (from >= to) return;
  for (uint32_t s = ref.SeqAt(from); from < to; ++s) {
    const RefSeq& q = ref.seq(s);
    const int64_t end = std::min<int64_t>(to, q.offset + q.length);
    if (from < end) {
      ForEachWindow<kCodeOnly>(ref.letters() + q.offset, q.length, from - q.offset, end - q.offset,
                               [&](int64_t p, uint64_t w) { f(q.offset + p, w); });
    }
    from = std::max(from, end);
  }
}

// The context kept beside a start whose window is w (see Ctx()).
inline uint32_t Context(uint64_t w) {
  return static_cast<uint32_t>((w >> 16) & 0xFFFF0000u) | static_cast<uint32_t>(w & 0xFFFFu);
}

// Codes whose first 4 letters agree form a group of 256 buckets.
constexpr int kGroupBits = 8;
constexpr int kGroups = kSeedCodes >> kGroupBits;
// A group larger than this many entries, or than a 64th of the genome (a
// genome of long repeats of few letters), leaves the two-pass scatter,
// whose buffer it would enlarge, to the direct one.
constexpr uint32_t kMaxGroupEntries = uint32_t{1} << 22;

}  // namespace

bool FastIndex::ScatterInTwoPasses(const GenomeStore& store, int threads, int ranges, uint32_t* cursor) {
  const Reference& ref = store.ref();
  const int64_t n = store.gnmLen();
  uint32_t largest = 0;
  for (int g = 0; g < kGroups; ++g) {
    largest = std::max(largest, off_[(g + 1) << kGroupBits] - off_[g << kGroupBits]);
  }
  if (largest > std::max<int64_t>(kMaxGroupEntries, n / 64)) return false;
  BigArray<uint8_t> low;
  if (!low.Allocate(static_cast<size_t>(n))) return false;
  // The first pass places every start within its group, in the order of
  // the ranges and of the starts in each: range t's part of a group starts
  // after the entries of the earlier ranges in each of its buckets.
  ParallelFor(threads, n, [&](int t, int64_t from, int64_t to) {
    const uint32_t* bucket = cursor + static_cast<size_t>(t) * kSeedCodes;
    uint32_t next[kGroups];
    for (int g = 0; g < kGroups; ++g) {
      next[g] = off_[g << kGroupBits];
      for (int c = g << kGroupBits; c < (g + 1) << kGroupBits; ++c) next[g] += bucket[c] - off_[c];
    }
    ForEachGlobalWindow<false>(ref, from, to, [&](int64_t q, uint64_t w) {
      const uint32_t code = (w >> 16) & 0xFFFF;
      const uint32_t i = next[code >> kGroupBits]++;
      pos_[i] = static_cast<int32_t>(q);
      ctx_[i] = Context(w);
      low[i] = static_cast<uint8_t>(code);
    });
  });
  // The second pass sorts each group by its codes' last 4 letters through
  // a buffer of the group, keeping the order of the first. The buffers are
  // taken here, where a lack of memory can still fall back; one per range
  // of the first pass, as many as threads run.
  BigArray<uint32_t> buffers;
  if (!buffers.Allocate(static_cast<size_t>(ranges) * 2 * largest + 1)) return false;
  ParallelFor(
      ranges, kGroups,
      [&](int t, int64_t g0, int64_t g1) {
        uint32_t* pos = buffers.get() + static_cast<size_t>(t) * 2 * largest;
        uint32_t* ctx = pos + largest;
        for (int64_t g = g0; g < g1; ++g) {
          const uint32_t a = off_[g << kGroupBits], b = off_[(g + 1) << kGroupBits];
          std::memcpy(pos, pos_.get() + a, sizeof(uint32_t) * (b - a));
          std::memcpy(ctx, ctx_.get() + a, sizeof(uint32_t) * (b - a));
          const uint8_t* lo = low.get() + a;  // the pass writes no byte of it
          uint32_t next[1 << kGroupBits];
          for (int c = 0; c < (1 << kGroupBits); ++c) next[c] = off_[(g << kGroupBits) + c];
          for (uint32_t k = 0; k < b - a; ++k) {
            const uint32_t i = next[lo[k]]++;
            pos_[i] = static_cast<int32_t>(pos[k]);
            ctx_[i] = ctx[k];
          }
        }
      },
      1);
  return true;
}

Status FastIndex::Build(const GenomeStore& store, int threads) {
  Release();
  const Reference& ref = store.ref();
  const int64_t n = store.gnmLen();
  const int ranges = ParallelRanges(threads, n);
  off_.Allocate(kSeedCodes + 1);
  pos_.Allocate(static_cast<size_t>(n) + 1);
  ctx_.Allocate(static_cast<size_t>(n) + kScanPad);
  // Per range and code: first the count, then the next free entry.
  BigArray<uint32_t> cursor;
  cursor.Allocate(static_cast<size_t>(ranges) * kSeedCodes);
  if (!off_ || !pos_ || !ctx_ || !cursor) {
    Release();
    return Status::NoMemory("no mem Chns, ArrMisMatches");
  }
  std::memset(cursor.get(), 0, sizeof(uint32_t) * kSeedCodes * static_cast<size_t>(ranges));
  ParallelFor(threads, n, [&](int t, int64_t from, int64_t to) {
    uint32_t* count = cursor.get() + static_cast<size_t>(t) * kSeedCodes;
    ForEachGlobalWindow<true>(ref, from, to, [&](int64_t, uint64_t w) { ++count[(w >> 16) & 0xFFFF]; });
  });
  // Bucket c of range t starts after bucket c of the ranges before it, so
  // every bucket stays in ascending position.
  uint32_t sum = 0;
  for (int c = 0; c < kSeedCodes; ++c) {
    off_[c] = sum;
    for (int t = 0; t < ranges; ++t) {
      uint32_t& e = cursor[static_cast<size_t>(t) * kSeedCodes + c];
      const uint32_t count = e;
      e = sum;
      sum += count;
    }
  }
  off_[kSeedCodes] = sum;
  if (!ScatterInTwoPasses(store, threads, ranges, cursor.get())) {
    ParallelFor(threads, n, [&](int t, int64_t from, int64_t to) {
      uint32_t* next = cursor.get() + static_cast<size_t>(t) * kSeedCodes;
      ForEachGlobalWindow<false>(ref, from, to, [&](int64_t g, uint64_t w) {
        const uint32_t i = next[(w >> 16) & 0xFFFF]++;
        pos_[i] = static_cast<int32_t>(g);
        ctx_[i] = Context(w);
      });
    });
  }
  std::memset(ctx_.get() + n, 0, sizeof(uint32_t) * kScanPad);
  return Status::OK();
}

void FastIndex::Release() {
  off_.reset();
  pos_.reset();
  ctx_.reset();
}

}  // namespace quorvane
