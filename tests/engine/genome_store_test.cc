// Coding the genome, and the seed indexes built over it.
#include <gtest/gtest.h>

#include "brute_force.h"
#include "common/nucleotide.h"
#include "engine/chain_index.h"
#include "engine/fast_index.h"
#include "engine/genome_store.h"
#include "engine/mis_nu_table.h"
#include "test_util.h"

namespace quorvane {
namespace {

using test::MakeReference;
using test::Seq;

// The seed code of letters p..p+7 of s, read cyclically.
uint16_t CyclicCode(const std::string& s, size_t p) {
  unsigned v = 0;
  for (size_t k = 0; k < 8; ++k) v = v * 4 + SeedCodeOfLetter(s[(p + k) % s.size()]);
  return static_cast<uint16_t>(v);
}

std::string Letters(const GenomeStore& st, uint32_t seq, Strand s, int p, int n) {
  std::string out(static_cast<size_t>(n), '?');
  st.StrandLetters(seq, s, p, n, out.data());
  return out;
}

TEST(MisNuXTest, CountsDifferingLetters) {
  EXPECT_EQ(MisNuX[0], 0);
  EXPECT_EQ(MisNuX[1], 1);
  EXPECT_EQ(MisNuX[3], 1);
  EXPECT_EQ(MisNuX[0x4000], 1);
  EXPECT_EQ(MisNuX[5], 2);
  EXPECT_EQ(MisNuX[0xFFFF], 8);
  EXPECT_EQ(MisNuX[SeedCodeOf("ACGTACGT") ^ SeedCodeOf("ACGAACGA")], 2);
}

TEST(GenomeStoreTest, CodesEveryStartCyclicallyWithinItsSequence) {
  std::mt19937 rng(5);
  const std::vector<Seq> seqs{{"long", test::RandomLetters(rng, 3000), true},
                              {"five", "ACGTA", false},
                              {"one", "G", true},
                              {"eight", "acgtTTGA", true},
                              {"nine", test::RandomLetters(rng, 9), false},
                              {"other", "ACGNNTTGCAnGRT", true}};
  for (HeldCodes held : {HeldCodes::kNone, HeldCodes::kDirect, HeldCodes::kBoth}) {
    GenomeStore st(1, held);
    ASSERT_TRUE(st.Load(MakeReference(seqs)).ok());
    EXPECT_EQ(st.gnmLen(), 3000 + 5 + 1 + 8 + 9 + 14);
    EXPECT_EQ(st.Cds(Strand::kDirect) != nullptr, held != HeldCodes::kNone);
    EXPECT_EQ(st.Cds(Strand::kCompl) != nullptr, held == HeldCodes::kBoth);
    for (uint32_t i = 0; i < seqs.size(); ++i) {
      const std::string& d = seqs[i].letters;
      // A letter other than A, C, G, T counts as A on either strand.
      const std::string c = test::ReverseComplement(d);
      const int64_t off = st.ref().seq(i).offset;
      for (size_t p = 0; p < d.size(); ++p) {
        const auto at = static_cast<int32_t>(p);
        ASSERT_EQ(st.SeedCode(i, Strand::kDirect, at), CyclicCode(d, p)) << i << " " << p;
        ASSERT_EQ(st.SeedCode(i, Strand::kCompl, at), CyclicCode(c, p)) << i << " " << p;
        if (held != HeldCodes::kNone) {
          ASSERT_EQ(st.Cds(Strand::kDirect)[off + at], CyclicCode(d, p));
        }
        if (held == HeldCodes::kBoth) {
          ASSERT_EQ(st.Cds(Strand::kCompl)[off + at], CyclicCode(c, p));
        }
      }
      // Letters run on cyclically too, the complementary ones in upper case.
      const int n = static_cast<int>(d.size()) * 2 + 3;
      std::string dd, cc;
      for (int j = 0; j < n; ++j) dd += d[static_cast<size_t>(j) % d.size()];
      for (int j = 0; j < n; ++j) cc += c[static_cast<size_t>(j) % c.size()];
      EXPECT_EQ(Letters(st, i, Strand::kDirect, 0, n), dd);
      EXPECT_EQ(Letters(st, i, Strand::kCompl, 0, n), cc);
    }
  }
  GenomeStore st;
  ASSERT_TRUE(st.Load(MakeReference({{"g", "AACCCGT", true}})).ok());
  EXPECT_EQ(Letters(st, 0, Strand::kCompl, 0, 7), "ACGGGTT");
  ASSERT_TRUE(st.Load(MakeReference({{"g", "ACG", true}})).ok());
  EXPECT_EQ(st.Cds(Strand::kDirect)[0], 6241);  // ACGACGAC
}

TEST(GenomeStoreTest, LowerCaseKeepsItsLettersButCodesAsUpperCase) {
  GenomeStore lo, up;
  ASSERT_TRUE(lo.Load(MakeReference({{"g", "gattacagcctaggcatt", true}})).ok());
  ASSERT_TRUE(up.Load(MakeReference({{"g", "GATTACAGCCTAGGCATT", true}})).ok());
  EXPECT_EQ(Letters(lo, 0, Strand::kDirect, 0, 18), "gattacagcctaggcatt");
  EXPECT_EQ(Letters(lo, 0, Strand::kCompl, 0, 18), Letters(up, 0, Strand::kCompl, 0, 18));
  for (int p = 0; p < 18; ++p) ASSERT_EQ(lo.Cds(Strand::kDirect)[p], up.Cds(Strand::kDirect)[p]);
  EXPECT_EQ(lo.Cds(Strand::kDirect)[0], 36626);  // GATTACAG
}

TEST(GenomeStoreTest, WindowsOverOtherLettersOrPastTheEndAreCountedLetterByLetter) {
  GenomeStore st;
  ASSERT_TRUE(st.Load(MakeReference({{"a", "ACGTACGTNNACGTACGTAC", true}, {"b", "ACGTRACGTACGTACG", false}})).ok());
  // Direct windows of a: the run of N at 8..9.
  EXPECT_FALSE(st.NeedsLetterCount(0, Strand::kDirect, 0, 8));
  EXPECT_TRUE(st.NeedsLetterCount(0, Strand::kDirect, 0, 9));
  EXPECT_TRUE(st.NeedsLetterCount(0, Strand::kDirect, 9, 5));
  EXPECT_FALSE(st.NeedsLetterCount(0, Strand::kDirect, 10, 10));
  EXPECT_TRUE(st.NeedsLetterCount(0, Strand::kDirect, 10, 11));  // past the end
  // The complementary strand covers the same letters from the other end.
  EXPECT_FALSE(st.NeedsLetterCount(0, Strand::kCompl, 0, 10));
  EXPECT_TRUE(st.NeedsLetterCount(0, Strand::kCompl, 0, 11));
  // b's R at 4; the N of a is none of b's business.
  EXPECT_FALSE(st.NeedsLetterCount(1, Strand::kDirect, 5, 11));
  EXPECT_TRUE(st.NeedsLetterCount(1, Strand::kDirect, 4, 1));

  // N against any letter, N included, is a mismatch.
  EXPECT_EQ(st.CountLetters(0, Strand::kDirect, 6, "GTACAC", 6, 9), 2);
  EXPECT_EQ(st.CountLetters(0, Strand::kDirect, 6, "GTNNAC", 6, 9), 2);
  EXPECT_EQ(st.CountLetters(0, Strand::kDirect, 18, "ACACGT", 6, 9), 0);  // across the end of circular a
  EXPECT_EQ(st.CountLetters(0, Strand::kCompl, 0, "GTACGTACGTNN", 12, 9), 2);
  EXPECT_EQ(st.CountLetters(0, Strand::kDirect, 0, "TTTTTTTT", 8, 2), 3);  // stops past the limit
}

TEST(GenomeStoreTest, EmptyGenomeLoadsAndIndexesQuietly) {
  for (const std::vector<Seq>& seqs : {std::vector<Seq>{{"e", "", true}}, std::vector<Seq>{}}) {
    GenomeStore st(1, HeldCodes::kBoth);
    ASSERT_TRUE(st.Load(MakeReference(seqs)).ok());
    EXPECT_EQ(st.gnmLen(), 0);
    ChainIndex chains;
    ASSERT_TRUE(chains.Build(st).ok());
    for (int c = 0; c < kSeedCodes; ++c) ASSERT_EQ(chains.ChnBegX(Strand::kDirect)[c], -1);
    FastIndex fast;
    ASSERT_TRUE(fast.Build(st).ok());
    EXPECT_EQ(fast.Off(kSeedCodes), 0u);
  }
}

TEST(ChainIndexTest, ChainsRunAscendingFromTheLowestPosition) {
  GenomeStore st(1, HeldCodes::kBoth);
  ASSERT_TRUE(st.Load(MakeReference({{"g", "ACGTACGTACGT", true}})).ok());
  ChainIndex chains;
  ASSERT_TRUE(chains.Build(st).ok());
  const unsigned codes[] = {6939, 27756, 45489, 50886};
  for (Strand s : kStrands) {
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(st.Cds(s)[i], codes[i]);
      EXPECT_EQ(chains.ChnBegX(s)[codes[i]], i);
      EXPECT_EQ(chains.Chns(s)[i], i + 4);
      EXPECT_EQ(chains.Chns(s)[i + 4], i + 8);
      EXPECT_EQ(chains.Chns(s)[i + 8], -1);
    }
    EXPECT_EQ(chains.ChnBegX(s)[0], -1);
  }

  // A code at positions 5, 17 and 40 only; in a second sequence its
  // positions continue the chain in global order.
  std::mt19937 rng(9);
  std::string g = test::RandomLetters(rng, 100, "AC");
  const char* seed = "GTGTGTGT";
  for (int p : {5, 17, 40}) g.replace(static_cast<size_t>(p), 8, seed);
  std::string h = test::RandomLetters(rng, 50, "AC");
  h.replace(3, 8, seed);
  ASSERT_TRUE(st.Load(MakeReference({{"g", g, true}, {"h", h, false}})).ok());
  ASSERT_TRUE(chains.Build(st).ok());
  const unsigned c = SeedCodeOf(seed);
  EXPECT_EQ(chains.ChnBegX(Strand::kDirect)[c], 5);
  EXPECT_EQ(chains.Chns(Strand::kDirect)[5], 17);
  EXPECT_EQ(chains.Chns(Strand::kDirect)[17], 40);
  EXPECT_EQ(chains.Chns(Strand::kDirect)[40], 103);
  EXPECT_EQ(chains.Chns(Strand::kDirect)[103], -1);
}

// Builds the fast index of seqs on threads threads and checks that every
// start stands once in the bucket of its code, in ascending order, with
// the codes of the letters around it.
void ExpectIndexOfEveryStart(const std::vector<Seq>& seqs, int threads) {
  GenomeStore st(1, HeldCodes::kNone);
  ASSERT_TRUE(st.Load(MakeReference(seqs)).ok());
  FastIndex fx;
  ASSERT_TRUE(fx.Build(st, threads).ok());
  const int64_t total = st.gnmLen();
  ASSERT_EQ(fx.Off(kSeedCodes), static_cast<uint32_t>(total));
  std::vector<bool> seen(static_cast<size_t>(total), false);
  for (uint32_t code = 0; code < kSeedCodes; ++code) {
    for (uint32_t i = fx.Off(code); i < fx.Off(code + 1); ++i) {
      const int32_t g = fx.Pos()[i];
      if (i > fx.Off(code)) {
        ASSERT_LT(fx.Pos()[i - 1], g);  // ascending
      }
      seen[static_cast<size_t>(g)] = true;
      const uint32_t s = st.ref().SeqAt(g);
      const std::string& l = seqs[s].letters;
      const size_t p = static_cast<size_t>(g - st.ref().seq(s).offset);
      ASSERT_EQ(CyclicCode(l, p), code);
      // The 8 letters before the start, cyclically, and those after its 8.
      ASSERT_EQ(fx.Ctx()[i] >> 16, CyclicCode(l, (p + 8 * l.size() - 8) % l.size())) << g;
      ASSERT_EQ(fx.Ctx()[i] & 0xFFFF, CyclicCode(l, p + 8)) << g;
    }
  }
  EXPECT_EQ(std::count(seen.begin(), seen.end(), false), 0);
}

TEST(FastIndexTest, BucketsHoldEveryStartWithTheCodesAroundIt) {
  std::mt19937 rng(11);
  ExpectIndexOfEveryStart({{"a", test::RandomLetters(rng, 5000, "ACGTacgtN"), true},
                           {"b", test::RandomLetters(rng, 12), false},
                           {"c", test::RandomLetters(rng, 700), true},
                           {"d", "ACG", true}},
                          1);
  // Large enough for the build to split among threads.
  ExpectIndexOfEveryStart({{"a", test::RandomLetters(rng, 300000, "ACGTN"), true},
                           {"b", test::RandomLetters(rng, 20), false},
                           {"c", test::RandomLetters(rng, 200000), false}},
                          2);
  // A genome mostly of one letter, whose one huge bucket the build places
  // directly.
  ExpectIndexOfEveryStart({{"a", std::string(4500000, 'A') + test::RandomLetters(rng, 70000), true},
                           {"b", test::RandomLetters(rng, 90000), true}},
                          2);
}

TEST(GenomeStoreTest, LoadingOnSeveralThreadsGivesTheSameStoreAndIndex) {
  std::mt19937 rng(12);
  std::vector<Seq> seqs{{"a", test::RandomLetters(rng, 400000, "ACGTacgt"), true},
                        {"b", test::RandomLetters(rng, 3, "ACGT"), true},
                        {"c", test::RandomLetters(rng, 250000, "ACGTN"), false}};
  GenomeStore one(1, HeldCodes::kBoth), three(3, HeldCodes::kBoth);
  ASSERT_TRUE(one.Load(MakeReference(seqs)).ok());
  ASSERT_TRUE(three.Load(MakeReference(seqs)).ok());
  const int64_t total = one.gnmLen();
  for (Strand s : kStrands) ASSERT_TRUE(std::equal(one.Cds(s), one.Cds(s) + total, three.Cds(s)));
  for (int p = 0; p < 250000; p += 997) {
    ASSERT_EQ(one.NeedsLetterCount(2, Strand::kDirect, p, 30), three.NeedsLetterCount(2, Strand::kDirect, p, 30));
  }
  FastIndex a, b;
  ASSERT_TRUE(a.Build(one, 1).ok());
  ASSERT_TRUE(b.Build(three, 3).ok());
  for (uint32_t c = 0; c <= kSeedCodes; ++c) ASSERT_EQ(a.Off(c), b.Off(c));
  ASSERT_TRUE(std::equal(a.Pos(), a.Pos() + total, b.Pos()));
  ASSERT_TRUE(std::equal(a.Ctx(), a.Ctx() + total, b.Ctx()));
}

}  // namespace
}  // namespace quorvane
