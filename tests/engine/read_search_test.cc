// Cutting reads into blocks, the exact lookup and the mismatch search.
#include <gtest/gtest.h>

#include "brute_force.h"
#include "common/nucleotide.h"
#include "engine/read_codes.h"
#include "engine_fixture.h"
#include "test_util.h"

namespace quorvane {
namespace {

using test::BruteForceHits;
using test::EngineTest;

std::vector<std::pair<int, int>> Recs(std::initializer_list<std::pair<int, int>> l) { return l; }

TEST(ReadCodesTest, BlockShapes) {
  struct Shape {
    int rdLen, BlkNu, LstLen, LstShf;
  };
  const Shape shapes[] = {{12, 1, 4, 8},   {15, 1, 7, 2},    {16, 1, 8, 0},   {17, 2, 1, 14},
                          {100, 12, 4, 8}, {1023, 127, 7, 2}, {1024, 127, 8, 0}};
  for (const Shape& s : shapes) {
    ReadCodes rc;
    SetReadShape(s.rdLen, rc);
    EXPECT_EQ(rc.BlkNu, s.BlkNu) << s.rdLen;
    EXPECT_EQ(rc.LstLen, s.LstLen) << s.rdLen;
    EXPECT_EQ(rc.LstShf, s.LstShf) << s.rdLen;
    EXPECT_EQ(8 * rc.BlkNu + rc.LstLen, s.rdLen);
  }
}

TEST(ReadCodesTest, BlockCodesAndTheLettersTheyCannotCode) {
  ReadCodes rc;
  SetReadShape(13, rc);
  MakeRdCds("ACGTACGTACGTA", rc);
  EXPECT_EQ(rc.RdCds[0], 6939);
  EXPECT_EQ(rc.RdCds[1], 108);
  EXPECT_EQ(rc.NNu, 0);
  // A genome seed ACGTAGGG shifted by LstShf gives the last block's code.
  EXPECT_EQ(SeedCodeOf("ACGTAGGG") >> rc.LstShf, 108);
  EXPECT_EQ(BlockMis(rc, 1, SeedCodeOf("ACGTAGGG") >> rc.LstShf), 0);

  ReadCodes lo;
  SetReadShape(13, lo);
  MakeRdCds("acgtacgtacgta", lo);
  EXPECT_EQ(lo.RdCds[0], 6939);
  EXPECT_EQ(lo.RdCds[1], 108);

  SetReadShape(1024, rc);
  const std::string longRead(1024, 'T');
  MakeRdCds(longRead.c_str(), rc);
  EXPECT_EQ(rc.RdCds[127], 65535);

  // N counts as a mismatch against every letter, whatever the code holds.
  SetReadShape(12, rc);
  MakeRdCds("ANGTACGTnCGT", rc);
  EXPECT_EQ(rc.NNu, 2);
  EXPECT_EQ(rc.RdNNu[0], 1);
  EXPECT_EQ(rc.RdNNu[1], 1);
  for (const char* seed : {"AAGTACGT", "ACGTACGT", "AGGTACGT", "ATGTACGT"}) {
    EXPECT_EQ(BlockMis(rc, 0, SeedCodeOf(seed)), 1) << seed;
  }
  EXPECT_EQ(BlockMis(rc, 0, SeedCodeOf("TTGTACGT")), 2);
}

TEST_P(EngineTest, ExactLookupOfThePalindrome) {
  std::mt19937 rng(1);
  std::string g = test::RandomLetters(rng, 2000);
  g.replace(100, 12, "ACGTACGTACGT");
  Load(g);
  ASSERT_EQ(BruteForceHits(g, "ACGTACGTACGT", 0).size(), 2u) << "the random genome holds another copy";
  EXPECT_EQ(SearchPos("ACGTACGTACGT", 0), Recs({{101, 0}, {-112, 0}}));
  EXPECT_EQ(search_->posUpNu(), 1);
  EXPECT_EQ(search_->posLwNu(), 1);
  EXPECT_EQ(search_->posUpLwNu(), 2);
}

TEST_P(EngineTest, ExactLookupAcrossTheEndAndOfRepeats) {
  std::mt19937 rng(2);
  std::string g = test::RandomLetters(rng, 2000);
  const std::string across = g.substr(1995) + g.substr(0, 15);
  Load(g);
  EXPECT_EQ(SearchPos(across, 0), Recs({{1996, 0}}));

  const std::string rd = g.substr(300, 30);
  g.replace(1200, 30, rd);
  Load(g);
  EXPECT_EQ(SearchPos(rd, 0), Recs({{301, 0}, {1201, 0}}));
  EXPECT_EQ(search_->posUpNu(), 2);
  // Lower-case reads are the same reads.
  std::string lower = rd;
  for (char& c : lower) c = static_cast<char>(std::tolower(c));
  EXPECT_EQ(SearchPos(lower, 0), Recs({{301, 0}, {1201, 0}}));
  // On the complementary strand the read's reverse complement covers it.
  EXPECT_EQ(SearchPos(test::ReverseComplement(rd), 0), Recs({{-1230, 0}, {-330, 0}}));

  EXPECT_TRUE(Search(std::string(40, 'A') + "C", 0).empty());
  EXPECT_EQ(search_->posUpNu() + search_->posLwNu() + search_->posUpLwNu(), 0);
}

TEST_P(EngineTest, ExactLookupDemandsEveryLetter) {
  std::mt19937 rng(3);
  const std::string g = test::RandomLetters(rng, 2000);
  Load(g);
  for (int len : {12, 16, 17, 100}) {
    std::string rd = g.substr(500, len);
    EXPECT_EQ(SearchPos(rd, 0), Recs({{501, 0}})) << len;
    std::string lastWrong = rd;
    lastWrong.back() = lastWrong.back() == 'A' ? 'C' : 'A';
    EXPECT_TRUE(Search(lastWrong, 0).empty()) << len;
    std::string firstWrong = rd;
    firstWrong.front() = firstWrong.front() == 'A' ? 'C' : 'A';
    EXPECT_TRUE(Search(firstWrong, 0).empty()) << len;
  }
  const std::string full = g.substr(1000) + g.substr(0, 24);
  EXPECT_EQ(SearchPos(full, 0), Recs({{1001, 0}}));
}

TEST_P(EngineTest, MismatchSearchOrderFollowsTheSeedCode) {
  std::mt19937 rng(4);
  std::string g = test::RandomLetters(rng, 2000, "GT");
  const std::string rd = "CATGCAGTCCAGTACG";
  std::string changed = rd;
  changed[0] = 'A';
  g.replace(500, 16, rd);
  g.replace(900, 16, changed);
  g.replace(1300, 16, test::ReverseComplement(rd));
  Load(g);
  ASSERT_EQ(BruteForceHits(g, rd, 1).size(), 3u);
  EXPECT_EQ(SearchPos(rd, 1), Recs({{901, 1}, {501, 0}, {-1316, 0}}));
  EXPECT_EQ(search_->posUpNu(), 2);
  EXPECT_EQ(search_->posLwNu(), 1);
  EXPECT_EQ(search_->posUpLwNu(), 3);
  EXPECT_EQ(SearchPos(rd, 0), Recs({{501, 0}, {-1316, 0}}));
}

TEST_P(EngineTest, OtherLettersCountAsAInTheOrderOnEitherStrand) {
  std::mt19937 rng(41);
  std::string g = test::RandomLetters(rng, 2000, "GT");
  const std::string rd = "CATGCAGTCCAGTACG";
  std::string withN = rd, withC = rd;
  withN[0] = 'N';  // first letter of the hit on its strand: sorts as A
  withC[0] = 'C';
  g.replace(300, 16, withC);
  g.replace(700, 16, withN);
  g.replace(1100, 16, test::ReverseComplement(withC));
  g.replace(1500, 16, test::ReverseComplement(withN));
  Load(g);
  const std::vector<Hit> want = BruteForceHits(g, rd, 1);
  ASSERT_EQ(test::PosMis(want, 2000), Recs({{701, 1}, {-1516, 1}, {301, 0}, {-1116, 0}}));
  EXPECT_EQ(Search(rd, 1), want);
}

TEST_P(EngineTest, MismatchesAreCountedOverEveryBlock) {
  std::mt19937 rng(5);
  const std::string g = test::RandomLetters(rng, 2000);
  Load(g);
  const std::string rd = g.substr(700, 20);  // blocks of 8, 8 and 4 letters
  auto with = [&](std::initializer_list<int> at) {
    std::string r = rd;
    for (int i : at) r[i] = r[i] == 'A' ? 'C' : 'A';
    return r;
  };
  EXPECT_EQ(SearchPos(with({3}), 1), Recs({{701, 1}}));
  EXPECT_EQ(SearchPos(with({19}), 1), Recs({{701, 1}}));
  EXPECT_TRUE(Search(with({3, 19}), 1).empty());
  EXPECT_EQ(SearchPos(with({3, 19}), 2), Recs({{701, 2}}));
  for (int k = 1; k <= 3; ++k) EXPECT_EQ(SearchPos(rd, k), Recs({{701, 0}})) << k;
  // Four mismatches in the full blocks, or three there and one in the last.
  EXPECT_TRUE(Search(with({0, 2, 9, 11}), 3).empty());
  EXPECT_TRUE(Search(with({0, 2, 9, 17}), 3).empty());
  EXPECT_EQ(SearchPos(with({0, 9, 17}), 3), Recs({{701, 3}}));
  // Across the end of the genome, on the complementary strand.
  const std::string across = test::ReverseComplement(g.substr(1990) + g.substr(0, 20));
  std::string acrossMis = across;
  acrossMis[5] = acrossMis[5] == 'G' ? 'T' : 'G';
  acrossMis[25] = acrossMis[25] == 'G' ? 'T' : 'G';
  EXPECT_EQ(SearchPos(acrossMis, 2), Recs({{-20, 2}}));
}

TEST_P(EngineTest, LettersOtherThanAcgtMatchNothing) {
  std::mt19937 rng(6);
  const std::string g = test::RandomLetters(rng, 3000);
  Load(g);
  std::string rd = g.substr(1000, 40);
  rd[3] = 'N';
  EXPECT_TRUE(Search(rd, 0).empty());
  EXPECT_EQ(SearchPos(rd, 1), Recs({{1001, 1}}));  // N in the first block
  rd[30] = 'n';
  EXPECT_TRUE(Search(rd, 1).empty());
  EXPECT_EQ(SearchPos(rd, 2), Recs({{1001, 2}}));
  rd[12] = '.';
  rd[13] = 'X';
  EXPECT_TRUE(Search(rd, 3).empty());
  EXPECT_EQ(Search(std::string(20, 'N'), 3), BruteForceHits(g, std::string(20, 'N'), 3));
}

TEST_P(EngineTest, TheHitListHoldsEveryHitOfARepeat) {
  // 2471 starts on each strand carry the read; a list of gnmLen / 20
  // records would hold 250 of them.
  const std::string g = std::string(2500, 'A') + std::string(2500, 'T');
  Load(g);
  const std::string rd(30, 'A');
  const std::vector<Hit> hits = Search(rd, 0);
  ASSERT_EQ(hits.size(), 4942u);
  EXPECT_EQ(search_->posUpNu(), 2471);
  EXPECT_EQ(search_->posLwNu(), 2471);
  EXPECT_EQ(hits, BruteForceHits(g, rd, 0));
  const std::string rd1 = std::string(29, 'A') + "T";
  const std::vector<Hit> hits1 = Search(rd1, 1);
  EXPECT_EQ(hits1, BruteForceHits(g, rd1, 1));
  EXPECT_EQ(search_->posUpNu() + search_->posLwNu(), search_->posUpLwNu());
  EXPECT_GT(search_->posUpLwNu(), 4942);
}

TEST_P(EngineTest, EmptyAndTinyGenomes) {
  Load("");
  EXPECT_TRUE(Search("ACGTACGTACGT", 0).empty());
  EXPECT_TRUE(Search("ACGTACGTACGT", 3).empty());
  Load("ACG");
  const std::string rd = "ACGACGACGACGACG";
  for (int k = 0; k <= 3; ++k) EXPECT_EQ(Search(rd, k), BruteForceHits("ACG", rd, k)) << k;
  EXPECT_EQ(SearchPos(rd, 0), Recs({{1, 0}}));
}

TEST_P(EngineTest, SequencesAreSearchedApartEachWithItsTopology) {
  std::mt19937 rng(8);
  const std::string a = test::RandomLetters(rng, 3000), b = test::RandomLetters(rng, 2000);
  Load({{"a", a, true}, {"b", b, false}});
  // Across the join of a and b the read lies in neither.
  EXPECT_TRUE(Search(a.substr(2980) + b.substr(0, 20), 0).empty());
  EXPECT_TRUE(Search(a.substr(2980) + b.substr(0, 20), 3).empty());
  // Across a's end into its own start: a is circular.
  const std::string aWrap = a.substr(2985) + a.substr(0, 25);
  EXPECT_EQ(Search(aWrap, 0), (std::vector<Hit>{{0, 2985, Strand::kDirect, 0}}));
  EXPECT_EQ(Search(test::ReverseComplement(aWrap), 1), (std::vector<Hit>{{0, 2975, Strand::kCompl, 0}}));
  // b is linear: nothing runs past its end.
  const std::string bWrap = b.substr(1985) + b.substr(0, 25);
  EXPECT_TRUE(Search(bWrap, 3).empty());
  EXPECT_TRUE(Search(test::ReverseComplement(bWrap), 3).empty());
  // Its first and last starts, on both strands, count within b.
  const std::string bEnd = b.substr(1970);
  EXPECT_EQ(Search(bEnd, 0), (std::vector<Hit>{{1, 1970, Strand::kDirect, 0}}));
  EXPECT_EQ(Search(test::ReverseComplement(bEnd), 2), (std::vector<Hit>{{1, 0, Strand::kCompl, 0}}));
  EXPECT_EQ(Search(b.substr(0, 30), 1), (std::vector<Hit>{{1, 0, Strand::kDirect, 0}}));
}

TEST_P(EngineTest, HitsOfSeveralSequencesComeStrandFirstThenInFileOrder) {
  std::mt19937 rng(9);
  std::string a = test::RandomLetters(rng, 3000), b = test::RandomLetters(rng, 2000);
  const std::string rd = test::RandomLetters(rng, 24);
  a.replace(500, 24, rd);
  a.replace(1500, 24, test::ReverseComplement(rd));
  b.replace(100, 24, rd);
  b.replace(1000, 24, test::ReverseComplement(rd));
  const std::vector<test::Seq> genome{{"a", a, true}, {"b", b, true}};
  Load(genome);
  const std::vector<Hit> want{{0, 500, Strand::kDirect, 0},
                              {1, 100, Strand::kDirect, 0},
                              {0, 3000 - 1524, Strand::kCompl, 0},
                              {1, 2000 - 1024, Strand::kCompl, 0}};
  EXPECT_EQ(Search(rd, 0), want);
  for (int k = 1; k <= 3; ++k) EXPECT_EQ(Search(rd, k), BruteForceHits(genome, rd, k)) << k;
}

TEST_P(EngineTest, LettersOtherThanAcgtInTheGenomeMatchNothing) {
  std::mt19937 rng(10);
  std::string g = test::RandomLetters(rng, 3000);
  std::string rd = g.substr(1000, 30);
  g[1010] = 'N';
  g.replace(2000, 200, std::string(200, 'N'));
  Load(g);
  EXPECT_TRUE(Search(rd, 0).empty());
  EXPECT_EQ(SearchPos(rd, 1), Recs({{1001, 1}}));
  EXPECT_EQ(SearchPos(test::ReverseComplement(rd), 1), Recs({{-1030, 1}}));
  rd[10] = 'N';  // N against N is a mismatch too
  EXPECT_TRUE(Search(rd, 0).empty());
  EXPECT_EQ(SearchPos(rd, 1), Recs({{1001, 1}}));
  rd[11] = 'N';
  EXPECT_TRUE(Search(rd, 1).empty());
  EXPECT_EQ(SearchPos(rd, 2), Recs({{1001, 2}}));
  // A read of As lies nowhere in a run of N.
  const std::string as(20, 'A');
  for (int k = 0; k <= 3; ++k) EXPECT_EQ(Search(as, k), BruteForceHits(g, as, k)) << k;
  const std::string edge = g.substr(1990, 10) + std::string(15, 'A');  // ends two letters into the run
  for (int k = 0; k <= 3; ++k) EXPECT_EQ(Search(edge, k), BruteForceHits(g, edge, k)) << k;
}

INSTANTIATE_TEST_SUITE_P(Engines, EngineTest, ::testing::ValuesIn(test::AllEngines()),
                         [](const auto& info) { return test::KindName(info.param); });

}  // namespace
}  // namespace quorvane
