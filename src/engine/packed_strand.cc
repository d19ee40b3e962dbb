#include "engine/packed_strand.h"

#include <algorithm>
#include <cstddef>

#include "common/nucleotide.h"

namespace quorvane {
namespace {

// Per byte, on either strand: its code, or 4 for a letter other than A,
// C, G, T.
struct PackTables {
  uint8_t direct[256] = {};
  uint8_t compl_[256] = {};
  PackTables() {
    for (int b = 0; b < 256; ++b) {
      const uint8_t c = CodeOf(static_cast<char>(b));
      direct[b] = c == kNoCode ? 4 : c;
      compl_[b] = c == kNoCode ? 4 : static_cast<uint8_t>(3 - c);
    }
  }
};
const PackTables kPack;

// Both bits of every slot in [from, to) of the 32 slots of word j.
uint64_t SlotBits(int j, int from, int to) {
  const int a = std::clamp(from - 32 * j, 0, 32), b = std::clamp(to - 32 * j, 0, 32);
  if (a >= b) return 0;
  const uint64_t upTo = b == 32 ? ~uint64_t{0} : ~(~uint64_t{0} >> (2 * b));  // slots 0 .. b-1
  return upTo & (~uint64_t{0} >> (2 * a));                                   // and a .. 31
}

}  // namespace

void PackedStrand::Pack(const char* rd, int32_t len, int32_t reach, bool reverse) {
  const int32_t n = std::min({len, reach, kPlanSpan + 16});
  const uint8_t* table = reverse ? kPack.compl_ : kPack.direct;
  const int end = kFront + n;  // one past the last slot in use
  // The letter of slot s is at first[step * (s - kFront)].
  const unsigned char* first = reinterpret_cast<const unsigned char*>(reverse ? rd + len - 1 : rd);
  const ptrdiff_t step = reverse ? -1 : 1;
  for (int j = 0; j < kWords; ++j) {
    const int from = std::max(32 * j, kFront), to = std::min(32 * j + 32, end);
    uint64_t code = 0;
    unsigned any = 0;  // 4 is set where some letter has no code
    const unsigned char* at = first + step * (from - kFront);
    for (int slot = from; slot < to; ++slot, at += step) {
      const unsigned c = table[*at];
      code = code << 2 | (c & 3);
      any |= c;
    }
    const int used = std::max(0, to - 32 * j);
    code_[j] = used == 0 ? 0 : code << (2 * (32 - used));
    uint64_t none = 0;
    if (any & 4) {
      at = first + step * (from - kFront);
      for (int slot = from; slot < to; ++slot, at += step) {
        if (table[*at] == 4) none |= uint64_t{3} << (2 * (31 - (slot & 31)));
      }
    }
    uncoded_[j] = none;
    coded_[j] = SlotBits(j, kFront, end) & ~none;
  }
}

}  // namespace quorvane
