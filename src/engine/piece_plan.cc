#include "engine/piece_plan.h"

#include <algorithm>

namespace quorvane {
namespace {

constexpr int kBucketLen = 8;
// Pieces shorter than this make runs of more than 1,024 buckets.
constexpr int kMinPieceLen = 3;

// Work estimates, in nanoseconds: one run of buckets reached at random,
// one bucket of a run visited, one entry compared, one chance candidate
// verified against the genome.
constexpr double kProbeCost = 40;
constexpr double kBucketCost = 0.5;
constexpr double kEntryCost = 0.3;
// One entry passed over by the first test of a piece's letters past its
// bucket, when they must match exactly.
constexpr double kSkipCost = 0.1;
constexpr double kVerifyCost = 80;

// Strings of w letters (0..24) within exactly d changes of a given one,
// and within at most m changes; powers of 4.
struct Counts {
  double exactly[25][4] = {};
  double within[25][4] = {};
  double pow4[25] = {};
  Counts() {
    for (int w = 0; w <= 24; ++w) {
      double choose = 1, three = 1, sum = 0;
      for (int d = 0; d < 4; ++d) {
        exactly[w][d] = d <= w ? choose * three : 0;
        sum += exactly[w][d];
        within[w][d] = sum;
        choose = choose * (w - d) / (d + 1);
        three *= 3;
      }
      pow4[w] = w == 0 ? 1 : 4 * pow4[w - 1];
    }
  }
};
const Counts kCounts;

double Exactly(int w, int d) { return d < 0 ? 0 : kCounts.exactly[w][d]; }
double Neighbours(int w, int m) { return m < 0 ? 0 : kCounts.within[w][m]; }

// Expected work of one piece on one strand, looked up after pieces whose
// allowances (mis + 1) add up to used: at most rem = misNu - used
// mismatches are left for the letters after the piece's start.
double PieceCost(int32_t rdLen, int32_t misNu, double gnmLen, int off, int len, int mis, int used) {
  const int rem = misNu - used;
  const int most = std::min(mis, rem);  // mismatches among the piece's bucket letters
  const int lb = std::min(len, kBucketLen);
  const int inRead = std::min(kBucketLen, rdLen - off);
  const int tailIn = inRead - lb, tailOut = kBucketLen - inRead;
  double probes = 0, buckets = 0;
  for (int d = 0; d <= most; ++d) {
    probes += Exactly(lb, d);
    buckets += Exactly(lb, d) * Neighbours(tailIn, rem - d) * kCounts.pow4[tailOut];
  }
  const double visited = tailIn > 0 ? probes * kCounts.pow4[kBucketLen - lb] : probes;
  // Chance fits among the window's letters: those before the piece within
  // misNu, those after it within rem.
  const int before = off - std::max(0, off - kBucketLen);
  const int after = std::min(rdLen, off + 2 * kBucketLen) - off - len;
  double chance = 0;
  for (int d = 0; d <= most; ++d) {
    for (int e = 0; e <= rem - d; ++e) chance += Exactly(len, d) * Exactly(after, e) * Neighbours(before, misNu - d - e);
  }
  chance *= gnmLen / kCounts.pow4[before + len + after];
  // Entries that pass the first test are compared in full.
  const double entry = mis == 0 && len > lb ? kSkipCost + kEntryCost / kCounts.pow4[len - lb] : kEntryCost;
  return probes * kProbeCost + visited * kBucketCost + buckets * (gnmLen / 65536.0) * entry + chance * kVerifyCost;
}

}  // namespace

// Plans are laid over the read's first letters only: past them, a piece
// gains nothing that a piece among them lacks.
PiecePlan ChoosePlan(int32_t rdLen, int32_t misNu, int64_t gnmLen, int step) {
  // Least work best[p][a] for pieces within the first p letters whose
  // allowances add up to a (capped at misNu + 1), and how it was reached.
  const int span = std::min(rdLen, kPlanSpan);
  const int full = misNu + 1;
  struct Step {
    double cost = -1;  // negative: not reached
    int from = -1;     // the state's letter count before the last step
    int fromA = 0;
    Piece piece;       // len 0: the step skipped a letter
  };
  Step best[kPlanSpan + 1][5];
  best[0][0].cost = 0;
  const double g = static_cast<double>(gnmLen) / step;  // entries indexed
  const int gap = step - 1;
  const int misMax = std::min(3, misNu);
  double cost[kMaxPieceLen + 1][4][4];  // of the pieces from the current letter, both strands
  for (int p = 0; p < span; ++p) {
    for (int len = kMinPieceLen; len <= std::min(kMaxPieceLen, span - p - gap); ++len) {
      for (int mis = 0; mis <= misMax; ++mis) {
        for (int a = 0; a < full; ++a) {
          if (best[p][a].cost >= 0) cost[len][mis][a] = 2 * PieceCost(rdLen, misNu, g, p, len, mis, a);
        }
      }
    }
    for (int a = 0; a < full; ++a) {
      const Step& here = best[p][a];
      if (here.cost < 0) continue;
      auto offer = [&](int q, int b, double c, Piece pc) {
        Step& s = best[q][b];
        if (s.cost < 0 || c < s.cost) s = {c, p, a, pc};
      };
      offer(p + 1, a, here.cost, Piece{});
      for (int len = kMinPieceLen; len <= std::min(kMaxPieceLen, span - p - gap); ++len) {
        for (int mis = 0; mis <= misMax; ++mis) {
          const Piece pc{static_cast<int16_t>(p), static_cast<int8_t>(len), static_cast<int8_t>(mis)};
          offer(p + len + gap, std::min(full, a + mis + 1), here.cost + cost[len][mis][a], pc);
        }
      }
    }
  }
  int end = -1;
  for (int p = 0; p <= span; ++p) {
    if (best[p][full].cost >= 0 && (end < 0 || best[p][full].cost < best[end][full].cost)) end = p;
  }
  PiecePlan plan;
  for (int p = end, a = full; p > 0;) {
    const Step& s = best[p][a];
    if (s.piece.len > 0) plan.piece[plan.n++] = s.piece;
    p = s.from;
    a = s.fromA;
  }
  std::reverse(plan.piece, plan.piece + plan.n);
  return plan;
}

PiecePlan ShiftPlan(const PiecePlan& plan, int parity) {
  PiecePlan out = plan;
  for (int i = 0; i < out.n; ++i) out.piece[i].off = static_cast<int16_t>(out.piece[i].off + ((out.piece[i].off ^ parity) & 1));
  return out;
}

bool PlanCovers(const PiecePlan& plan, int32_t rdLen, int32_t misNu) {
  int allowance = 0, end = 0;
  for (int i = 0; i < plan.n; ++i) {
    const Piece& pc = plan.piece[i];
    if (pc.len < 1 || pc.len > kMaxPieceLen || pc.off < end || pc.off + pc.len > rdLen) return false;
    if (pc.mis < 0 || pc.mis > 3) return false;
    end = pc.off + pc.len;
    allowance += pc.mis + 1;
  }
  return plan.n > 0 && allowance > misNu;
}

}  // namespace quorvane
