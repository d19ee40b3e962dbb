// The pairing of two mates' hits against the plain pairing of every
// combination, on random genomes with repeats.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "brute_force.h"
#include "pair_oracle.h"
#include "pairs/mate_pair.h"
#include "test_util.h"

namespace quorvane {
namespace {

using test::OraclePlacement;

// The placements MatePair finds for the pair, as the oracle writes them.
struct Paired {
  std::vector<OraclePlacement> placements;
  PairSummary summary;
};

Paired Pair(const Reference& ref, const std::vector<test::Seq>& genome, const std::string& m1,
            const std::string& m2, int misNu, const PairRule& rule) {
  const std::vector<Hit> h1 = test::BruteForceHits(genome, m1, misNu);
  const std::vector<Hit> h2 = test::BruteForceHits(genome, m2, misNu);
  std::vector<MateHit> s1(h1.size()), s2(h2.size());
  const int32_t l1 = static_cast<int32_t>(m1.size()), l2 = static_cast<int32_t>(m2.size());
  SortedMateHits(ref, h1.data(), h1.size(), l1, s1.data());
  SortedMateHits(ref, h2.data(), h2.size(), l2, s2.data());
  const MatePair pair(ref, rule, s1.data(), s1.size(), l1, s2.data(), s2.size(), l2);
  Paired out;
  out.summary = pair.Summarize();
  pair.Visit([&](const Placement& p) {
    OraclePlacement o;
    o.seq = static_cast<int>(p.hit[0]->seq);
    const int64_t L = ref.seq(p.hit[0]->seq).length;
    o.pos1 = MatePos(*p.hit[0], L, l1);
    o.pos2 = MatePos(*p.hit[1], L, l2);
    o.mis1 = p.hit[0]->mis;
    o.mis2 = p.hit[1]->mis;
    o.fragment = p.fragment;
    out.placements.push_back(o);
    return true;
  });
  return out;
}

void ExpectSummary(const Paired& got, const std::vector<OraclePlacement>& want) {
  EXPECT_EQ(got.summary.placements, static_cast<int64_t>(want.size()));
  if (!want.empty()) {
    EXPECT_EQ(got.summary.best, want[0].mis1 + want[0].mis2);
  }
  EXPECT_EQ(got.summary.next, want.size() > 1 ? want[1].mis1 + want[1].mis2 : -1);
}

TEST(MatePairTest, EqualsThePlainPairingOnRandomGenomesWithRepeats) {
  std::mt19937 rng(20261223);
  int pairs = 0, placed = 0, several = 0, acrossOrigin = 0;
  for (int round = 0; round < 6; ++round) {
    const std::vector<test::Seq> genome = test::RepeatGenome(rng, 1 + round % 3, 700 + 150 * round);
    const Reference ref = test::MakeReference(genome);
    for (Orientation o : {Orientation::kFr, Orientation::kRf, Orientation::kFf}) {
      for (int k = 0; k < 12; ++k) {
        const int len1 = std::uniform_int_distribution<int>(12, 60)(rng);
        const int len2 = std::uniform_int_distribution<int>(12, 60)(rng);
        const int frag = std::uniform_int_distribution<int>(std::max(len1, len2), 400)(rng);
        const test::DrawnPair d = test::DrawPair(rng, genome, o, len1, len2, frag, 2);
        const int misNu = k % 4;
        PairRule rule;
        rule.orientation = o;
        rule.minFrag = k % 3 == 0 ? 0 : frag - 40;
        rule.maxFrag = k % 3 == 2 ? 2000 : frag + 40;
        const auto want = test::OraclePlacements(genome, d.mate1, d.mate2, misNu, rule);
        const Paired got = Pair(ref, genome, d.mate1, d.mate2, misNu, rule);
        ASSERT_EQ(got.placements, want) << "mates " << d.mate1 << " " << d.mate2 << " misNu " << misNu;
        ExpectSummary(got, want);
        ++pairs;
        placed += !want.empty();
        several += want.size() > 1;
        for (const OraclePlacement& p : want) {
          acrossOrigin += p.start + p.fragment > static_cast<int64_t>(genome[p.seq].letters.size());
        }
      }
    }
  }
  // The draw must reach each kind of pair.
  EXPECT_GT(placed, pairs / 3);
  EXPECT_GT(several, 5);
  EXPECT_GT(acrossOrigin, 0);
}

TEST(MatePairTest, KeepsAPlacementExactlyBetweenItsLimits) {
  std::mt19937 rng(7);
  const std::vector<test::Seq> genome = test::RepeatGenome(rng, 2, 900);
  const Reference ref = test::MakeReference(genome);
  int checked = 0;
  for (Orientation o : {Orientation::kFr, Orientation::kRf, Orientation::kFf}) {
    for (int k = 0; k < 10; ++k) {
      const test::DrawnPair d = test::DrawPair(rng, genome, o, 30, 25, 150 + 20 * k, 0);
      PairRule wide;
      wide.orientation = o;
      wide.maxFrag = 5000;
      for (const OraclePlacement& p : test::OraclePlacements(genome, d.mate1, d.mate2, 1, wide)) {
        for (const auto& [lo, hi] : {std::pair{p.fragment, p.fragment}, std::pair{p.fragment + 1, int64_t{5000}},
                                     std::pair{int64_t{0}, p.fragment - 1}}) {
          PairRule rule = wide;
          rule.minFrag = lo;
          rule.maxFrag = hi;
          const auto want = test::OraclePlacements(genome, d.mate1, d.mate2, 1, rule);
          const bool in = std::find(want.begin(), want.end(), p) != want.end();
          EXPECT_EQ(in, lo == hi);
          const Paired got = Pair(ref, genome, d.mate1, d.mate2, 1, rule);
          ASSERT_EQ(got.placements, want);
          ExpectSummary(got, want);
          ++checked;
        }
      }
    }
  }
  EXPECT_GT(checked, 30);
}

TEST(MatePairTest, PairsAcrossACircularOriginButNeverAcrossALinearEnd) {
  // The fragment's first 40 letters lie at the sequence's end, its last
  // 60 at its start.
  std::mt19937 rng(11);
  const std::string letters = test::RandomLetters(rng, 500);
  const std::string frag = letters.substr(460) + letters.substr(0, 60);
  const std::string m1 = frag.substr(0, 30), m2 = test::ReverseComplement(frag.substr(70));
  for (bool circular : {true, false}) {
    const std::vector<test::Seq> genome = {{"c", letters, circular}};
    const Reference ref = test::MakeReference(genome);
    const Paired got = Pair(ref, genome, m1, m2, 0, PairRule{});
    if (!circular) {
      EXPECT_TRUE(got.placements.empty());
      EXPECT_EQ(got.summary.placements, 0);
      continue;
    }
    ASSERT_EQ(got.placements.size(), 1u);
    EXPECT_EQ(got.placements[0].pos1, 461);
    EXPECT_EQ(got.placements[0].pos2, -60);
    EXPECT_EQ(got.placements[0].fragment, 100);
  }
}

TEST(MatePairTest, CountsARepeatsPlacementsWithoutVisitingThem) {
  // Every start of a circle of 10,000 A is a hit of 12 A on either strand:
  // each direct hit of one mate pairs with the 489 complementary hits of
  // the other that start 0 to 488 letters after it, in both cases.
  const std::vector<test::Seq> genome = {{"a", std::string(10000, 'A'), true}};
  const Reference ref = test::MakeReference(genome);
  const std::string mate(12, 'A');
  std::vector<Hit> hits;
  for (Strand s : kStrands) {
    for (int64_t p = 0; p < 10000; ++p) hits.emplace_back(0, p, s, 0);
  }
  std::vector<MateHit> sorted(hits.size());
  SortedMateHits(ref, hits.data(), hits.size(), 12, sorted.data());
  const MatePair pair(ref, PairRule{}, sorted.data(), sorted.size(), 12, sorted.data(), sorted.size(), 12);
  const PairSummary s = pair.Summarize();
  EXPECT_EQ(s.placements, 2 * 10000 * 489);
  EXPECT_EQ(s.best, 0);
  EXPECT_EQ(s.next, 0);
  // The first placements come in order, and a visit stops when told.
  std::vector<int64_t> frags;
  EXPECT_FALSE(pair.Visit([&](const Placement& p) {
    frags.push_back(p.fragment);
    return frags.size() < 3;
  }));
  EXPECT_EQ(frags, (std::vector<int64_t>{12, 13, 14}));
}

TEST(MatePairTest, ChecksTheFragmentLimitsAsTyped) {
  PairRule rule;
  EXPECT_TRUE(ParseFragmentLimits("200", "400", rule).ok());
  EXPECT_EQ(rule.minFrag, 200);
  EXPECT_EQ(rule.maxFrag, 400);
  EXPECT_EQ(ParseFragmentLimits("x", "400", rule).message(), "fragment MIN is not a number");
  EXPECT_EQ(ParseFragmentLimits("1", "-4", rule).message(), "fragment MAX is not a number");
  EXPECT_EQ(ParseFragmentLimits("", "4", rule).message(), "fragment MIN is not a number");
  EXPECT_EQ(ParseFragmentLimits("500", "400", rule).message(), "fragment MIN is above MAX");
  EXPECT_EQ(ParseFragmentLimits("0", "999999999999999", rule).message(), "fragment MAX is too big");
  EXPECT_EQ(ParseFragmentLimits("0", "2147483648", rule).message(), "fragment MAX is too big");
  EXPECT_EQ(rule.minFrag, 200);
  EXPECT_TRUE(ParseFragmentLimits("0", "2147483647", rule).ok());
}

}  // namespace
}  // namespace quorvane
