#include "engine/fast_search.h"

#include <algorithm>

#include "common/nucleotide.h"
#include "engine/bucket_scan.h"

namespace quorvane {

FastSearch::FastSearch(const GenomeStore& store, const FastIndex& index, bool avx2)
    : ReadSearch(store), index_(index), avx2_(avx2), plans_(static_cast<size_t>(kMaxRdLen + 1) * 4) {
  probes_.reserve(1024);
  cand_.reserve(256);
  found_.reserve(256);
}

const PiecePlan& FastSearch::Plan() {
  PiecePlan& p = plans_[static_cast<size_t>(rc_.rdLen) * 4 + static_cast<size_t>(misNu_)];
  if (p.n == 0) p = ChoosePlan(rc_.rdLen, misNu_, store_.gnmLen());
  return p;
}

void FastSearch::Find() {
  const int32_t len = rc_.rdLen;
  if (misNu_ < rc_.NNu) return;  // every uncoded letter is a mismatch
  for (int32_t i = 0; i < len; ++i) {
    const uint8_t c = CodeOf(rd_[i]);
    const bool none = c == kNoCode;
    fwd_[i] = none ? 0 : c;
    fwdN_[i] = none;
    rev_[len - 1 - i] = none ? 0 : static_cast<uint8_t>(3 - c);
    revN_[len - 1 - i] = none;
    revText_[len - 1 - i] = none ? 'N' : kComplLetters[c];
  }
  SetReadShape(len, rcRev_);
  MakeRdCds(revText_, rcRev_);
  for (int j = 0; j <= rc_.BlkNu; ++j) {
    keep_[j] = static_cast<uint16_t>(~rc_.RdMsk[j]);
    keepRev_[j] = static_cast<uint16_t>(~rcRev_.RdMsk[j]);
  }

  probes_.clear();
  cand_.clear();
  const PiecePlan& plan = Plan();
  for (int i = 0; i < plan.n; ++i) {
    AddProbes(plan.piece[i], fwd_, fwdN_, false);
    AddProbes(plan.piece[i], rev_, revN_, true);
  }
  if (avx2_) {
    CollectAvx2();
  } else {
    CollectPortable();
  }
  const Reference& ref = store_.ref();
  for (uint64_t f : found_) {
    const int64_t g = static_cast<int64_t>((f >> 2) & 0x7FFFFFFFu);
    const uint32_t seq = ref.SeqAt(g);
    AddHit(seq, static_cast<Strand>((f >> 33) & 1), static_cast<int32_t>(g - ref.seq(seq).offset),
           static_cast<int>(f & 3));
  }
}

template <bool kAvx2>
void FastSearch::Collect() {
  found_.clear();
  RunProbes<kAvx2>();
  if (cand_.empty()) return;
  std::sort(cand_.begin(), cand_.end());
  cand_.erase(std::unique(cand_.begin(), cand_.end()), cand_.end());
  VerifyCandidates<kAvx2>();
  std::sort(found_.begin(), found_.end());
}

// Each build takes the loops whole into one function, compiled for its
// processors, so that nothing built for AVX2 runs where it is missing.
__attribute__((flatten)) void FastSearch::CollectPortable() { Collect<false>(); }

__attribute__((target("avx2,popcnt"), flatten)) void FastSearch::CollectAvx2() { Collect<true>(); }

template <bool kAvx2>
void FastSearch::VerifyCandidates() {
  const int32_t len = rc_.rdLen;
  const Reference& ref = store_.ref();
  const uint16_t* cds = store_.Cds(Strand::kDirect);
  for (uint64_t c : cand_) __builtin_prefetch(cds + (c & 0x7FFFFFFFu));
  for (uint64_t c : cand_) {
    const Strand s = static_cast<Strand>(c >> 63);
    const uint32_t seq = static_cast<uint32_t>(c >> 31);
    const int64_t g = static_cast<int64_t>(c & 0x7FFFFFFFu);
    const RefSeq& q = ref.seq(seq);
    const int32_t local = static_cast<int32_t>(g - q.offset);
    // The read (direct) or its reverse complement (complementary) lies on
    // the direct strand from local.
    const int d = store_.NeedsLetterCount(seq, Strand::kDirect, local, len)
                      ? store_.CountLetters(seq, Strand::kDirect, local, s == Strand::kDirect ? rd_ : revText_,
                                            len, misNu_)
                      : Verify<kAvx2>(s, g);
    if (d > misNu_) continue;
    int64_t p = local;
    uint64_t code = cds[g];
    if (s == Strand::kCompl) {
      // The read itself starts where its reverse complement ends.
      p = (int64_t{q.length} - local - len) % q.length;
      if (p < 0) p += q.length;
      code = store_.ComplCode(seq, static_cast<int32_t>(p));
    }
    found_.push_back(code << 34 | static_cast<uint64_t>(s) << 33 | static_cast<uint64_t>(q.offset + p) << 2 |
                     static_cast<uint64_t>(d));
  }
}

void FastSearch::AddProbes(const Piece& pc, const uint8_t* codes, const uint8_t* uncoded, bool reverse) {
  const uint8_t* w = codes + pc.off;
  const uint8_t* wn = uncoded + pc.off;
  // The letters after the first 8, in the top bits of a seed code.
  unsigned key = 0, mask = 0;
  int uncodedTail = 0;
  for (int j = kSeedLen; j < pc.len; ++j) {
    const int shift = 2 * (2 * kSeedLen - 1 - j);
    if (wn[j]) {
      ++uncodedTail;
    } else {
      key |= static_cast<unsigned>(w[j]) << shift;
      mask |= 3u << shift;
    }
  }
  const int allow = pc.mis - uncodedTail;
  if (allow < 0) return;
  Probe probe{0, 0, 0, static_cast<uint16_t>(key), static_cast<uint16_t>(mask), pc.off, 0, reverse};

  bool coded = true;
  unsigned own = 0;
  for (int j = 0; j < kSeedLen; ++j) {
    coded = coded && !wn[j];
    own = own << 2 | w[j];
  }
  if (allow == 0 || (pc.mis == 0 && coded)) {
    if (!coded) return;
    probe.code = own;
    probe.allow = static_cast<int8_t>(allow);
    probes_.push_back(probe);
    return;
  }
  if (allow == 1 && coded) {
    // The seed itself, then each of its letters changed once.
    probe.code = own;
    probe.allow = 1;
    probes_.push_back(probe);
    probe.allow = 0;
    for (int j = 0; j < kSeedLen; ++j) {
      const int shift = 2 * (kSeedLen - 1 - j);
      const unsigned mine = (own >> shift) & 3;
      for (unsigned c = 0; c < 4; ++c) {
        if (c == mine) continue;
        probe.code = (own & ~(3u << shift)) | c << shift;
        probes_.push_back(probe);
      }
    }
    return;
  }
  // Every seed code within the allowance of the piece's first 8 letters;
  // an uncoded letter costs one mismatch whatever it is replaced by.
  struct Frame {
    int at;
    unsigned code;
    int d;
  };
  Frame stack[3 * kSeedLen + 1];  // depth-first: at most 3 siblings wait per level
  int top = 0;
  stack[top++] = {0, 0, 0};
  while (top > 0) {
    const Frame f = stack[--top];
    if (f.at == kSeedLen) {
      probe.code = f.code;
      probe.allow = static_cast<int8_t>(allow - f.d);
      probes_.push_back(probe);
      continue;
    }
    const bool none = wn[f.at] != 0;
    for (unsigned c = 0; c < 4; ++c) {
      const int d = f.d + ((none || c != w[f.at]) ? 1 : 0);
      if (d > allow) continue;
      stack[top++] = {f.at + 1, f.code << 2 | c, d};
    }
  }
}

template <bool kAvx2>
void FastSearch::RunProbes() {
  const Reference& ref = store_.ref();
  const int32_t* pos = index_.Pos();
  const uint16_t* nxt = index_.Nxt();
  const int32_t len = rc_.rdLen;
  const bool oneSeq = ref.count() == 1;
  // The buckets' bounds, then their first entries, are fetched for all
  // probes before any is needed.
  for (const Probe& p : probes_) __builtin_prefetch(index_.OffData() + p.code);
  for (Probe& p : probes_) {
    p.beg = index_.Off(p.code);
    p.end = index_.Off(p.code + 1);
    __builtin_prefetch(nxt + p.beg);
  }
  for (const Probe& pr : probes_) {
    // The piece lies at global start g; the read (or its reverse
    // complement) starts pr.off letters before, within g's sequence.
    auto emit = [&](uint32_t i) {
      const int64_t g = pos[i];
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
      cand_.push_back(static_cast<uint64_t>(pr.reverse) << 63 | static_cast<uint64_t>(seq) << 31 |
                      static_cast<uint64_t>(q.offset + local));
    };
    if constexpr (kAvx2) {
      ScanBucketAvx2(nxt, pr.beg, pr.end, pr.key, pr.mask, pr.allow, emit);
    } else {
      ScanBucketScalar(nxt, pr.beg, pr.end, pr.key, pr.mask, pr.allow, emit);
    }
  }
}

template <bool kAvx2>
int FastSearch::Verify(Strand s, int64_t g) const {
  const ReadCodes& rc = s == Strand::kDirect ? rc_ : rcRev_;
  const uint16_t* keep = s == Strand::kDirect ? keep_ : keepRev_;
  const uint16_t* cds = store_.Cds(Strand::kDirect) + g;
  int d = 0;
  const int blocks = rc.BlkNu;
  for (int j = 0; j < blocks; ++j) {
    d += MisCount<kAvx2>(static_cast<unsigned>(cds[8 * j] ^ rc.RdCds[j]), keep[j]) + rc.RdNNu[j];
    if (d > misNu_) return d;
  }
  const unsigned last = static_cast<unsigned>(cds[8 * blocks] >> rc.LstShf);
  return d + MisCount<kAvx2>(last ^ rc.RdCds[blocks], keep[blocks]) + rc.RdNNu[blocks];
}

}  // namespace quorvane
