#include "guides/site_scores.h"

#include <cmath>

#include "guides/cfd_table.h"

namespace quorvane {
namespace {

// The CFD and MIT models are of 20-letter guides.
constexpr int kScoredLen = 20;

// Hsu et al. 2013: how much a mismatch at each position (from the guide's
// 5' end) lowers the activity.
constexpr double kMitWeight[kScoredLen] = {0,     0,     0.014, 0,     0,     0.395, 0.317, 0,     0.389, 0.079,
                                           0.445, 0.508, 0.613, 0.851, 0.732, 0.828, 0.615, 0.804, 0.685, 0.583};

// A, C, G, T (either case) as 0..3; -1 for anything else.
int Code(char c) {
  switch (c) {
    case 'A': case 'a': return 0;
    case 'C': case 'c': return 1;
    case 'G': case 'g': return 2;
    case 'T': case 't': return 3;
    default: return -1;
  }
}

}  // namespace

bool ScoresApply(const Guide& guide, const Pam& pam) {
  if (static_cast<int>(guide.letters.size()) != kScoredLen || pam.fivePrime || pam.letters.size() != 3) return false;
  for (char c : guide.letters) {
    if (Code(c) < 0) return false;
  }
  auto gOrA = [](char c) { return c == 'G' || c == 'A' || c == 'R'; };
  return pam.letters[0] == 'N' && gOrA(pam.letters[1]) && gOrA(pam.letters[2]);
}

double CfdScore(const std::string& guideAln, const std::string& siteAln, const std::string& pam) {
  if (guideAln.size() != siteAln.size() || pam.size() != 3) return -1;
  const int p1 = Code(pam[1]), p2 = Code(pam[2]);
  if (p1 < 0 || p2 < 0) return -1;
  double score = kCfdPam[p1][p2];
  int bulged = 0;
  int pos = 0;  // guide letters so far: the 1-based position of the next one
  for (size_t c = 0; c < guideAln.size(); ++c) {
    const char g = guideAln[c], s = siteAln[c];
    if (g == '-') {
      // A DNA letter before guide letter pos + 1, with no partner.
      const int d = Code(s);
      if (d < 0 || ++bulged > 1 || pos + 1 < 2) return -1;
      score *= kCfdDnaBulge[pos + 1 - 2][3 - d];
      continue;
    }
    ++pos;
    const int r = Code(g);
    if (r < 0 || pos > kScoredLen) return -1;
    if (s == '-') {
      if (++bulged > 1 || pos < 2) return -1;
      score *= kCfdRnaBulge[pos - 2][r];
      continue;
    }
    const int d = Code(s);
    if (d < 0) return -1;
    // The target strand's letter pairs with the protospacer's.
    if (d != r) score *= kCfdMismatch[pos - 1][r][3 - d];
  }
  return pos == kScoredLen ? score : -1;
}

double MitScore(const std::string& guide, const std::string& proto, const std::string& pam) {
  if (guide.size() != kScoredLen || proto.size() != kScoredLen || pam.size() != 3) return -1;
  double product = 1;
  int count = 0, last = -1, distSum = 0;
  for (int i = 0; i < kScoredLen; ++i) {
    const int s = Code(proto[static_cast<size_t>(i)]);
    if (s < 0) return -1;
    if (s == Code(guide[static_cast<size_t>(i)])) continue;
    if (last >= 0) distSum += i - last;
    last = i;
    ++count;
    product *= 1 - kMitWeight[i];
  }
  double spread = 1;
  if (count >= 2) {
    const double mean = static_cast<double>(distSum) / (count - 1);
    spread = 1 / ((19 - mean) / 19 * 4 + 1);
  }
  const double many = count == 0 ? 1 : 1.0 / (count * count);
  double score = product * spread * many * 100;
  if (!(Code(pam[1]) == 2 && Code(pam[2]) == 2)) score *= 0.2;
  return score;
}

int GuideSpecificity(double sum) { return static_cast<int>(std::nearbyint(100.0 * 100.0 / (100.0 + sum))); }

}  // namespace quorvane
