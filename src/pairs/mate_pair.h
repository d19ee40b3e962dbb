// The concordant placements of one pair: every combination of a hit of
// mate 1 and a hit of mate 2 that the pair rule accepts, found from the
// mates' sorted hits through a window, never by trying all combinations.
#ifndef QUORVANE_PAIRS_MATE_PAIR_H_
#define QUORVANE_PAIRS_MATE_PAIR_H_

#include <cstddef>
#include <cstdint>
#include <functional>

#include "engine/reference.h"
#include "pairs/mate_hit.h"
#include "pairs/pair_rule.h"

namespace quorvane {

// Mismatches a mate's hit may have at most.
inline constexpr int kMaxMateMis = 3;

// One concordant placement of a pair.
struct Placement {
  const MateHit* hit[2] = {nullptr, nullptr};  // the hit of mate 1 and the hit of mate 2
  int64_t fragment = 0;  // F: letters from the upstream mate's leftmost to the downstream mate's rightmost
  int upstream = 0;      // the mate that begins the fragment: 0 for mate 1, 1 for mate 2

  int mis() const { return hit[0]->mis + hit[1]->mis; }
};

// What the sinks need to know of a pair before its placements.
struct PairSummary {
  int64_t placements = 0;  // concordant placements
  int best = 0;            // mismatches of both mates together in the first placement
  int next = -1;           // the same in the second placement; -1 when there is one or none
};

class MatePair {
 public:
  // h1[0..n1) and h2[0..n2): the hits of mate 1 (len1 letters) and mate 2
  // (len2 letters), each sorted as SortedMateHits leaves them, each with
  // at most kMaxMateMis mismatches. Everything given must outlive the
  // object.
  MatePair(const Reference& ref, const PairRule& rule, const MateHit* h1, size_t n1, int32_t len1, const MateHit* h2,
           size_t n2, int32_t len2);

  // Counts the placements, in time that grows with the mates' hits and
  // not with the placements, and gives the mismatches of the first two.
  PairSummary Summarize() const;

  // Calls f for every concordant placement once, in this order: by the
  // mismatches of both mates together, then mate 1's mismatches, then
  // sequence (file order), the fragment's first letter, the upstream mate
  // (mate 1 first) and the fragment's length. Stops when f returns false;
  // returns false then, true when every placement was visited.
  bool Visit(const std::function<bool(const Placement&)>& f) const;

  int32_t length(int mate) const { return len_[mate]; }

 private:
  struct Range {
    const MateHit* begin = nullptr;
    const MateHit* end = nullptr;
    bool empty() const { return begin == end; }
  };
  // The hits of a mate with mis mismatches on strand s, sorted by
  // sequence and leftmost letter.
  Range Group(int mate, int mis, Strand s) const;
  // The hits of down (downstream hits of dLen letters) in the window of
  // the upstream hit u (of uLen letters): one or two runs of consecutive
  // hits, in order of their distance from u, into runs; returns how many.
  int Window(const MateHit& u, int32_t uLen, Range down, int32_t dLen, Range runs[2]) const;

  const Reference& ref_;
  PairRule rule_;
  const MateHit* hits_[2];
  size_t n_[2];
  int32_t len_[2];
  // Where each (mismatches, strand) group of each mate begins; group
  // g = 2 * mis + strand ends where g + 1 begins.
  size_t groupBeg_[2][2 * (kMaxMateMis + 1) + 1];
  // Per mate, bit m set when it has hits with m mismatches: the only
  // mismatch counts worth a look.
  unsigned misSeen_[2] = {0, 0};
};

}  // namespace quorvane

#endif  // QUORVANE_PAIRS_MATE_PAIR_H_
