// The scans of a run of the fast index find exactly the entries whose
// context lies within the allowances, in both builds.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/bucket_scan.h"
#include "engine/mis_nu_table.h"

namespace quorvane {
namespace {

__attribute__((target("avx2,popcnt"))) std::vector<uint32_t> ScanAvx2(const std::vector<uint32_t>& ctx, uint32_t beg,
                                                                     uint32_t end, const ContextKey& key, int allow,
                                                                     int partAllow) {
  std::vector<uint32_t> out;
  ScanRunAvx2(ctx.data(), beg, end, key, allow, partAllow, [&](uint32_t i) { out.push_back(i); });
  return out;
}

std::vector<uint32_t> ScanPortable(const std::vector<uint32_t>& ctx, uint32_t beg, uint32_t end,
                                   const ContextKey& key, int allow, int partAllow) {
  std::vector<uint32_t> out;
  ScanRunScalar(ctx.data(), beg, end, key, allow, partAllow, [&](uint32_t i) { out.push_back(i); });
  return out;
}

// Letters (2-bit groups) of a and b that differ among those of mask.
int Differ(uint32_t a, uint32_t b, uint32_t mask) {
  int d = 0;
  for (int l = 0; l < 16; ++l) {
    const uint32_t m = 3u << (2 * l);
    d += (mask & m) != 0 && (a & m) != (b & m);
  }
  return d;
}

// The entries a scan must find, letter by letter.
std::vector<uint32_t> Expected(const std::vector<uint32_t>& ctx, uint32_t beg, uint32_t end, const ContextKey& key,
                               int allow, int partAllow) {
  std::vector<uint32_t> out;
  for (uint32_t i = beg; i < end; ++i) {
    if (Differ(ctx[i], key.key, key.mask) <= allow && Differ(ctx[i], key.key, key.mask & key.partMask) <= partAllow) {
      out.push_back(i);
    }
  }
  return out;
}

TEST(BucketScanTest, BothBuildsFindTheEntriesWithinTheAllowances) {
  std::mt19937 rng(3);
  // Contexts near the key, so that every allowance finds some and misses some.
  const uint32_t code = 0xB1E45A2Du;
  std::vector<uint32_t> ctx(5000 + 16);
  for (uint32_t& c : ctx) {
    c = code;
    for (int k = static_cast<int>(rng() % 6); k > 0; --k) c ^= (1u + rng() % 3) << (2 * (rng() % 16));
  }
  const bool avx2 = ProcessorHasAvx2();
  int found = 0;
  for (int allow = 0; allow <= 3; ++allow) {
    for (uint32_t mask : {0xFFFFFFFFu, 0x0000FFFFu, 0xFF00F000u, 0x0FF00FF0u}) {
      for (auto [partMask, partAllow] : {std::pair<uint32_t, int>{0, 8}, {0xF000, 0}, {0xFFF0, 1}, {0xFFFF, 0},
                                         {0x0FFFFFFF, 2}, {0xFFFF0000, 0}, {0xF0F0FFFF, 1}}) {
        ContextKey key;
        key.mask = mask;
        key.key = code & mask;
        key.partMask = partMask;
        for (auto [beg, end] : {std::pair<uint32_t, uint32_t>{0, 5000}, {7, 8}, {3, 40}, {100, 100}, {4990, 5000}}) {
          const std::vector<uint32_t> want = Expected(ctx, beg, end, key, allow, partAllow);
          ASSERT_EQ(ScanPortable(ctx, beg, end, key, allow, partAllow), want) << allow << " " << mask << " " << partMask;
          if (avx2) {
            ASSERT_EQ(ScanAvx2(ctx, beg, end, key, allow, partAllow), want) << allow << " " << mask << " " << partMask;
          }
          found += static_cast<int>(want.size());
        }
      }
    }
  }
  EXPECT_GT(found, 1000);
}

__attribute__((target("popcnt"))) int CountWithPopcnt(unsigned x, unsigned keep) { return MisCount<true>(x, keep); }

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
