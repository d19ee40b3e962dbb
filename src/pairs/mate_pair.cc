#include "pairs/mate_pair.h"

#include <algorithm>

namespace quorvane {
namespace {

// Orders hits by sequence, then leftmost letter.
bool Before(const MateHit& h, uint32_t seq, int64_t left) { return h.seq < seq || (h.seq == seq && h.left < left); }

}  // namespace

MatePair::MatePair(const Reference& ref, const PairRule& rule, const MateHit* h1, size_t n1, int32_t len1,
                   const MateHit* h2, size_t n2, int32_t len2)
    : ref_(ref), rule_(rule), hits_{h1, h2}, n_{n1, n2}, len_{len1, len2} {
  for (int mate = 0; mate < 2; ++mate) {
    const MateHit* h = hits_[mate];
    size_t i = 0;
    for (int g = 0; g <= 2 * (kMaxMateMis + 1); ++g) {
      // Group g holds the hits whose 2 * mis + strand is g.
      while (i < n_[mate] && 2 * h[i].mis + static_cast<int>(h[i].strand) < g) ++i;
      groupBeg_[mate][g] = i;
    }
    for (int m = 0; m <= kMaxMateMis; ++m) {
      if (groupBeg_[mate][2 * m + 2] > groupBeg_[mate][2 * m]) misSeen_[mate] |= 1u << m;
    }
  }
}

MatePair::Range MatePair::Group(int mate, int mis, Strand s) const {
  const int g = 2 * mis + static_cast<int>(s);
  return Range{hits_[mate] + groupBeg_[mate][g], hits_[mate] + groupBeg_[mate][g + 1]};
}

int MatePair::Window(const MateHit& u, int32_t uLen, Range down, int32_t dLen, Range runs[2]) const {
  // The downstream mate starts d letters after the upstream one: the
  // fragment is F = d + dLen letters long, at least MIN and at least the
  // upstream mate, at most MAX.
  const int64_t dLo = std::max<int64_t>({0, rule_.minFrag - dLen, static_cast<int64_t>(uLen) - dLen});
  int64_t dHi = rule_.maxFrag - dLen;
  const RefSeq& q = ref_.seq(u.seq);
  // Along a circle the distance is taken forward, below one turn.
  if (q.circular) dHi = std::min(dHi, q.length - 1);
  if (dHi < dLo) return 0;
  int n = 0;
  auto run = [&](int64_t from, int64_t to) {
    auto below = [&](const MateHit& h, int64_t left) { return Before(h, u.seq, left); };
    Range r;
    r.begin = std::lower_bound(down.begin, down.end, from, below);
    r.end = std::lower_bound(r.begin, down.end, to + 1, below);
    if (!r.empty()) runs[n++] = r;
  };
  const int64_t from = u.left + dLo, to = u.left + dHi;
  if (!q.circular || to < q.length) {
    run(from, to);
  } else if (from >= q.length) {
    run(from - q.length, to - q.length);
  } else {
    run(from, q.length - 1);
    run(0, to - q.length);
  }
  return n;
}

PairSummary MatePair::Summarize() const {
  PairSummary s;
  // Every window, counted without visiting its placements.
  for (int m1 = 0; m1 <= kMaxMateMis; ++m1) {
    for (int m2 = 0; m2 <= kMaxMateMis; ++m2) {
      if ((misSeen_[0] >> m1 & misSeen_[1] >> m2 & 1) == 0) continue;
      const int mis[2] = {m1, m2};
      for (int up = 0; up < 2; ++up) {
        const CaseStrands cs = StrandsOf(rule_.orientation, up);
        const Range ups = Group(up, mis[up], cs.up);
        const Range downs = Group(1 - up, mis[1 - up], cs.down);
        if (downs.empty()) continue;
        for (const MateHit* u = ups.begin; u != ups.end; ++u) {
          Range runs[2];
          const int n = Window(*u, len_[up], downs, len_[1 - up], runs);
          for (int k = 0; k < n; ++k) s.placements += runs[k].end - runs[k].begin;
        }
      }
    }
  }
  int seen = 0;
  Visit([&](const Placement& p) {
    (seen == 0 ? s.best : s.next) = p.mis();
    return ++seen < 2;
  });
  return s;
}

bool MatePair::Visit(const std::function<bool(const Placement&)>& f) const {
  for (int total = 0; total <= 2 * kMaxMateMis; ++total) {
    for (int m1 = std::max(0, total - kMaxMateMis); m1 <= std::min(total, kMaxMateMis); ++m1) {
      if ((misSeen_[0] >> m1 & misSeen_[1] >> (total - m1) & 1) == 0) continue;
      const int mis[2] = {m1, total - m1};
      Range ups[2], downs[2];
      for (int up = 0; up < 2; ++up) {
        const CaseStrands cs = StrandsOf(rule_.orientation, up);
        ups[up] = Group(up, mis[up], cs.up);
        downs[up] = Group(1 - up, mis[1 - up], cs.down);
        if (downs[up].empty()) ups[up].end = ups[up].begin;
      }
      // The upstream hits of both cases merged by sequence and leftmost
      // letter, mate 1's first where they meet.
      const MateHit* at[2] = {ups[0].begin, ups[1].begin};
      while (at[0] != ups[0].end || at[1] != ups[1].end) {
        int up = 0;
        if (at[0] == ups[0].end || (at[1] != ups[1].end && Before(*at[1], at[0]->seq, at[0]->left))) up = 1;
        const MateHit& u = *at[up]++;
        const int32_t dLen = len_[1 - up];
        const int64_t seqLen = ref_.seq(u.seq).length;
        Range runs[2];
        const int n = Window(u, len_[up], downs[up], dLen, runs);
        Placement p;
        p.hit[up] = &u;
        p.upstream = up;
        for (int k = 0; k < n; ++k) {
          for (const MateHit* d = runs[k].begin; d != runs[k].end; ++d) {
            int64_t dist = d->left - u.left;
            if (dist < 0) dist += seqLen;
            p.hit[1 - up] = d;
            p.fragment = dist + dLen;
            if (!f(p)) return false;
          }
        }
      }
    }
  }
  return true;
}

}  // namespace quorvane
