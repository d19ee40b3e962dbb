// The guide search against the brute-force scan, and its checks and rows.
#include "guides/guide_search.h"

#include <gtest/gtest.h>

#include <random>

#include "guides/guide_query.h"
#include "guide_brute_force.h"
#include "writers/guide_output.h"
#include "guide_fixture.h"
#include "test_util.h"

namespace quorvane {

namespace {

using test::MakePam;
using test::RandomLetters;
using test::ReverseComplement;

std::vector<GuideSite> Fast(const Reference& ref, const std::vector<Guide>& guides, const Pam& pam, int mis,
                            int threads = 2, int64_t block = int64_t{1} << 20) {
  GuideSearchOptions o;
  o.mis = mis;
  o.threads = threads;
  o.blockPositions = block;
  std::vector<GuideSite> sites;
  EXPECT_TRUE(SearchGuides(ref, guides, pam, o, sites).ok());
  return sites;
}

std::vector<GuideSite> UpTo(const std::vector<GuideSite>& all, int mis) {
  std::vector<GuideSite> out;
  for (const GuideSite& s : all) {
    if (s.mis <= mis) out.push_back(s);
  }
  return out;
}

// One concrete letter for every IUPAC letter of a pattern.
std::string Realise(std::mt19937& rng, const std::string& pattern) {
  const std::map<char, std::string> bases = {{'A', "A"},   {'C', "C"},   {'G', "G"},   {'T', "T"},   {'R', "AG"},
                                             {'Y', "CT"},  {'S', "CG"},  {'W', "AT"},  {'K', "GT"},  {'M', "AC"},
                                             {'B', "CGT"}, {'D', "AGT"}, {'H', "ACT"}, {'V', "ACG"}, {'N', "ACGT"}};
  std::string out;
  for (char c : pattern) {
    const std::string& b = bases.at(c);
    out += b[std::uniform_int_distribution<size_t>(0, b.size() - 1)(rng)];
  }
  return out;
}

// Writes site (read 5' to 3' on strand) into the sequence at start,
// wrapping around its end.
void Plant(std::string& seq, size_t start, const std::string& site, bool compl_) {
  const std::string s = compl_ ? ReverseComplement(site) : site;
  for (size_t k = 0; k < s.size(); ++k) seq[(start + k) % seq.size()] = s[k];
}

// A genome of circular and linear sequences (one with N, one tandem
// repeat, one exactly one site long, one too short for any) with sites
// planted for guides that differ from them in 0 to K + 2 letters, some of
// them IUPAC letters, some planted across a circular origin.
struct Planted {
  Reference ref;
  std::vector<Guide> guides;
};

Planted MakeCase(std::mt19937& rng, int L, const Pam& pam, int K) {
  const int S = L + static_cast<int>(pam.letters.size());
  std::vector<std::pair<std::string, bool>> seqs = {{RandomLetters(rng, 700), true},
                                                    {RandomLetters(rng, 500, "ACGTACGTACGTN"), false},
                                                    {std::string(), true},
                                                    {RandomLetters(rng, static_cast<size_t>(S)), true},
                                                    {RandomLetters(rng, static_cast<size_t>(S - 1)), true},
                                                    {RandomLetters(rng, 300), false}};
  const std::string unit = RandomLetters(rng, 11);
  for (int i = 0; i < 40; ++i) seqs[2].first += unit;
  for (char& c : seqs[2].first) {
    if (rng() % 20 == 0) c = "ACGT"[rng() % 4];
  }
  Planted p;
  std::uniform_int_distribution<int> coin(0, 99);
  for (int g = 0; g < 7; ++g) {
    const size_t q = g < 4 ? static_cast<size_t>(g % 4) : static_cast<size_t>(coin(rng) % 6);
    std::string& sq = seqs[q].first;
    if (static_cast<int>(sq.size()) < S) continue;
    const bool circ = seqs[q].second;
    const int room = circ ? static_cast<int>(sq.size()) : static_cast<int>(sq.size()) - S + 1;
    // Every third guide lies across the origin of a circular sequence.
    const int start = circ && g % 3 == 0 ? static_cast<int>(sq.size()) - S / 2 : coin(rng) * room / 100;
    const std::string proto = q == 2 ? sq.substr(static_cast<size_t>(start % 11), static_cast<size_t>(L))
                                     : RandomLetters(rng, static_cast<size_t>(L));
    const std::string pamLetters = Realise(rng, pam.letters);
    const std::string site = pam.fivePrime ? pamLetters + proto : proto + pamLetters;
    Plant(sq, static_cast<size_t>(start), site, coin(rng) < 50);
    std::string guide = proto;
    const int subs = std::uniform_int_distribution<int>(0, K + 2)(rng);
    for (int i = 0; i < subs; ++i) guide[rng() % L] = "ACGT"[rng() % 4];
    if (coin(rng) < 40) guide[rng() % L] = "RYSWKMBDHVN"[rng() % 11];
    if (coin(rng) < 10) guide[rng() % L] = 'n';  // lower case is a guide letter too
    p.guides.push_back(Guide{"g" + std::to_string(g), guide});
    EXPECT_TRUE(CheckGuide(p.guides.back(), 0).ok());
  }
  for (size_t q = 0; q < seqs.size(); ++q) {
    EXPECT_TRUE(p.ref.AddSequence("s" + std::to_string(q), seqs[q].first, seqs[q].second).ok());
  }
  return p;
}

TEST(GuideSearchTest, MatchesTheBruteForceScanAtEveryLengthAndLimit) {
  const std::vector<Pam> pams = {MakePam("NGG", false), MakePam("NRG", false), MakePam("nngrrt", false),
                                 MakePam("TTTV", true), MakePam("YN", true)};
  std::mt19937 rng(1808);
  int64_t compared = 0, acrossOrigin = 0;
  std::array<int64_t, kMaxGuideMis + 1> perMis{};
  for (const Pam& pam : pams) {
    for (int L = 15; L <= 25; ++L) {
      const Planted c = MakeCase(rng, L, pam, kMaxGuideMis);
      const std::vector<GuideSite> all = test::BruteGuideSites(c.ref, c.guides, pam, kMaxGuideMis);
      for (int K = 0; K <= kMaxGuideMis; ++K) {
        const std::vector<GuideSite> want = UpTo(all, K);
        ASSERT_EQ(Fast(c.ref, c.guides, pam, K, 1 + K % 3), want) << "PAM " << pam.letters << " L " << L << " K " << K;
        compared += static_cast<int64_t>(want.size());
      }
      const int S = L + static_cast<int>(pam.letters.size());
      for (const GuideSite& s : all) {
        ++perMis[static_cast<size_t>(s.mis)];
        acrossOrigin += c.ref.seq(s.seq).circular && s.start + S > c.ref.seq(s.seq).length;
      }
    }
  }
  // The cases must reach every mismatch count and the origins.
  for (int m = 0; m <= kMaxGuideMis; ++m) EXPECT_GT(perMis[static_cast<size_t>(m)], 10) << m;
  EXPECT_GT(acrossOrigin, 20);
  EXPECT_GT(compared, 1000);
}

TEST(GuideSearchTest, LongGuidesOverThreeWords) {
  std::mt19937 rng(40);
  for (const Pam& pam : {MakePam("NGG", false), MakePam("TTTV", true)}) {
    for (int L : {31, 32, 33, 40}) {
      const Planted c = MakeCase(rng, L, pam, kMaxGuideMis);
      const std::vector<GuideSite> all = test::BruteGuideSites(c.ref, c.guides, pam, kMaxGuideMis);
      for (int K : {0, 2, 5}) ASSERT_EQ(Fast(c.ref, c.guides, pam, K), UpTo(all, K)) << "L " << L << " K " << K;
    }
  }
}

TEST(GuideSearchTest, LongGenomeAcrossBlocksAndThreads) {
  // Many blocks of positions, sites at their edges, every thread count.
  std::mt19937 rng(7);
  const Pam pam = MakePam("NG", false);
  Reference ref;
  const std::string a = RandomLetters(rng, 200'000, "AAACGT");
  ASSERT_TRUE(ref.AddSequence("big", a, true).ok());
  ASSERT_TRUE(ref.AddSequence("lin", RandomLetters(rng, 70'000), false).ok());
  std::vector<Guide> guides;
  for (int g = 0; g < 4; ++g) {
    std::string letters = a.substr(static_cast<size_t>(32768 * (g + 1) - 10 + g), 16);
    guides.push_back(Guide{"b" + std::to_string(g), letters});
  }
  guides.push_back(Guide{"poly", "AAAAAAAAAAAAAAAAAA"});
  // Too many IUPAC letters for the piece lookup: compared with every site.
  guides.push_back(Guide{"wide", "ANNNNNNNNNNNNNNNNANA"});
  const std::vector<GuideSite> want = test::BruteGuideSites(ref, guides, pam, 3);
  EXPECT_GT(want.size(), 100u);
  for (int threads : {1, 2, 5}) EXPECT_EQ(Fast(ref, guides, pam, 3, threads), want) << threads;
  // Stretches of every size, sites at their edges.
  for (int64_t block : {1, 777, 4096}) EXPECT_EQ(Fast(ref, guides, pam, 3, 2, block), want) << block;
}

TEST(GuideSearchTest, StopsAndBoundsItsSites) {
  Reference ref;
  ASSERT_TRUE(ref.AddSequence("a", std::string(5000, 'A') + "GG", true).ok());
  const std::vector<Guide> guides = {{"n", std::string(20, 'N')}};
  GuideSearchOptions o;
  o.maxSites = 10;
  std::vector<GuideSite> sites;
  Status st = SearchGuides(ref, guides, MakePam("NNN", false), o, sites);
  EXPECT_EQ(st.code(), Status::Code::kBadInput);
  EXPECT_EQ(st.message(), "more than 10 sites: give fewer or longer guides, or fewer mismatches");
  EXPECT_TRUE(sites.empty());
  o.maxSites = 50'000'000;
  o.stop = [] { return true; };
  st = SearchGuides(ref, guides, MakePam("NNN", false), o, sites);
  EXPECT_EQ(st.code(), Status::Code::kInterrupted);
}

TEST(GuideQueryTest, RefusesBadPamGuidesAndLimits) {
  Pam pam;
  Status st = ParsePam("NGX", false, pam);
  EXPECT_EQ(st.code(), Status::Code::kBadInput);
  EXPECT_EQ(st.message(), "bad PAM letter 'X' in NGX: a PAM holds the IUPAC letters A C G T R Y S W K M B D H V N");
  EXPECT_EQ(ParsePam("", false, pam).message(), "PAM is empty");
  EXPECT_EQ(ParsePam("NNNNNNNNNNNNN", false, pam).message(), "PAM has 13 letters; at most 12");
  ASSERT_TRUE(ParsePam("ttTv", true, pam).ok());
  EXPECT_EQ(pam.letters, "TTTV");
  EXPECT_TRUE(pam.fivePrime);

  Guide g{"x1", "ACGTACGTACGTACGU"};
  EXPECT_EQ(CheckGuide(g, 3).message(),
            "bad letter 'U' in guide x1 (line 3): a guide holds the IUPAC letters A C G T R Y S W K M B D H V N");
  g = Guide{"short", "ACGTACGTACGTAC"};
  EXPECT_EQ(CheckGuide(g, 0).message(), "guide short has 14 letters; a guide has 15 to 40");
  g = Guide{"long", std::string(41, 'A')};
  EXPECT_EQ(CheckGuide(g, 7).message(), "guide long (line 7) has 41 letters; a guide has 15 to 40");
  g = Guide{"ok", "acgtRYacgtacgtn"};
  ASSERT_TRUE(CheckGuide(g, 1).ok());
  EXPECT_EQ(g.letters, "ACGTRYACGTACGTN");

  int mis = -1;
  EXPECT_EQ(ParseGuideMis("6", mis).message(), "a guide search allows at most 5 mismatches, not 6");
  EXPECT_EQ(ParseGuideMis("x", mis).message(), "mismatches must be a number from 0 to 5, not x");
  EXPECT_EQ(ParseGuideMis("-1", mis).message(), "mismatches must be a number from 0 to 5, not -1");
  ASSERT_TRUE(ParseGuideMis("5", mis).ok());
  EXPECT_EQ(mis, 5);
}

// A guide of A, C and T planted once: its site is the genome's only GG.
class GuideRowsTest : public ::testing::Test {
 protected:
  const std::string guide_ = "ACTACTTACATTACT";
  const Pam pam_ = MakePam("NGG", false);
};

TEST_F(GuideRowsTest, SiteAcrossTheOriginWithItsMismatchInLowerCase) {
  const std::string site = guide_ + "TGG";
  const std::string seq = site.substr(5) + std::string(40, 'A') + site.substr(0, 5);
  Reference ref;
  ASSERT_TRUE(ref.AddSequence("c", seq, true).ok());
  std::vector<Guide> guides = {{"g", guide_}};
  guides[0].letters[2] = 'G';  // one mismatch, at the guide's third letter
  const std::vector<GuideSite> sites = Fast(ref, guides, pam_, 1);
  ASSERT_EQ(sites.size(), 1u);
  std::string row;
  AppendGuideSiteRow(row, ref, guides, pam_, sites[0]);
  EXPECT_EQ(row, "g\tc\t" + std::to_string(seq.size() - 4) + "\t+\tACtACTTACATTACTTGG\t1\tTGG\n");
  EXPECT_TRUE(Fast(ref, guides, pam_, 0).empty());

  std::string sam;
  AppendGuideSamRecords(sam, ref, guides[0], pam_, sites.data(), 1, 1);
  EXPECT_EQ(sam, "g\t0\tc\t" + std::to_string(seq.size() - 4) +
                     "\t20\t18M\t*\t0\t0\tACGACTTACATTACTTGG\t*\tNM:i:1\tMD:Z:2T15\tNH:i:1\tHI:i:1\n");

  // Linear, the same letters hold no site.
  Reference lin;
  ASSERT_TRUE(lin.AddSequence("c", seq, false).ok());
  EXPECT_TRUE(Fast(lin, guides, pam_, 5).empty());
}

TEST_F(GuideRowsTest, ComplementaryStrandRowsAndSummary) {
  const std::string site = guide_ + "AGG";
  const std::string seq = std::string(30, 'A') + ReverseComplement(site) + std::string(10, 'T');
  Reference ref;
  ASSERT_TRUE(ref.AddSequence("one", std::string(50, 'T'), true).ok());
  ASSERT_TRUE(ref.AddSequence("two", seq, false).ok());
  std::vector<Guide> guides = {{"first", guide_}, {"iupac", guide_}, {"none", "CCCCCCCCCCCCCCCCCC"}};
  guides[1].letters[0] = 'R';   // R names the A of the site
  guides[1].letters[14] = 'G';  // a mismatch at the last letter
  const std::vector<GuideSite> sites = Fast(ref, guides, pam_, 2);
  ASSERT_EQ(sites.size(), 2u);
  std::string rows;
  for (const GuideSite& s : sites) AppendGuideSiteRow(rows, ref, guides, pam_, s);
  EXPECT_EQ(rows,
            "first\ttwo\t31\t-\tACTACTTACATTACTAGG\t0\tAGG\n"
            "iupac\ttwo\t31\t-\tACTACTTACATTACtAGG\t1\tAGG\n");
  EXPECT_EQ(GuideSummaryText(guides, sites, 2),
            "guide\tletters\tm0\tm1\tm2\tsites\n"
            "first\tACTACTTACATTACT\t1\t0\t0\t1\n"
            "iupac\tRCTACTTACATTACG\t0\t1\t0\t1\n"
            "none\tCCCCCCCCCCCCCCCCCC\t0\t0\t0\t0\n");
  std::string sam;
  AppendGuideSamRecords(sam, ref, guides[1], pam_, sites.data() + 1, 1, 2);
  // SEQ on the direct strand: the reverse complement of guide and PAM.
  EXPECT_EQ(sam, "iupac\t16\ttwo\t31\t40\t18M\t*\t0\t0\tCCTCGTAATGTAAGTAGY\t*\tNM:i:1\tMD:Z:3A14\tNH:i:1\tHI:i:1\n");
}

}  // namespace
}  // namespace quorvane
