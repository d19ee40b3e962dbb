#include "engine/fast_search.h"

#include <algorithm>
#include <cstring>

#include "common/nucleotide.h"
#include "engine/bucket_scan.h"

namespace quorvane {
namespace {

// Entries of a run fetched ahead of its scan, at most.
constexpr uint64_t kPrefetchEntries = 1024;
// Runs of at most this many entries have their positions fetched too.
constexpr uint64_t kShortRun = 256;

// Candidates gathered before they are verified, at most; and the room for
// hits a search keeps after a read.
constexpr size_t kCandChunk = size_t{1} << 16;
constexpr size_t kKeptFound = size_t{1} << 16;

// A candidate: strand << 63 | its global direct-strand start.
constexpr uint64_t kCandStartMask = (uint64_t{1} << 63) - 1;
// A hit found: seed code << 40 | strand << 39 | global start << 2 | mis;
// starts below 2^37 (kMaxGnmLen is 2^36).
constexpr int kFoundStrandShift = 39;
constexpr int kFoundCodeShift = 40;
constexpr uint64_t kFoundStartMask = (uint64_t{1} << 37) - 1;
static_assert(kMaxGnmLen <= (int64_t{1} << 37));

}  // namespace

FastSearch::FastSearch(const GenomeStore& store, const FastIndex& index, bool avx2)
    : ReadSearch(store), index_(index), avx2_(avx2), plans_(static_cast<size_t>(kMaxRdLen + 1) * 4 * 2) {
  std::memset(pat_, 0, sizeof pat_);
  probes_.reserve(1024);
  cand_.reserve(256);
  found_.reserve(256);
}

const PlanLookups& FastSearch::Plan(int parity) {
  PlanLookups& p = plans_[(static_cast<size_t>(rdLen_) * 4 + static_cast<size_t>(misNu_)) * 2 + parity];
  if (p.n == 0) {
    const int step = index_.step();
    PiecePlan plan = ChoosePlan(rdLen_, misNu_, store_.gnmLen(), step);
    if (step == 2) plan = ShiftPlan(plan, parity);
    p = MakeLookups(plan, rdLen_, misNu_);
  }
  return p;
}

bool FastSearch::CodeRead(int32_t reach) {
  // Every letter other than A, C, G, T is a mismatch.
  if (CountUncoded(rd_, rdLen_) > misNu_) return false;
  packed_[0].Pack(rd_, rdLen_, reach, false);
  packed_[1].Pack(rd_, rdLen_, reach, true);
  patternMade_[0] = patternMade_[1] = false;
  return true;
}

const char* FastSearch::Pattern(int s) {
  if (!patternMade_[s]) {
    MakePattern(rd_, rdLen_, s == 1, pat_[s]);
    patternMade_[s] = true;
  }
  return pat_[s];
}

void FastSearch::Find() {
  // An index of every second start is searched with one plan for the
  // placements at even starts and one for those at odd starts.
  const int plans = index_.step();
  int32_t reach = 0;
  for (int parity = 0; parity < plans; ++parity) reach = std::max(reach, Plan(parity).reach);
  if (!CodeRead(reach)) return;
  probes_.clear();
  cand_.clear();
  for (int parity = 0; parity < plans; ++parity) {
    const PlanLookups& plan = Plan(parity);
    for (int i = 0; i < plan.n; ++i) {
      AddPieceProbes(plan.piece[i], misNu_, packed_[0], false, probes_);
      AddPieceProbes(plan.piece[i], misNu_, packed_[1], true, probes_);
    }
  }
  if (avx2_) {
    CollectAvx2();
  } else {
    CollectPortable();
  }
  const Reference& ref = store_.ref();
  for (uint64_t f : found_) {
    const int64_t g = static_cast<int64_t>((f >> 2) & kFoundStartMask);
    const uint32_t seq = ref.SeqAt(g);
    AddHit(seq, static_cast<Strand>((f >> kFoundStrandShift) & 1), g - ref.seq(seq).offset, static_cast<int>(f & 3));
  }
}

template <bool kAvx2>
void FastSearch::Collect() {
  found_.clear();
  RunProbes<kAvx2>();
  VerifyPending<kAvx2>();
  // A start verified in two chunks is found twice.
  std::sort(found_.begin(), found_.end());
  found_.erase(std::unique(found_.begin(), found_.end()), found_.end());
  // A read of a repeat leaves its buffers large; they are given back, so
  // that a worker holds little between such reads.
  if (cand_.capacity() > 2 * kCandChunk) std::vector<uint64_t>().swap(cand_);
  if (found_.capacity() > kKeptFound && found_.size() < kKeptFound / 4) std::vector<uint64_t>().swap(found_);
}

template <bool kAvx2>
void FastSearch::VerifyPending() {
  if (cand_.empty()) return;
  std::sort(cand_.begin(), cand_.end());
  cand_.erase(std::unique(cand_.begin(), cand_.end()), cand_.end());
  VerifyCandidates<kAvx2>();
  cand_.clear();
}

// Each build takes the loops whole into one function, compiled for its
// processors, so that nothing built for AVX2 runs where it is missing.
__attribute__((flatten)) void FastSearch::CollectPortable() { Collect<false>(); }

__attribute__((target("avx2,popcnt"), flatten)) void FastSearch::CollectAvx2() { Collect<true>(); }

template <bool kAvx2>
void FastSearch::RunProbes() {
  const Reference& ref = store_.ref();
  const uint64_t* off = index_.OffData();
  const uint32_t* pos = index_.Pos();
  const uint32_t* ctx = index_.Ctx();
  const int32_t len = rdLen_;
  const bool oneSeq = ref.count() == 1;
  const bool wide = index_.wide();
  const int64_t total = ref.total();
  // The runs' bounds, then their entries, are fetched for all probes
  // before any is needed.
  for (const Probe& p : probes_) __builtin_prefetch(off + p.first);
  TableCheck* check = index_.check();
  for (Probe& p : probes_) {
    p.beg = off[p.first];
    p.end = off[p.first + p.count];
    // Entries of a mapped index are read only once their blocks are
    // verified; a damaged run is passed over, and the run fails.
    if (check != nullptr && (!check->Whole(ctx + p.beg, 4 * (p.end - p.beg)) ||
                             !check->Whole(pos + p.beg, 4 * (p.end - p.beg)))) {
      p.end = p.beg;
    }
    for (uint64_t i = p.beg; i < std::min(p.end, p.beg + kPrefetchEntries); i += 16) __builtin_prefetch(ctx + i);
    // A short run is fetched whole: where it holds a hit, its position is
    // read next.
    if (p.end - p.beg <= kShortRun) {
      for (uint64_t i = p.beg; i < p.end; i += 16) __builtin_prefetch(pos + i);
    }
  }
  for (const Probe& pr : probes_) {
    if (pr.beg == pr.end) continue;  // nothing there, or a damaged run
    // The bucket lies at global start g; the read (or its reverse
    // complement) starts pr.off letters before, within g's sequence.
    auto emitAt = [&](int64_t g) {
      // A start past the genome comes only from a damaged saved index:
      // it is passed over, never read.
      if (static_cast<uint64_t>(g) >= static_cast<uint64_t>(total)) return;
      const uint32_t seq = oneSeq ? 0 : ref.SeqAt(g);
      const RefSeq& q = ref.seq(seq);
      int64_t local = g - q.offset - pr.off;
      if (q.circular) {
        if (local < 0) {
          local %= q.length;
          if (local < 0) local += q.length;
        }
      } else if (local < 0 || local + len > q.length) {
        return;
      }
      cand_.push_back(static_cast<uint64_t>(pr.reverse) << 63 | static_cast<uint64_t>(q.offset + local));
      // The candidates of a read of a repeat are verified a chunk at a
      // time, so that they never take more than a chunk's memory.
      if (cand_.size() >= kCandChunk) VerifyPending<kAvx2>();
    };
    // The entries of bucket c (or, for a genome within 2^32 letters, of
    // any run of buckets) from beg to end.
    auto scan = [&](uint32_t c, uint64_t beg, uint64_t end, int allow, int partAllow) {
      auto emit = [&](uint64_t i) { emitAt(wide ? index_.Start(c, i) : static_cast<int64_t>(pos[i])); };
      if constexpr (kAvx2) {
        ScanRunAvx2(ctx, beg, end, pr.key, allow, partAllow, emit);
      } else {
        ScanRunScalar(ctx, beg, end, pr.key, allow, partAllow, emit);
      }
    };
    if (pr.tailMask == 0 && !wide) {
      scan(pr.first, pr.beg, pr.end, pr.allow, pr.partAllow);
      continue;
    }
    // The bucket's letters after the piece's (all of them in the part) are
    // compared bucket by bucket.
    for (uint32_t c = pr.first; c < pr.first + pr.count; ++c) {
      const int d = MisCount<kAvx2>(c ^ pr.tailKey, pr.tailMask);
      if (d <= pr.partAllow) scan(c, off[c], off[c + 1], pr.allow - d, pr.partAllow - d);
    }
  }
}

template <bool kAvx2>
void FastSearch::VerifyCandidates() {
  const int32_t len = rdLen_;
  const Reference& ref = store_.ref();
  const char* letters = ref.letters();
  const bool oneSeq = ref.count() == 1;
  for (uint64_t c : cand_) __builtin_prefetch(letters + (c & kCandStartMask));
  for (uint64_t c : cand_) {
    const int s = static_cast<int>(c >> 63);
    const int64_t g = static_cast<int64_t>(c & kCandStartMask);
    const uint32_t seq = oneSeq ? 0 : ref.SeqAt(g);
    const RefSeq& q = ref.seq(seq);
    const int64_t local = g - q.offset;
    // The read (direct) or its reverse complement (complementary) lies on
    // the direct strand from local.
    const char* pat = Pattern(s);
    int d;
    if (local + len > q.length) {
      d = CyclicMismatches(q, local, pat);
    } else if constexpr (kAvx2) {
      d = PatternMismatchesAvx2(letters + g, pat, len, misNu_);
    } else {
      d = PatternMismatchesSse2(letters + g, pat, len, misNu_);
    }
    if (d > misNu_) continue;
    int64_t p = local;
    if (s == 1) {
      // The read itself starts where its reverse complement ends.
      p = (int64_t{q.length} - local - len) % q.length;
      if (p < 0) p += q.length;
    }
    const uint64_t code = misNu_ == 0 ? 0 : store_.SeedCode(seq, static_cast<Strand>(s), p);
    found_.push_back(code << kFoundCodeShift | static_cast<uint64_t>(s) << kFoundStrandShift |
                     static_cast<uint64_t>(q.offset + p) << 2 | static_cast<uint64_t>(d));
  }
}

int FastSearch::CyclicMismatches(const RefSeq& q, int64_t local, const char* pat) const {
  const char* sq = store_.ref().letters() + q.offset;
  int d = 0;
  int64_t i = local % q.length;
  for (int32_t j = 0; j < rdLen_; ++j) {
    d += (sq[i] | 0x20) != pat[j];
    if (d > misNu_) return d;
    if (++i == q.length) i = 0;
  }
  return d;
}

}  // namespace quorvane
