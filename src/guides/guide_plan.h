// How a guide is looked up in a PAM site table: the keys of its letters
// within a share of its mismatches, and the mismatches of any key against
// its letters.
#ifndef QUORVANE_GUIDES_GUIDE_PLAN_H_
#define QUORVANE_GUIDES_GUIDE_PLAN_H_

#include <cstdint>
#include <utility>
#include <vector>

#include "guides/guide_query.h"
#include "guides/site_table.h"

namespace quorvane {

// The bits set in x, by adding neighbouring fields (the processor's
// popcount instruction is not assumed).
inline int BitsSet(uint32_t x) {
  x = x - ((x >> 1) & 0x55555555u);
  x = (x & 0x33333333u) + ((x >> 2) & 0x33333333u);
  x = (x + (x >> 4)) & 0x0f0f0f0fu;
  return static_cast<int>((x * 0x01010101u) >> 24);
}

// The mismatches of a key of k letters (letter 0 most significant) against
// the base sets of k letters, by XOR where each letter is one base, else
// by tables of the key's two halves; a letter at or past `used` costs
// nothing.
class MisTable {
 public:
  // Sets the letters: k of them, those at or past used costing nothing.
  void Build(const uint8_t* sets, int k, int used);
  int operator()(uint32_t key) const {
    if (plain_) {
      const uint32_t x = key ^ code_;
      return BitsSet((x | x >> 1) & used_);
    }
    return hi_[key >> (2 * lo_)] + low_[key & loMask_];
  }

 private:
  bool plain_ = false;
  uint32_t code_ = 0, used_ = 0;  // the letters' codes and the low bit of each used letter
  int lo_ = 0;
  uint32_t loMask_ = 0;
  std::vector<uint8_t> hi_, low_;
};

// Keys of n letters within t mismatches of the base sets: how many, by the
// number of mismatches, without listing them.
double KeysWithin(const uint8_t* sets, int n, int t);

// Lists every key of n letters within t mismatches of the base sets, with
// its mismatches.
void ListKeys(const uint8_t* sets, int n, int t, std::vector<std::pair<uint32_t, int>>& out);

// How one guide is looked up.
struct GuidePlan {
  uint32_t index = 0;  // in the list searched
  int length = 0;
  uint8_t sets[kMaxGuideLen] = {};  // its letters' base sets, from the PAM outwards
  int farLetters = 0;               // letters of the far key within the guide
  int tNear = 0, tFar = -1;         // mismatches looked up in each key; -1: no lookup
  bool everySite = false;           // compare with every regular site instead
  MisTable nearMis, farMis;
};

// The plan of guide g (index in the list searched) for table t at mis
// mismatches: the cheapest split of them between the near and the far
// lookups (tN + tF = mis - 1), or every site when that costs less.
GuidePlan PlanGuide(const SiteTableView& t, const Guide& g, uint32_t index, int mis);

}  // namespace quorvane

#endif  // QUORVANE_GUIDES_GUIDE_PLAN_H_
