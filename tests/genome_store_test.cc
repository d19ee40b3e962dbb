// Loading and coding the genome, and the chains of the seed index.
#include <gtest/gtest.h>

#include "common/nucleotide.h"
#include "engine/chain_index.h"
#include "engine/fast_index.h"
#include "engine/genome_store.h"
#include "engine/mis_nu_table.h"
#include "test_util.h"

namespace quorvane {
namespace {

using test::MsgRecorder;
using test::TempDir;

std::string Letters(const GenomeStore& st, Strand s, int from, int n) { return std::string(st.sq(s) + from, n); }

TEST(MisNuXTest, CountsDifferingLetters) {
  EXPECT_EQ(MisNuX[0], 0);
  EXPECT_EQ(MisNuX[1], 1);
  EXPECT_EQ(MisNuX[3], 1);
  EXPECT_EQ(MisNuX[0x4000], 1);
  EXPECT_EQ(MisNuX[5], 2);
  EXPECT_EQ(MisNuX[0xFFFF], 8);
  EXPECT_EQ(MisNuX[SeedCodeOf("ACGTACGT") ^ SeedCodeOf("ACGAACGA")], 2);
}

TEST(GenomeStoreTest, BuildsTheComplementaryStrandAndSeedCodes) {
  GenomeStore st;
  ASSERT_EQ(st.LoadGenomeText("AACCCGT"), LoadOutcome::kOk);
  EXPECT_EQ(Letters(st, Strand::kCompl, 0, 7), "ACGGGTT");

  std::mt19937 rng(5);
  const std::string g = test::RandomLetters(rng, 3000);
  ASSERT_EQ(st.LoadGenomeText(g), LoadOutcome::kOk);
  const std::string rc = test::ReverseComplement(g);
  for (int p = 0; p < 3000 + kWrapLen - 7; p += 7) {
    const std::string d = (g + g).substr(p % 3000, 8);
    const std::string c = (rc + rc).substr(p % 3000, 8);
    ASSERT_EQ(st.Cds(Strand::kDirect)[p], SeedCodeOf(d.c_str())) << p;
    ASSERT_EQ(st.Cds(Strand::kCompl)[p], SeedCodeOf(c.c_str())) << p;
  }
  // The seed at the last position takes seven letters from the start.
  const std::string last = g.substr(2999) + g.substr(0, 7);
  EXPECT_EQ(st.Cds(Strand::kDirect)[2999], SeedCodeOf(last.c_str()));
  EXPECT_EQ(Letters(st, Strand::kDirect, 3000, kWrapLen), g.substr(0, kWrapLen));
}

TEST(GenomeStoreTest, LowerCaseKeepsItsLettersButCodesAsUpperCase) {
  GenomeStore lo, up;
  ASSERT_EQ(lo.LoadGenomeText("gattacagcctaggcatt"), LoadOutcome::kOk);
  ASSERT_EQ(up.LoadGenomeText("GATTACAGCCTAGGCATT"), LoadOutcome::kOk);
  EXPECT_EQ(Letters(lo, Strand::kDirect, 0, 18), "gattacagcctaggcatt");
  EXPECT_EQ(Letters(lo, Strand::kCompl, 0, 18), Letters(up, Strand::kCompl, 0, 18));
  for (int p = 0; p < 18 + kWrapLen - 7; ++p) {
    ASSERT_EQ(lo.Cds(Strand::kDirect)[p], up.Cds(Strand::kDirect)[p]);
    ASSERT_EQ(lo.Cds(Strand::kCompl)[p], up.Cds(Strand::kCompl)[p]);
  }
  EXPECT_EQ(lo.Cds(Strand::kDirect)[0], 36626);  // GATTACAG
}

TEST(GenomeStoreTest, ShortGenomesRepeatThemselves) {
  GenomeStore st;
  ASSERT_EQ(st.LoadGenomeText("ACG"), LoadOutcome::kOk);
  EXPECT_EQ(st.Cds(Strand::kDirect)[0], 6241);  // ACGACGAC
  EXPECT_EQ(Letters(st, Strand::kDirect, 0, 3 + kWrapLen).substr(1020, 7), "ACGACGA");  // 1020 % 3 == 0
  for (int len : {1, 5, 7, 8, 100, 1023}) {
    std::mt19937 rng(len);
    const std::string g = test::RandomLetters(rng, len);
    ASSERT_EQ(st.LoadGenomeText(g), LoadOutcome::kOk);
    for (int j = 0; j < len + kWrapLen; ++j) ASSERT_EQ(st.sq(Strand::kDirect)[j], g[j % len]) << len << " " << j;
  }
}

TEST(GenomeStoreTest, EmptyGenomeLoadsQuietly) {
  MsgRecorder rec;
  TempDir dir;
  test::WriteFile(dir.File("g"), "");
  GenomeStore st;
  EXPECT_EQ(st.LoadGenome(dir.File("g"), 0), LoadOutcome::kOk);
  EXPECT_EQ(st.gnmLen(), 0);
  ChainIndex chains;
  ASSERT_TRUE(chains.Build(st));
  for (int c = 0; c < kSeedCodes; ++c) ASSERT_EQ(chains.ChnBegX(Strand::kDirect)[c], -1);
  EXPECT_TRUE(rec.msgs().empty());
}

TEST(GenomeStoreTest, ReportsTheFirstBadSymbol) {
  struct Case {
    std::string genome;
    std::string msg;
  };
  const Case cases[] = {
      {"ACGTACGT\n", "bad symbol='\n' in genome"},
      {"ACGTACGT\r\n", "bad symbol='\r' in genome"},
      {"ACGNACXT", "bad symbol='N' in genome"},
      {"ACGT ACG", "bad symbol=' ' in genome"},
      {std::string("AC") + static_cast<char>(200), std::string("bad symbol='") + static_cast<char>(200) + "' in genome"},
  };
  for (const Case& c : cases) {
    MsgRecorder rec;
    GenomeStore st;
    EXPECT_EQ(st.LoadGenomeText(c.genome), LoadOutcome::kFailed);
    EXPECT_EQ(rec.msgs(), std::vector<std::string>{c.msg});
    EXPECT_FALSE(st.loaded());
  }
}

TEST(GenomeStoreTest, FileFailures) {
  TempDir dir;
  GenomeStore st;
  {
    MsgRecorder rec;
    EXPECT_EQ(st.LoadGenome(dir.File("missing"), 10), LoadOutcome::kCantOpen);
    EXPECT_EQ(rec.msgs(), std::vector<std::string>{"can't open " + dir.File("missing")});
  }
  {
    // The file shrank after it was measured.
    MsgRecorder rec;
    test::WriteFile(dir.File("g"), "ACGTACGTAC");
    EXPECT_EQ(st.LoadGenome(dir.File("g"), 11), LoadOutcome::kFailed);
    EXPECT_EQ(rec.msgs(), std::vector<std::string>{"genome file is shorter than gnmLen= 11\n" + dir.File("g")});
    EXPECT_FALSE(st.loaded());
  }
  {
    MsgRecorder rec;
    EXPECT_EQ(st.LoadGenome(dir.File("g"), -1), LoadOutcome::kFailed);
    EXPECT_EQ(rec.msgs(), std::vector<std::string>{"genome is too big\n" + dir.File("g")});
  }
  {
    // Only the measured length is read.
    MsgRecorder rec;
    EXPECT_EQ(st.LoadGenome(dir.File("g"), 8), LoadOutcome::kOk);
    EXPECT_EQ(st.gnmLen(), 8);
    EXPECT_TRUE(rec.msgs().empty());
  }
}

TEST(ChainIndexTest, ChainsRunAscendingFromTheLowestPosition) {
  GenomeStore st;
  ASSERT_EQ(st.LoadGenomeText("ACGTACGTACGT"), LoadOutcome::kOk);
  ChainIndex chains;
  ASSERT_TRUE(chains.Build(st));
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

  // A code at positions 5, 17 and 40 only.
  std::mt19937 rng(9);
  std::string g = test::RandomLetters(rng, 100, "AC");
  const char* seed = "GTGTGTGT";
  for (int p : {5, 17, 40}) g.replace(p, 8, seed);
  ASSERT_EQ(st.LoadGenomeText(g), LoadOutcome::kOk);
  ASSERT_TRUE(chains.Build(st));
  const unsigned c = SeedCodeOf(seed);
  EXPECT_EQ(chains.ChnBegX(Strand::kDirect)[c], 5);
  EXPECT_EQ(chains.Chns(Strand::kDirect)[5], 17);
  EXPECT_EQ(chains.Chns(Strand::kDirect)[17], 40);
  EXPECT_EQ(chains.Chns(Strand::kDirect)[40], -1);
}

}  // namespace
}  // namespace quorvane

namespace quorvane {
namespace {

TEST(GenomeStoreTest, LoadingOnSeveralThreadsGivesTheSameStoreAndIndex) {
  std::mt19937 rng(12);
  std::string g = test::RandomLetters(rng, 400000, "ACGTacgt");
  GenomeStore one(1), three(3);
  ASSERT_EQ(one.LoadGenomeText(g), LoadOutcome::kOk);
  ASSERT_EQ(three.LoadGenomeText(g), LoadOutcome::kOk);
  const size_t total = g.size() + kWrapLen;
  for (Strand s : kStrands) {
    ASSERT_EQ(std::string(one.sq(s), total), std::string(three.sq(s), total));
    ASSERT_TRUE(std::equal(one.Cds(s), one.Cds(s) + total, three.Cds(s)));
  }
  FastIndex a, b;
  ASSERT_TRUE(a.Build(one, 1));
  ASSERT_TRUE(b.Build(three, 3));
  for (uint32_t c = 0; c <= kSeedCodes; ++c) ASSERT_EQ(a.Off(c), b.Off(c));
  ASSERT_TRUE(std::equal(a.Pos(), a.Pos() + g.size(), b.Pos()));
  ASSERT_TRUE(std::equal(a.Nxt(), a.Nxt() + g.size(), b.Nxt()));
  // Buckets run in ascending position.
  for (uint32_t c = 0; c < kSeedCodes; ++c) {
    for (uint32_t i = a.Off(c); i + 1 < a.Off(c + 1); ++i) ASSERT_LT(a.Pos()[i], a.Pos()[i + 1]);
  }

  // The first bad byte is reported, whichever thread meets it.
  g[390000] = 'N';
  g[250000] = '*';
  MsgRecorder rec;
  EXPECT_EQ(three.LoadGenomeText(g), LoadOutcome::kFailed);
  EXPECT_EQ(rec.msgs(), std::vector<std::string>{"bad symbol='*' in genome"});
}

}  // namespace
}  // namespace quorvane

namespace quorvane {
namespace {

TEST(GenomeStoreTest, TheComplementaryStrandDerivedEqualsTheOneHeld) {
  for (int len : {1, 3, 7, 8, 9, 100, 1500}) {
    std::mt19937 rng(len);
    const std::string g = test::RandomLetters(rng, static_cast<size_t>(len), "ACGTacgt");
    GenomeStore held(1, true), derived(1, false);
    ASSERT_EQ(held.LoadGenomeText(g), LoadOutcome::kOk);
    ASSERT_EQ(derived.LoadGenomeText(g), LoadOutcome::kOk);
    EXPECT_EQ(derived.sq(Strand::kCompl), nullptr);
    char a[kWrapLen], b[kWrapLen];
    for (int p = 0; p < len; ++p) {
      ASSERT_EQ(derived.ComplCode(p), held.Cds(Strand::kCompl)[p]) << len << " " << p;
      ASSERT_EQ(held.ComplCode(p), held.Cds(Strand::kCompl)[p]);
      const int n = 1 + (p * 37) % kWrapLen;
      held.StrandLetters(Strand::kCompl, p, n, a);
      derived.StrandLetters(Strand::kCompl, p, n, b);
      ASSERT_EQ(std::string(a, n), std::string(b, n)) << len << " " << p;
      derived.StrandLetters(Strand::kDirect, p, n, b);
      ASSERT_EQ(std::string(b, n), std::string(held.sq(Strand::kDirect) + p, n));
    }
  }
}

}  // namespace
}  // namespace quorvane
