// The two builds of the bucket scan and of the mismatch count agree.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/bucket_scan.h"
#include "engine/mis_nu_table.h"

namespace quorvane {
namespace {

__attribute__((target("avx2,popcnt"))) std::vector<uint32_t> ScanAvx2(const std::vector<uint16_t>& nxt, uint32_t beg,
                                                                     uint32_t end, uint16_t key, uint16_t mask,
                                                                     int allow) {
  std::vector<uint32_t> out;
  ScanBucketAvx2(nxt.data(), beg, end, key, mask, allow, [&](uint32_t i) { out.push_back(i); });
  return out;
}

std::vector<uint32_t> ScanPortable(const std::vector<uint16_t>& nxt, uint32_t beg, uint32_t end, uint16_t key,
                                   uint16_t mask, int allow) {
  std::vector<uint32_t> out;
  ScanBucketScalar(nxt.data(), beg, end, key, mask, allow, [&](uint32_t i) { out.push_back(i); });
  return out;
}

__attribute__((target("popcnt"))) int CountWithPopcnt(unsigned x, unsigned keep) { return MisCount<true>(x, keep); }

TEST(BucketScanTest, BothBuildsFindTheSameEntries) {
  if (!ProcessorHasAvx2()) GTEST_SKIP() << "this processor has no AVX2; only the portable build runs here";
  std::mt19937 rng(3);
  // Codes near the key, so that every allowance finds some and misses some.
  std::vector<uint16_t> nxt(5000 + 16);
  const uint16_t key = 0xB1E4;
  for (uint16_t& c : nxt) {
    c = key;
    for (int k = static_cast<int>(rng() % 5); k > 0; --k) c ^= static_cast<uint16_t>(1u + rng() % 3) << (2 * (rng() % 8));
  }
  int found = 0;
  for (int allow = 0; allow <= 3; ++allow) {
    for (uint16_t mask : {0xFFFF, 0xFF00, 0xF000, 0x0FF0}) {
      for (auto [beg, end] : {std::pair<uint32_t, uint32_t>{0, 5000}, {7, 8}, {3, 40}, {100, 100}, {4990, 5000}}) {
        const std::vector<uint32_t> want = ScanPortable(nxt, beg, end, key, mask, allow);
        ASSERT_EQ(ScanAvx2(nxt, beg, end, key, mask, allow), want) << allow << " " << mask << " " << beg;
        found += static_cast<int>(want.size());
      }
    }
  }
  EXPECT_GT(found, 1000);
}

TEST(BucketScanTest, MismatchCountsAgreeWithTheTable) {
  const bool popcnt = ProcessorHasAvx2();
  for (unsigned x = 0; x < 65536; ++x) {
    ASSERT_EQ(MisCount<false>(x, 0xFFFF), MisNuX[x]) << x;
    ASSERT_EQ(MisCount<false>(x, 0xF0F0), MisNuX[x & 0xF0F0]) << x;
    if (popcnt) {
      ASSERT_EQ(CountWithPopcnt(x, 0x0FFF), MisNuX[x & 0x0FFF]) << x;
    }
  }
}

}  // namespace
}  // namespace quorvane
