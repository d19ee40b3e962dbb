// The guide search with bulges against the plain dynamic-programming scan
// of every stretch beside every PAM, and the alignment's rules.
#include <gtest/gtest.h>

#include <random>

#include "guide_brute_force.h"
#include "guides/bulge_align.h"
#include "guides/guide_search.h"
#include "guide_fixture.h"
#include "test_util.h"

namespace quorvane {

namespace {

using test::MakePam;
using test::RandomLetters;
using test::ReverseComplement;

std::vector<GuideSite> Search(const Reference& ref, const std::vector<Guide>& guides, const Pam& pam, int mis, int dna,
                              int rna, int threads = 2, int64_t block = 300) {
  GuideSearchOptions o;
  o.mis = mis;
  o.dnaBulge = dna;
  o.rnaBulge = rna;
  o.threads = threads;
  o.blockPositions = block;
  std::vector<GuideSite> sites;
  EXPECT_TRUE(SearchGuides(ref, guides, pam, o, sites).ok());
  return sites;
}

// The guide changed into a stretch of the genome: dna letters put in and
// rna letters taken out (never at the ends), subs letters replaced.
std::string Edited(std::mt19937& rng, const std::string& guide, int dna, int rna, int subs) {
  std::string s = guide;
  for (int i = 0; i < rna; ++i) s.erase(1 + rng() % (s.size() - 2), 1);
  for (int i = 0; i < dna; ++i) s.insert(1 + rng() % (s.size() - 1), 1, "ACGT"[rng() % 4]);
  for (int i = 0; i < subs; ++i) s[rng() % s.size()] = "ACGT"[rng() % 4];
  return s;
}

// Circular and linear sequences with stretches of guides planted beside
// their PAMs, on both strands, some across a circular origin and some at
// a linear sequence's ends.
struct Planted {
  Reference ref;
  std::vector<Guide> guides;
};

Planted MakeCase(std::mt19937& rng, int L, const Pam& pam, int K, int dna, int rna) {
  std::vector<std::pair<std::string, bool>> seqs = {{RandomLetters(rng, 420), true},
                                                    {RandomLetters(rng, 300, "ACGTACGTACGTN"), false},
                                                    {RandomLetters(rng, static_cast<size_t>(L + 3)), true},
                                                    {RandomLetters(rng, 200), false}};
  Planted p;
  for (int g = 0; g < 6; ++g) {
    const std::string guide = RandomLetters(rng, static_cast<size_t>(L));
    p.guides.push_back(Guide{"g" + std::to_string(g), guide});
    for (int copy = 0; copy < 3; ++copy) {
      const int d = static_cast<int>(rng() % (dna + 1)), r = static_cast<int>(rng() % (rna + 1));
      const std::string stretch = Edited(rng, guide, d, r, static_cast<int>(rng() % (K + 2)));
      std::string pamLetters;
      for (char c : pam.letters) pamLetters += c == 'N' ? "ACGT"[rng() % 4] : c == 'R' ? "AG"[rng() % 2] : c;
      const std::string site = pam.fivePrime ? pamLetters + stretch : stretch + pamLetters;
      const size_t q = (g + copy) % 4 == 2 ? 0 : (g + copy) % 4;
      std::string& sq = seqs[q].first;
      if (site.size() > sq.size()) continue;
      const std::string put = rng() % 2 ? ReverseComplement(site) : site;
      // At the ends of the sequences, or anywhere.
      size_t at = rng() % (sq.size() - put.size() + 1);
      if (copy == 0) at = seqs[q].second ? sq.size() - put.size() / 2 : 0;
      if (copy == 1 && !seqs[q].second) at = sq.size() - put.size();
      for (size_t k = 0; k < put.size(); ++k) sq[(at + k) % sq.size()] = put[k];
    }
  }
  for (size_t q = 0; q < seqs.size(); ++q) {
    EXPECT_TRUE(p.ref.AddSequence("s" + std::to_string(q), seqs[q].first, seqs[q].second).ok());
  }
  return p;
}

struct Reach {
  int64_t sites = 0, dna = 0, rna = 0, both = 0, acrossOrigin = 0;
};

void Compare(std::mt19937& rng, int L, const Pam& pam, int K, int dna, int rna, Reach& reach) {
  const Planted c = MakeCase(rng, L, pam, K, dna, rna);
  const std::vector<GuideSite> want = test::BruteBulgeSites(c.ref, c.guides, pam, K, dna, rna);
  ASSERT_EQ(Search(c.ref, c.guides, pam, K, dna, rna, 1 + (L + K) % 3, 100 + 37 * K), want)
      << "PAM " << pam.letters << (pam.fivePrime ? " 5'" : "") << " L " << L << " K " << K << " dna " << dna
      << " rna " << rna;
  for (const GuideSite& s : want) {
    ++reach.sites;
    reach.dna += s.dnaBulge > 0 && s.rnaBulge == 0;
    reach.rna += s.rnaBulge > 0 && s.dnaBulge == 0;
    reach.both += s.dnaBulge > 0 && s.rnaBulge > 0;
    const RefSeq& r = c.ref.seq(s.seq);
    const int len = s.protoLen(L) + static_cast<int>(pam.letters.size());
    reach.acrossOrigin += r.circular && s.start + len > r.length;
  }
}

TEST(BulgeSearchTest, MatchesTheDynamicProgrammingScanAtEveryLengthLimitAndBulge) {
  const std::vector<std::pair<int, int>> bulges = {{0, 1}, {0, 2}, {1, 0}, {2, 0}, {1, 1}, {2, 2}, {1, 2}};
  std::mt19937 rng(2416);
  Reach reach;
  for (int L = 17; L <= 23; ++L) {
    for (int K = 0; K <= 4; ++K) {
      for (const auto& [dna, rna] : bulges) {
        Compare(rng, L, MakePam("NGG", false), K, dna, rna, reach);
        if (HasFatalFailure()) return;
      }
    }
  }
  // The cases reach every kind of bulge and the origins.
  EXPECT_GT(reach.dna, 50);
  EXPECT_GT(reach.rna, 50);
  EXPECT_GT(reach.both, 10);
  EXPECT_GT(reach.acrossOrigin, 10);
  EXPECT_GT(reach.sites, 1000);
}

TEST(BulgeSearchTest, OtherPamsBothSidesAndWideGuides) {
  std::mt19937 rng(77);
  Reach reach;
  for (const Pam& pam : {MakePam("TTTV", true), MakePam("NRG", false), MakePam("NG", false)}) {
    for (int L : {17, 20, 23}) {
      Compare(rng, L, pam, 3, 1, 1, reach);
      Compare(rng, L, pam, 2, 2, 0, reach);
      Compare(rng, L, pam, 1, 0, 2, reach);
      if (HasFatalFailure()) return;
    }
  }
  // Guide letters that name several bases, and guides of other lengths
  // searched together.
  Planted c = MakeCase(rng, 20, MakePam("NGG", false), 2, 1, 1);
  c.guides[1].letters[5] = 'N';
  c.guides[2].letters[10] = 'R';
  c.guides.push_back(Guide{"long", RandomLetters(rng, 33)});
  const std::vector<GuideSite> want = test::BruteBulgeSites(c.ref, c.guides, MakePam("NGG", false), 2, 1, 1);
  EXPECT_EQ(Search(c.ref, c.guides, MakePam("NGG", false), 2, 1, 1), want);
}

TEST(BulgeSearchTest, WithoutBulgesTheSitesAreThoseOfTheMismatchSearch) {
  std::mt19937 rng(5);
  const Pam pam = MakePam("NGG", false);
  const Planted c = MakeCase(rng, 20, pam, 3, 0, 0);
  const std::vector<GuideSite> plain = test::BruteGuideSites(c.ref, c.guides, pam, 3);
  EXPECT_EQ(Search(c.ref, c.guides, pam, 3, 0, 0), plain);
  EXPECT_EQ(test::BruteBulgeSites(c.ref, c.guides, pam, 3, 0, 0), plain);
  // With bulges allowed, every site of the mismatch search stays, with its
  // mismatches: a site without bulges is always the best.
  const std::vector<GuideSite> bulged = Search(c.ref, c.guides, pam, 3, 1, 1);
  for (const GuideSite& s : plain) EXPECT_NE(std::find(bulged.begin(), bulged.end(), s), bulged.end());
}

// Base sets of letters read as given.
std::vector<uint8_t> Sets(const std::string& s) {
  std::vector<uint8_t> v;
  for (char c : s) v.push_back(c == 'A' ? 1 : c == 'C' ? 2 : c == 'G' ? 4 : c == 'T' ? 8 : 0);
  return v;
}

std::string Columns(const BulgeAlignment& a) {
  std::string s;
  for (int i = 0; i < a.columns; ++i) s += "PDR"[static_cast<int>(a.column[i])];
  return s;
}

TEST(BulgeAlignTest, RulesAtThePamTheFarEndAndBetweenBulges) {
  BulgeAlignment a;
  // From the PAM outward. A genome letter put in: one DNA bulge, placed
  // as far from the PAM as the repeat lets it go.
  const auto g = Sets("ACGTTTACGA");
  const auto w = Sets("ACGTTTTACGA");
  ASSERT_TRUE(AlignBulged(g.data(), 10, w.data(), 11, BulgeLimits{0, 1, 0}, true, a));
  EXPECT_EQ(Columns(a), "PPPPPPDPPPP");
  EXPECT_EQ(a.siteLetters, 11);
  // A mismatch is preferred to a bulge when both are allowed.
  const auto w2 = Sets("ACGTTTCCGAT");
  ASSERT_TRUE(AlignBulged(g.data(), 10, w2.data(), 11, BulgeLimits{1, 1, 1}, true, a));
  EXPECT_EQ(a.dna + a.rna, 0);
  EXPECT_EQ(a.mis, 1);
  // The letter next to the PAM always pairs: a guide whose first letter
  // is missing there has a mismatch, never an RNA bulge at the PAM.
  const auto g3 = Sets("TACGTACGTA");
  const auto w3 = Sets("ACGTACGTAG");
  ASSERT_TRUE(AlignBulged(g3.data(), 10, w3.data(), 10, BulgeLimits{1, 0, 1}, true, a));
  EXPECT_EQ(Columns(a)[0], 'P');
  EXPECT_FALSE(AlignBulged(g3.data(), 10, w3.data(), 10, BulgeLimits{0, 0, 2}, true, a));
  // A DNA bulge beside an RNA bulge would hide a mismatch: not allowed.
  const auto g4 = Sets("AAAACAAAA");
  const auto w4 = Sets("AAAAGAAAA");
  EXPECT_FALSE(AlignBulged(g4.data(), 9, w4.data(), 9, BulgeLimits{0, 1, 1}, true, a));
  // The genome ends: no stretch runs past what it holds.
  const auto w5 = Sets("ACGTTTTACG");
  EXPECT_FALSE(AlignBulged(g.data(), 10, w5.data(), 10, BulgeLimits{0, 1, 0}, true, a));
}

}  // namespace
}  // namespace quorvane
