// The pieces the fast search looks up must catch every hit.
#include <gtest/gtest.h>

#include "engine/piece_plan.h"

namespace quorvane {
namespace {

TEST(PiecePlanTest, EveryPlanCoversItsRead) {
  for (int64_t g : {int64_t{0}, int64_t{1000}, int64_t{5000000}, int64_t{1} << 30}) {
    for (int32_t len = 12; len <= 1024; ++len) {
      for (int32_t k = 0; k <= 3; ++k) {
        const PiecePlan p = ChoosePlan(len, k, g);
        ASSERT_TRUE(PlanCovers(p, len, k)) << "length " << len << " misNu " << k << " genome " << g;
      }
    }
  }
}

TEST(PiecePlanTest, LongReadsUseLongExactPieces) {
  const PiecePlan p = ChoosePlan(100, 3, 5000000);
  ASSERT_EQ(p.n, 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(p.piece[i].mis, 0);
    EXPECT_GE(p.piece[i].len, 12);
  }
  const PiecePlan exact = ChoosePlan(36, 0, 5000000);
  ASSERT_EQ(exact.n, 1);
  EXPECT_GE(exact.piece[0].len, 8);
}

TEST(PiecePlanTest, ShortReadsAvoidVariantsWhereRunsOfBucketsDo) {
  // 20 letters with two mismatches: three exact pieces of 5 to 8 letters,
  // each one run of at most 64 buckets, rather than 25 variants of one.
  const PiecePlan p = ChoosePlan(20, 2, 5000000);
  ASSERT_EQ(p.n, 3);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(p.piece[i].mis, 0);
    EXPECT_GE(p.piece[i].len, 5);
  }
}

TEST(PiecePlanTest, UnsoundPlansAreRecognised) {
  PiecePlan p;
  EXPECT_FALSE(PlanCovers(p, 50, 0));
  p.n = 2;
  p.piece[0] = {0, 16, 0};
  p.piece[1] = {10, 16, 0};  // overlaps the first
  EXPECT_FALSE(PlanCovers(p, 50, 1));
  p.piece[1] = {16, 16, 0};
  EXPECT_TRUE(PlanCovers(p, 50, 1));
  EXPECT_FALSE(PlanCovers(p, 50, 2));  // two exact pieces cover one mismatch only
  p.piece[1] = {40, 16, 0};            // runs past the read's end
  EXPECT_FALSE(PlanCovers(p, 50, 1));
  p.piece[1] = {20, 0, 0};  // empty
  EXPECT_FALSE(PlanCovers(p, 50, 1));
  p.piece[1] = {20, 17, 0};  // longer than a bucket and the code after it
  EXPECT_FALSE(PlanCovers(p, 50, 1));
  p.piece[1] = {20, 3, 1};
  EXPECT_TRUE(PlanCovers(p, 50, 2));
}

}  // namespace
}  // namespace quorvane
