// The letters of one strand of a read that the lookups compare, packed two
// bits a letter, so that any 8 of them form a seed code by a shift.
#ifndef QUORVANE_ENGINE_PACKED_STRAND_H_
#define QUORVANE_ENGINE_PACKED_STRAND_H_

#include <cstdint>

#include "engine/piece_plan.h"

namespace quorvane {

// Letter k of the strand (0 <= k < kPlanSpan + 16) stands in slot k + 8;
// the 8 slots before the strand's start and the slots past its end hold
// no letter.
class PackedStrand {
 public:
  // Packs the first reach letters (at most kPlanSpan + 16; the slots past
  // them hold none) of the read rd of len letters, or with reverse those
  // of its reverse complement.
  void Pack(const char* rd, int32_t len, int32_t reach, bool reverse);

  // Over the 8 letters from read offset k (-8 <= k < kPlanSpan + 8), in
  // the layout of a seed code: their codes (0 where there is none), both
  // bits of each letter of the read that has a code, and both bits of
  // each letter of the read that is other than A, C, G, T.
  unsigned Code(int k) const { return Window(code_, k + kFront); }
  unsigned Coded(int k) const { return Window(coded_, k + kFront); }
  unsigned Uncoded(int k) const { return Window(uncoded_, k + kFront); }
  // Whether any packed letter is other than A, C, G, T.
  bool HasUncoded() const { return hasUncoded_; }

 private:
  static constexpr int kFront = 8;
  static constexpr int kWords = (kFront + kPlanSpan + 16 + 8 + 31) / 32 + 1;

  // The 16 bits of slots s .. s+7, slot s highest.
  static unsigned Window(const uint64_t* w, int s) {
    const int j = s >> 5, r = s & 31;
    const uint64_t v = r <= 24 ? w[j] >> (2 * (24 - r)) : w[j] << (2 * (r - 24)) | w[j + 1] >> (64 - 2 * (r - 24));
    return static_cast<unsigned>(v & 0xFFFFu);
  }

  uint64_t code_[kWords];
  uint64_t coded_[kWords];
  uint64_t uncoded_[kWords];
  bool hasUncoded_ = false;
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_PACKED_STRAND_H_
