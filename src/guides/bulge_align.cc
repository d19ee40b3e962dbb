#include "guides/bulge_align.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace quorvane {
namespace {

constexpr int kMaxLetters = 40;
constexpr uint8_t kInf = 120;
// The kind of the last column of a partial alignment.
enum Last { kP = 0, kD = 1, kR = 2 };

// The partial alignments that used the same guide letters: DNA and RNA
// bulges d and r, and the kind of the last column.
struct Row {
  uint8_t v[kMaxBulge + 1][kMaxBulge + 1][3];
};

// One cell per partial alignment: guide letters used t, DNA and RNA
// bulges d and r (the genome letters used follow: t + d - r), and the
// kind of its last column.
struct Table {
  uint8_t v[kMaxLetters + 1][kMaxBulge + 1][kMaxBulge + 1][3];
  void Fill(uint8_t x) { std::memset(v, x, sizeof(v)); }
};

inline int Miss(const uint8_t* g, const uint8_t* w, int t, int j) { return (g[t] & w[j]) != 0 ? 0 : 1; }

}  // namespace

bool AlignBulged(const uint8_t* g, int gl, const uint8_t* w, int wl, const BulgeLimits& lim, bool withColumns,
                 BulgeAlignment& best) {
  const int K = lim.mis, dm = lim.dna, rm = lim.rna;
  wl = std::min(wl, gl + dm);
  if (gl <= 0 || wl <= 0 || gl > kMaxLetters) return false;
  // Forward: the fewest mismatches of every partial alignment, those past
  // K dropped, row by row (a row: the partial alignments that used t
  // guide letters). The first column pairs the letters at the PAM.
  const int first = Miss(g, w, 0, 0);
  if (first > K) return false;
  Row cur, next;
  std::memset(cur.v, kInf, sizeof(cur.v));
  cur.v[0][0][kP] = static_cast<uint8_t>(first);
  for (int t = 1; t < gl; ++t) {
    std::memset(next.v, kInf, sizeof(next.v));
    bool alive = false;
    for (int d = 0; d <= dm; ++d) {
      for (int r = 0; r <= rm; ++r) {
        const int j = t + d - r;
        for (int last = 0; last < 3; ++last) {
          const int c = cur.v[d][r][last];
          if (c > K) continue;
          if (j < wl) {
            const int nc = c + Miss(g, w, t, j);
            uint8_t& to = next.v[d][r][kP];
            if (nc <= K && nc < to) {
              to = static_cast<uint8_t>(nc);
              alive = true;
            }
            if (last != kR && d < dm) {
              uint8_t& same = cur.v[d + 1][r][kD];
              if (c < same) same = static_cast<uint8_t>(c);
            }
          }
          if (last != kD && r < rm) {
            uint8_t& to2 = next.v[d][r + 1][kR];
            if (c < to2) {
              to2 = static_cast<uint8_t>(c);
              alive = true;
            }
          }
        }
      }
    }
    if (!alive) return false;
    std::swap(cur, next);
  }
  // Row gl: only pairs end an alignment.
  // The best end: fewest bulged letters, then fewest mismatches.
  int bestB = -1, bestM = 0;
  for (int d = 0; d <= dm; ++d) {
    for (int r = 0; r <= rm; ++r) {
      const int c = cur.v[d][r][kP];
      if (c > K) continue;
      if (bestB < 0 || d + r < bestB || (d + r == bestB && c < bestM)) {
        bestB = d + r;
        bestM = c;
      }
    }
  }
  if (bestB < 0) return false;

  // Backward: the fewest mismatches still to come from each partial
  // alignment to an end with bestB bulged letters; then the walk from the
  // PAM takes, column by column, the first kind (pair, DNA bulge, RNA
  // bulge) that still reaches a best end.
  Table h;
  h.Fill(kInf);
  for (int t = gl; t >= 1; --t) {
    for (int d = dm; d >= 0; --d) {
      for (int r = rm; r >= 0; --r) {
        const int j = t + d - r;
        // Unreachable: more RNA bulges than guide letters after the first.
        if (j > wl || r >= t) continue;
        for (int last = 0; last < 3; ++last) {
          int v = kInf;
          if (t == gl) {
            v = last == kP && d + r == bestB ? 0 : kInf;
          } else {
            if (j < wl) v = std::min(v, Miss(g, w, t, j) + h.v[t + 1][d][r][kP]);
            if (last != kR && d < dm && j < wl) v = std::min<int>(v, h.v[t][d + 1][r][kD]);
            if (last != kD && r < rm) v = std::min<int>(v, h.v[t + 1][d][r + 1][kR]);
          }
          h.v[t][d][r][last] = static_cast<uint8_t>(std::min<int>(v, kInf));
        }
      }
    }
  }
  best = BulgeAlignment{};
  int t = 1, d = 0, r = 0, last = kP, spent = first;
  if (withColumns) best.column[best.columns++] = Column::kPair;
  while (t < gl || last != kP) {
    const int j = t + d - r;
    if (t < gl && j < wl && spent + Miss(g, w, t, j) + h.v[t + 1][d][r][kP] == bestM) {
      spent += Miss(g, w, t, j);
      ++t;
      last = kP;
      if (withColumns) best.column[best.columns++] = Column::kPair;
    } else if (last != kR && d < dm && j < wl && spent + h.v[t][d + 1][r][kD] == bestM) {
      ++d;
      last = kD;
      if (withColumns) best.column[best.columns++] = Column::kDnaBulge;
    } else {
      ++t;
      ++r;
      last = kR;
      if (withColumns) best.column[best.columns++] = Column::kRnaBulge;
    }
  }
  best.mis = bestM;
  best.dna = d;
  best.rna = r;
  best.siteLetters = gl + d - r;
  return true;
}

}  // namespace quorvane
