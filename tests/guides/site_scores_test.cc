// The CFD and MIT scores against cases computed by hand from the published
// tables and formulas.
#include "guides/site_scores.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvane {
namespace {

const std::string kG20(20, 'G');

TEST(CfdScoreTest, MismatchesMultiplyTheirTableValuesAndThePam) {
  // Mismatches at 18, 19 and 20 (rG:dT each): 0.692307692 * 0.714285714 * 0.9375.
  EXPECT_NEAR(CfdScore(kG20, "GGGGGGGGGGGGGGGGGAAA", "AGG"), 0.4636, 5e-5);
  EXPECT_NEAR(CfdScore(kG20, "GGGGGGGGGGGGGGGGGAAA", "AGG"), 0.692307692 * 0.714285714 * 0.9375, 1e-9);
  // Lower case letters count as the same letters.
  EXPECT_NEAR(CfdScore(kG20, "aaaaGaGaGGGGGGGGGGGG", "GGG"), 0.9 * 0.846153846 * 0.75 * 0.9, 1e-9);
  EXPECT_DOUBLE_EQ(CfdScore(kG20, kG20, "TGG"), 1.0);
  // A C of the guide against a G at position 6: rC:dC 0.5.
  EXPECT_NEAR(CfdScore("ATGGTCGGACTCCCTGCCAG", "ATGGTGGGACTCCCTGCCAG", "AGG"), 0.5, 1e-9);
  // The PAM's second and third letters: NAG 0.259259259, NGA 0.069444444.
  EXPECT_NEAR(CfdScore(kG20, kG20, "CAG"), 0.259259259, 1e-9);
  EXPECT_NEAR(CfdScore(kG20, kG20, "CGA"), 0.069444444, 1e-9);
}

TEST(CfdScoreTest, SingleBulgesFromTheirTablesAndNoValueElsewhere) {
  // A DNA A (target strand T) before guide letter 3: r-:dT at 3, 0.6.
  EXPECT_NEAR(CfdScore("GG-" + std::string(18, 'G'), "GGa" + std::string(18, 'G'), "AGG"), 0.6, 1e-9);
  // Guide letter 5 (a G) with no partner: rG:d- at 5, 0.296875.
  EXPECT_NEAR(CfdScore(kG20, "GGGG-" + std::string(15, 'G'), "AGG"), 0.296875, 1e-9);
  // With a mismatch as well: the product.
  EXPECT_NEAR(CfdScore(kG20, "GGGG-" + std::string(14, 'G') + "A", "AGG"), 0.296875 * 0.9375, 1e-9);
  // Two bulged letters, a letter other than A, C, G, T, a guide not of
  // 20 letters: the model has no value.
  EXPECT_LT(CfdScore("GG-" + std::string(18, 'G'), "GGa" + std::string(16, 'G') + "-G", "AGG"), 0);
  EXPECT_LT(CfdScore(kG20, "GGGGNGGGGGGGGGGGGGGG", "AGG"), 0);
  EXPECT_LT(CfdScore(kG20, kG20, "ANG"), 0);
  EXPECT_LT(CfdScore(std::string(19, 'G'), std::string(19, 'G'), "AGG"), 0);
}

TEST(MitScoreTest, WeightsSpreadAndCount) {
  EXPECT_DOUBLE_EQ(MitScore(kG20, kG20, "AGG"), 100.0);
  // One mismatch at position 20: (1 - 0.583) * 100.
  EXPECT_NEAR(MitScore(kG20, std::string(19, 'G') + "A", "AGG"), 41.7, 1e-9);
  // At 1 and 20: (1 - 0) (1 - 0.583), mean distance 19 (spread 1), / 2^2.
  EXPECT_NEAR(MitScore(kG20, "A" + std::string(18, 'G') + "A", "AGG"), 41.7 / 4, 1e-9);
  // At 19 and 20: (1 - 0.685)(1 - 0.583), distance 1: 1 / ((19 - 1) / 19 * 4 + 1), / 4.
  EXPECT_NEAR(MitScore(kG20, std::string(18, 'G') + "AA", "AGG"),
              (1 - 0.685) * (1 - 0.583) / ((19.0 - 1) / 19 * 4 + 1) / 4 * 100, 1e-9);
  // A PAM other than NGG counts a fifth, as CRISPOR counts it.
  EXPECT_NEAR(MitScore(kG20, std::string(19, 'G') + "A", "TAG"), 41.7 * 0.2, 1e-9);
  EXPECT_LT(MitScore(kG20, std::string(19, 'G') + "N", "AGG"), 0);
}

TEST(GuideSpecificityTest, AsCrisporRoundsIt) {
  EXPECT_EQ(GuideSpecificity(0), 100);
  EXPECT_EQ(GuideSpecificity(100), 50);
  EXPECT_EQ(GuideSpecificity(1), 99);
  EXPECT_EQ(GuideSpecificity(300), 25);
}

TEST(ScoresApplyTest, TwentyLetterGuidesWithSpCas9Pams) {
  Pam ngg, nrg, nag, ng, tttv, nngrrt;
  ASSERT_TRUE(ParsePam("NGG", false, ngg).ok());
  ASSERT_TRUE(ParsePam("NRG", false, nrg).ok());
  ASSERT_TRUE(ParsePam("NAG", false, nag).ok());
  ASSERT_TRUE(ParsePam("NG", false, ng).ok());
  ASSERT_TRUE(ParsePam("TTTV", true, tttv).ok());
  ASSERT_TRUE(ParsePam("NNGRRT", false, nngrrt).ok());
  const Guide g{"g", "ACGTACGTACGTACGTACGT"};
  EXPECT_TRUE(ScoresApply(g, ngg));
  EXPECT_TRUE(ScoresApply(g, nrg));
  EXPECT_TRUE(ScoresApply(g, nag));
  EXPECT_FALSE(ScoresApply(g, ng));
  EXPECT_FALSE(ScoresApply(g, tttv));
  EXPECT_FALSE(ScoresApply(g, nngrrt));
  EXPECT_FALSE(ScoresApply(Guide{"short", "ACGTACGTACGTACGTACG"}, ngg));
  EXPECT_FALSE(ScoresApply(Guide{"iupac", "ACGTACGTACGTACGTACGN"}, ngg));
}

}  // namespace
}  // namespace quorvane
