// Which pieces of a read the fast search looks up.
#ifndef QUORVANE_ENGINE_PIECE_PLAN_H_
#define QUORVANE_ENGINE_PIECE_PLAN_H_

#include <cstdint>

namespace quorvane {

// A window of the read looked up in the index: len letters (8..16) from
// read offset off, found wherever it lies with at most mis mismatches.
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
// with at most misNu (0..3) mismatches over a genome of gnmLen letters:
// few window lookups, few chance candidates to verify.
PiecePlan ChoosePlan(int32_t rdLen, int32_t misNu, int64_t gnmLen);

// Whether plan is sound for the read: windows of 8..16 letters inside the
// read, disjoint, with enough allowance for misNu mismatches.
bool PlanCovers(const PiecePlan& plan, int32_t rdLen, int32_t misNu);

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_PIECE_PLAN_H_
