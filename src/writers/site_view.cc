#include "writers/site_view.h"

#include <algorithm>

#include "common/iupac.h"
#include "guides/bulge_search.h"

namespace quorvane {
namespace {

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool Matches(char guideLetter, char c) {
  return (kIupacSet[static_cast<unsigned char>(guideLetter)] & kBaseBit[static_cast<unsigned char>(c)]) != 0;
}

}  // namespace

SiteView ViewSite(const Reference& ref, const Guide& guide, const Pam& pam, const GuideSite& site,
                  const BulgeLimits& lim) {
  SiteView v;
  const int L = static_cast<int>(guide.letters.size());
  const int P = static_cast<int>(pam.letters.size());
  v.protoLen = site.protoLen(L);
  v.protoAt = pam.fivePrime ? P : 0;
  v.pamAt = pam.fivePrime ? 0 : v.protoLen;
  v.letters = SiteLetters(ref, site, v.protoLen + P);
  v.marked = v.letters;
  const std::string proto = v.letters.substr(static_cast<size_t>(v.protoAt), static_cast<size_t>(v.protoLen));
  if (site.dnaBulge == 0 && site.rnaBulge == 0) {
    v.guideAln = guide.letters;
    v.siteAln = proto;
    for (int j = 0; j < L; ++j) {
      if (!Matches(guide.letters[static_cast<size_t>(j)], proto[static_cast<size_t>(j)])) {
        v.siteAln[static_cast<size_t>(j)] = Lower(proto[static_cast<size_t>(j)]);
        v.marked[static_cast<size_t>(v.protoAt + j)] = Lower(proto[static_cast<size_t>(j)]);
      }
    }
    return v;
  }
  // The alignment found again, from the PAM outward, then turned into the
  // site's order.
  uint8_t g[kMaxGuideLen], w[kMaxGuideLen + kMaxBulge];
  GuideFromPam(guide, pam, g);
  const PamPlace place = PamOfSite(ref, site, v.protoLen, pam);
  const int avail = LettersFromPam(ref, place, P, L + lim.dna, w);
  BulgeAlignment a;
  AlignBulged(g, L, w, avail, lim, true, a);
  // Guide and protospacer letters from the PAM outward.
  std::string gOut, sOut;
  std::vector<int> markAt;  // protospacer letters (from the PAM) to mark
  int t = 0, u = 0;
  auto guideAt = [&](int i) { return guide.letters[static_cast<size_t>(pam.fivePrime ? i : L - 1 - i)]; };
  auto protoAtU = [&](int j) { return proto[static_cast<size_t>(pam.fivePrime ? j : v.protoLen - 1 - j)]; };
  for (int c = 0; c < a.columns; ++c) {
    switch (a.column[c]) {
      case Column::kPair: {
        const char gc = guideAt(t), sc = protoAtU(u);
        const bool ok = Matches(gc, sc);
        gOut += gc;
        sOut += ok ? sc : Lower(sc);
        if (!ok) markAt.push_back(u);
        ++t;
        ++u;
        break;
      }
      case Column::kDnaBulge:
        gOut += '-';
        sOut += Lower(protoAtU(u));
        markAt.push_back(u);
        ++u;
        break;
      case Column::kRnaBulge:
        gOut += guideAt(t);
        sOut += '-';
        ++t;
        break;
    }
  }
  if (!pam.fivePrime) {
    std::reverse(gOut.begin(), gOut.end());
    std::reverse(sOut.begin(), sOut.end());
  }
  v.guideAln = gOut;
  v.siteAln = sOut;
  for (int j : markAt) {
    const int idx = v.protoAt + (pam.fivePrime ? j : v.protoLen - 1 - j);
    v.marked[static_cast<size_t>(idx)] = Lower(v.marked[static_cast<size_t>(idx)]);
  }
  return v;
}

}  // namespace quorvane
