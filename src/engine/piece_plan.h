// Which pieces of a read the fast search looks up.
#ifndef QUORVANE_ENGINE_PIECE_PLAN_H_
#define QUORVANE_ENGINE_PIECE_PLAN_H_

#include <cstdint>

namespace quorvane {

// Letters of a piece at most: the 8 of a bucket's seed code and the 8 of
// the code that follows it.
inline constexpr int kMaxPieceLen = 16;
// Pieces lie within the read's first kPlanSpan letters, so that the
// letters their lookups compare lie within its first kPlanSpan + 16.
inline constexpr int kPlanSpan = 64;

// A window of the read, len letters (1..16) from read offset off, found
// wherever it lies with at most mis mismatches. The bucket looked up is
// the seed code of the 8 read letters from off: the piece's first
// min(len, 8) letters are varied within the allowance, the bucket letters
// after them run through all codes (one contiguous run of buckets), and
// the piece's letters past the 8th are compared with the code that
// follows each entry.
struct Piece {
  int16_t off = 0;
  int8_t len = 0;
  int8_t mis = 0;
};

// Disjoint windows whose allowances add up so that every placement of the
// read with at most misNu mismatches has some window within its allowance:
// the sum of (mis + 1) over the windows exceeds misNu (pigeonhole).
struct PiecePlan {
  int n = 0;
  Piece piece[4];
};

// The plan of least expected work for a read of rdLen letters (12..1024)
// with at most misNu (0..3) mismatches over a genome of gnmLen letters,
// from a model of bucket visits, entries compared and chance candidates
// verified; every entry is compared over the read letters from 8 before
// its bucket to 16 after its start. For an index of step 2 (every second
// start), each piece is followed by a spare letter, so that ShiftPlan can
// move it by one.
PiecePlan ChoosePlan(int32_t rdLen, int32_t misNu, int64_t gnmLen, int step = 1);

// The plan of step 2 for the placements of the read at starts of parity
// (0 even, 1 odd): each piece of plan (chosen with step 2) moved onto its
// spare letter where that puts its bucket on an even start, the only
// starts such an index holds (but for a circular sequence's full zone).
PiecePlan ShiftPlan(const PiecePlan& plan, int parity);

// Whether plan is sound for the read: windows of 1..16 letters inside the
// read, disjoint, with enough allowance for misNu mismatches.
bool PlanCovers(const PiecePlan& plan, int32_t rdLen, int32_t misNu);

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_PIECE_PLAN_H_
