#include "engine/fast_index.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/nucleotide.h"
#include "common/parallel_for.h"

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

// Calls f(g, window) for every global start g in [from, to) of ref that
// an index of step holds: every one for step 1; for step 2 the even local
// starts of each sequence and the full zone of a circular one.
template <bool kCodeOnly, typename F>
void ForEachIndexedWindow(const Reference& ref, int step, int64_t from, int64_t to, F&& f) {
  if (from >= to) return;
  for (uint32_t s = ref.SeqAt(from); from < to; ++s) {
    const RefSeq& q = ref.seq(s);
    const int64_t end = std::min<int64_t>(to, q.offset + q.length);
    if (from < end) {
      // Locals, so that the stores of f (bytes among them) cannot make
      // the compiler read these again at every start.
      const int64_t zone = q.circular ? kFullZone : 0, base = q.offset;
      ForEachWindow<kCodeOnly>(ref.letters() + base, q.length, from - base, end - base,
                               [&](int64_t p, uint64_t w) {
                                 if (step == 1 || (p & 1) == 0 || p < zone) f(base + p, w);
                               });
    }
    from = std::max(from, end);
  }
}

// The ranges of the passes over n starts: about one per thread, cut again
// at every multiple of 2^32, so that each range lies in one segment.
std::vector<int64_t> RangeCuts(int threads, int64_t n, int64_t segmentLetters) {
  const int ranges = ParallelRanges(threads, n);
  std::vector<int64_t> cuts;
  for (int t = 0; t <= ranges; ++t) cuts.push_back(n * t / ranges);
  for (int64_t b = segmentLetters; b < n; b += segmentLetters) cuts.push_back(b);
  std::sort(cuts.begin(), cuts.end());
  cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
  if (cuts.size() < 2) cuts = {0, n};
  return cuts;
}

// Calls fn(r, begin, end) for every range r of cuts, the ranges shared
// among up to threads threads.
template <typename Fn>
void ForEachRange(int threads, const std::vector<int64_t>& cuts, Fn&& fn) {
  const int ranges = static_cast<int>(cuts.size()) - 1;
  const int used = std::max(1, std::min(PassThreads(threads), ranges));
  ParallelFor(
      used, used,
      [&](int, int64_t t0, int64_t t1) {
        for (int64_t t = t0; t < t1; ++t) {
          for (int r = static_cast<int>(t); r < ranges; r += used) fn(r, cuts[r], cuts[r + 1]);
        }
      },
      1);
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
constexpr uint64_t kMaxGroupEntries = uint64_t{1} << 22;

}  // namespace

bool FastIndex::ScatterInTwoPasses(const GenomeStore& store, int threads, const uint64_t* cursor,
                                   uint32_t lowMask) {
  const Reference& ref = store.ref();
  const uint64_t n = t_.entries;
  uint64_t largest = 0;
  for (int g = 0; g < kGroups; ++g) {
    largest = std::max(largest, offOwn_[(g + 1) << kGroupBits] - offOwn_[g << kGroupBits]);
  }
  if (largest > std::max<uint64_t>(kMaxGroupEntries, n / 64)) return false;
  BigArray<uint8_t> low;
  if (!low.Allocate(static_cast<size_t>(n) + 1)) return false;
  uint32_t* pos = posOwn_.get();
  uint32_t* ctx = ctxOwn_.get();
  // The first pass places every start within its group, in the order of
  // the ranges and of the starts in each: range r's part of a group starts
  // after the entries of the earlier ranges in each of its buckets.
  ForEachRange(threads, cuts_, [&](int r, int64_t from, int64_t to) {
    const uint64_t* bucket = cursor + static_cast<size_t>(r) * kSeedCodes;
    uint64_t next[kGroups];
    for (int g = 0; g < kGroups; ++g) {
      next[g] = offOwn_[g << kGroupBits];
      for (int c = g << kGroupBits; c < (g + 1) << kGroupBits; ++c) next[g] += bucket[c] - offOwn_[c];
    }
    // The tables through locals of this range's own, which no other
    // thread sees: the byte stores of the loop cannot change them.
    uint32_t* const posOut = pos;
    uint32_t* const ctxOut = ctx;
    uint8_t* const lowOut = low.get();
    const uint32_t mask = lowMask;
    ForEachIndexedWindow<false>(ref, t_.step, from, to, [&](int64_t q, uint64_t w) {
      const uint32_t code = (w >> 16) & 0xFFFF;
      const uint64_t i = next[code >> kGroupBits]++;
      posOut[i] = static_cast<uint32_t>(q) & mask;
      ctxOut[i] = Context(w);
      lowOut[i] = static_cast<uint8_t>(code);
    });
  });
  // The second pass sorts each group by its codes' last 4 letters through
  // a buffer of the group, keeping the order of the first. The buffers are
  // taken here, where a lack of memory can still fall back; one per
  // thread.
  const int used = PassThreads(threads);
  BigArray<uint32_t> buffers;
  if (!buffers.Allocate(static_cast<size_t>(used) * 2 * largest + 1)) return false;
  ParallelFor(
      used, kGroups,
      [&](int t, int64_t g0, int64_t g1) {
        uint32_t* pbuf = buffers.get() + static_cast<size_t>(t) * 2 * largest;
        uint32_t* cbuf = pbuf + largest;
        for (int64_t g = g0; g < g1; ++g) {
          const uint64_t a = offOwn_[g << kGroupBits], b = offOwn_[(g + 1) << kGroupBits];
          std::memcpy(pbuf, pos + a, sizeof(uint32_t) * (b - a));
          std::memcpy(cbuf, ctx + a, sizeof(uint32_t) * (b - a));
          const uint8_t* lo = low.get() + a;  // the pass writes no byte of it
          uint64_t next[1 << kGroupBits];
          for (int c = 0; c < (1 << kGroupBits); ++c) next[c] = offOwn_[(g << kGroupBits) + c];
          for (uint64_t k = 0; k < b - a; ++k) {
            const uint64_t i = next[lo[k]]++;
            pos[i] = pbuf[k];
            ctx[i] = cbuf[k];
          }
        }
      },
      1);
  return true;
}

Status FastIndex::Build(const GenomeStore& store, int threads, int step) {
  Release();
  const Reference& ref = store.ref();
  const int64_t n = store.gnmLen();
  t_.step = step == 0 ? StepFor(n) : step;
  t_.segmentBits = static_cast<uint32_t>(segmentBits_);
  const int64_t segmentLetters = int64_t{1} << segmentBits_;
  const uint32_t lowMask = static_cast<uint32_t>(segmentLetters - 1);
  cuts_ = RangeCuts(threads, n, segmentLetters);
  const int ranges = static_cast<int>(cuts_.size()) - 1;
  t_.segments = static_cast<uint32_t>(std::max<int64_t>(1, (n + segmentLetters - 1) / segmentLetters));
  // Per range and code: first the count, then the next free entry.
  BigArray<uint64_t> cursor;
  cursor.Allocate(static_cast<size_t>(ranges) * kSeedCodes);
  offOwn_.Allocate(kSeedCodes + 1);
  if (t_.segments > 1) segOwn_.Allocate(static_cast<size_t>(kSeedCodes) * t_.segments);
  if (!cursor || !offOwn_ || (t_.segments > 1 && !segOwn_)) {
    Release();
    return Status::NoMemory("no mem Chns, ArrMisMatches");
  }
  std::memset(cursor.get(), 0, sizeof(uint64_t) * kSeedCodes * static_cast<size_t>(ranges));
  ForEachRange(threads, cuts_, [&](int r, int64_t from, int64_t to) {
    uint64_t* count = cursor.get() + static_cast<size_t>(r) * kSeedCodes;
    ForEachIndexedWindow<true>(ref, t_.step, from, to, [&](int64_t, uint64_t w) { ++count[(w >> 16) & 0xFFFF]; });
  });
  // Bucket c of range r starts after bucket c of the ranges before it, so
  // every bucket stays in ascending position.
  uint64_t sum = 0;
  for (int c = 0; c < kSeedCodes; ++c) {
    offOwn_[c] = sum;
    for (int r = 0; r < ranges; ++r) {
      uint64_t& e = cursor[static_cast<size_t>(r) * kSeedCodes + c];
      const uint64_t count = e;
      e = sum;
      sum += count;
    }
  }
  offOwn_[kSeedCodes] = sum;
  t_.entries = sum;
  // Segment h of bucket c begins with the first range that begins in it.
  if (t_.segments > 1) {
    for (int c = 0; c < kSeedCodes; ++c) {
      for (uint32_t h = 0; h < t_.segments; ++h) {
        uint64_t first = offOwn_[c + 1];
        for (int r = 0; r < ranges; ++r) {
          if (cuts_[r] >= static_cast<int64_t>(h) * segmentLetters) {
            first = cursor[static_cast<size_t>(r) * kSeedCodes + c];
            break;
          }
        }
        segOwn_[static_cast<size_t>(c) * t_.segments + h] = first;
      }
    }
  }
  posOwn_.Allocate(static_cast<size_t>(sum) + 1);
  ctxOwn_.Allocate(static_cast<size_t>(sum) + kScanPad);
  if (!posOwn_ || !ctxOwn_) {
    Release();
    return Status::NoMemory("no mem Chns, ArrMisMatches");
  }
  if (!ScatterInTwoPasses(store, threads, cursor.get(), lowMask)) {
    uint32_t* pos = posOwn_.get();
    uint32_t* ctx = ctxOwn_.get();
    ForEachRange(threads, cuts_, [&](int r, int64_t from, int64_t to) {
      uint64_t* next = cursor.get() + static_cast<size_t>(r) * kSeedCodes;
      ForEachIndexedWindow<false>(ref, t_.step, from, to, [&](int64_t g, uint64_t w) {
        const uint64_t i = next[(w >> 16) & 0xFFFF]++;
        pos[i] = static_cast<uint32_t>(g) & lowMask;
        ctx[i] = Context(w);
      });
    });
  }
  posOwn_[sum] = 0;
  std::memset(ctxOwn_.get() + sum, 0, sizeof(uint32_t) * kScanPad);
  t_.off = offOwn_.get();
  t_.pos = posOwn_.get();
  t_.ctx = ctxOwn_.get();
  t_.seg = segOwn_.get();
  off_ = t_.off;
  pos_ = t_.pos;
  ctx_ = t_.ctx;
  return Status::OK();
}

void FastIndex::Adopt(const FastIndexTables& t) {
  Release();
  t_ = t;
  off_ = t.off;
  pos_ = t.pos;
  ctx_ = t.ctx;
}

void FastIndex::Release() {
  offOwn_.reset();
  posOwn_.reset();
  ctxOwn_.reset();
  segOwn_.reset();
  t_ = FastIndexTables();
  off_ = nullptr;
  pos_ = nullptr;
  ctx_ = nullptr;
  cuts_.clear();
}

}  // namespace quorvane
