// The bucket runs the fast search scans for one piece of a read.
#ifndef QUORVANE_ENGINE_PIECE_PROBES_H_
#define QUORVANE_ENGINE_PIECE_PROBES_H_

#include <cstdint>
#include <vector>

#include "engine/bucket_scan.h"
#include "engine/packed_strand.h"
#include "engine/piece_plan.h"

namespace quorvane {

// A run of consecutive buckets to scan: the seed codes whose first letters
// are one variant of a piece's letters, the rest running through all
// codes, and what their entries are compared with.
struct Probe {
  uint32_t first = 0;   // first bucket of the run
  uint32_t count = 0;   // buckets in the run: 1, 4, 16, ...
  uint64_t beg = 0;     // the run's first entry, once looked up
  uint64_t end = 0;     // one past its last entry
  ContextKey key;       // the read's letters around the bucket
  uint16_t tailKey = 0;   // the bucket's letters after the piece's that lie in the read
  uint16_t tailMask = 0;  // their bits among the bucket's code
  int8_t allow = 0;       // mismatches left for those letters and the context
  int8_t partAllow = 0;   // of them, for those letters and the context's part
  int16_t off = 0;        // the bucket's offset in the read (or its reverse complement)
  bool reverse = false;   // of the read's reverse complement
};

// A piece of a plan as its lookups need it, derived once per plan. The
// pieces are looked up in plan order, and a hit is left to the first
// piece within whose allowance it lies; so a piece sees only hits whose
// earlier pieces each hold more mismatches than their allowance, with at
// most rem mismatches left for the letters outside those pieces.
struct PieceLookup {
  Piece piece;
  int rem = 0;
  uint16_t outside = 0;  // of the 8 letters before the piece, both bits of those no earlier piece holds
};

// The lookups of a plan's pieces, in order, and how many letters from the
// read's start they compare.
struct PlanLookups {
  int n = 0;
  PieceLookup piece[4];
  int32_t reach = 0;
};

// The lookups of plan (whose pieces lie in ascending order) for reads of
// rdLen letters searched with at most misNu mismatches.
PlanLookups MakeLookups(const PiecePlan& plan, int32_t rdLen, int32_t misNu);

// Appends the probes of one piece for a read searched with at most misNu
// mismatches: one per variant of the piece's letters within its bucket.
// letters are the read's or, with reverse, its reverse complement's; a
// letter other than A, C, G, T mismatches whatever it is laid on.
void AddPieceProbes(const PieceLookup& look, int32_t misNu, const PackedStrand& letters, bool reverse,
                    std::vector<Probe>& out);

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_PIECE_PROBES_H_
