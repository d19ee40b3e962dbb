#include "engine/piece_plan.h"

#include <algorithm>
#include <cmath>

namespace quorvane {
namespace {

constexpr int kMinWindow = 8;
constexpr int kMaxWindow = 16;

// Seed codes within m letter changes of one 8-letter seed.
constexpr double kVariants[4] = {1, 25, 277, 1789};

// Work estimates, in nanoseconds: one bucket visited, one bucket entry
// compared, one candidate verified against the genome.
constexpr double kBucketCost = 12;
constexpr double kEntryCost = 0.25;
constexpr double kVerifyCost = 30;

double Choose(int n, int k) {
  double r = 1;
  for (int i = 0; i < k; ++i) r = r * (n - i) / (i + 1);
  return r;
}

// Strings of w letters within m changes of a given one.
double Neighbours(int w, int m) {
  double s = 0;
  for (int d = 0; d <= m; ++d) s += Choose(w, d) * std::pow(3.0, d);
  return s;
}

// Expected work of a plan on both strands.
double Cost(const PiecePlan& p, double gnmLen) {
  const double bucket = gnmLen / 65536.0;
  double cost = 0;
  for (int i = 0; i < p.n; ++i) {
    const Piece& pc = p.piece[i];
    const double chance = gnmLen * Neighbours(pc.len, pc.mis) / std::pow(4.0, pc.len);
    cost += kVariants[pc.mis] * (kBucketCost + bucket * kEntryCost) + chance * kVerifyCost;
  }
  return 2 * cost;
}

// The read split into n near-equal segments, each looked up by its first
// (up to 16) letters, with allowances mis[0..n).
PiecePlan Split(int32_t rdLen, int n, const int* mis) {
  PiecePlan p;
  p.n = n;
  int off = 0;
  for (int i = 0; i < n; ++i) {
    const int seg = rdLen / n + (i < rdLen % n ? 1 : 0);
    p.piece[i].off = static_cast<int16_t>(off);
    p.piece[i].len = static_cast<int8_t>(std::min(seg, kMaxWindow));
    p.piece[i].mis = static_cast<int8_t>(mis[i]);
    off += seg;
  }
  return p;
}

}  // namespace

PiecePlan ChoosePlan(int32_t rdLen, int32_t misNu, int64_t gnmLen) {
  PiecePlan best;
  double bestCost = 0;
  const int most = std::min<int>(misNu + 1, rdLen / kMinWindow);
  for (int n = 1; n <= most; ++n) {
    // Every way to share the spare allowance misNu + 1 - n among n windows.
    const int spare = misNu + 1 - n;
    int mis[4] = {0, 0, 0, 0};
    for (;;) {
      int sum = 0;
      for (int i = 0; i < n - 1; ++i) sum += mis[i];
      if (sum <= spare && spare - sum <= 3) {
        mis[n - 1] = spare - sum;
        const PiecePlan p = Split(rdLen, n, mis);
        const double c = Cost(p, static_cast<double>(gnmLen));
        if (best.n == 0 || c < bestCost) {
          best = p;
          bestCost = c;
        }
      }
      // Next composition of the first n - 1 allowances.
      int i = 0;
      while (i < n - 1 && ++mis[i] > std::min(3, spare)) mis[i++] = 0;
      if (i >= n - 1) break;
    }
  }
  return best;
}

bool PlanCovers(const PiecePlan& plan, int32_t rdLen, int32_t misNu) {
  int allowance = 0, end = 0;
  for (int i = 0; i < plan.n; ++i) {
    const Piece& pc = plan.piece[i];
    if (pc.len < kMinWindow || pc.len > kMaxWindow || pc.off < end || pc.off + pc.len > rdLen) return false;
    if (pc.mis < 0 || pc.mis > 3) return false;
    end = pc.off + pc.len;
    allowance += pc.mis + 1;
  }
  return plan.n > 0 && allowance > misNu;
}

}  // namespace quorvane
