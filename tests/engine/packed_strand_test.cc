// The packed letters of a read's strands give the seed codes, the marks of
// the letters in the read and of those other than A, C, G, T of any 8
// letters around a piece.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "common/nucleotide.h"
#include "engine/packed_strand.h"
#include "test_util.h"

namespace quorvane {
namespace {

struct Window {
  unsigned code = 0, coded = 0, uncoded = 0;
};

// The 8 letters from offset k of strand s, letter by letter.
Window Expected(const std::string& s, int reach, int k) {
  Window w;
  for (int j = 0; j < 8; ++j) {
    const int i = k + j;
    unsigned c = 0, in = 0, none = 0;
    if (i >= 0 && i < std::min<int>(static_cast<int>(s.size()), reach)) {
      const uint8_t code = CodeOf(s[static_cast<size_t>(i)]);
      if (code == kNoCode) {
        none = 3;
      } else {
        c = code;
        in = 3;
      }
    }
    w.code = w.code << 2 | c;
    w.coded = w.coded << 2 | in;
    w.uncoded = w.uncoded << 2 | none;
  }
  return w;
}

TEST(PackedStrandTest, WindowsMatchTheLettersOnBothStrands) {
  std::mt19937 rng(8);
  for (int len : {12, 15, 16, 17, 20, 31, 32, 33, 47, 64, 80, 81, 100, 1024}) {
    for (int round = 0; round < 6; ++round) {
      std::string rd = test::RandomLetters(rng, static_cast<size_t>(len), round % 2 ? "ACGTacgt" : "ACGTacgtNnRy");
      const std::string rc = test::ReverseComplement(rd);
      for (int reach : {24, 48, kPlanSpan + 16}) {
        for (bool reverse : {false, true}) {
          PackedStrand p;
          p.Pack(rd.data(), len, reach, reverse);
          const std::string& s = reverse ? rc : rd;
          bool anyNone = false;
          for (int i = 0; i < std::min(len, reach); ++i) anyNone |= CodeOf(s[static_cast<size_t>(i)]) == kNoCode;
          EXPECT_EQ(p.HasUncoded(), anyNone);
          for (int k = -8; k < kPlanSpan + 8; ++k) {
            const Window w = Expected(s, std::min(reach, kPlanSpan + 16), k);
            ASSERT_EQ(p.Code(k), w.code) << len << " " << reach << " " << reverse << " " << k;
            ASSERT_EQ(p.Coded(k), w.coded) << len << " " << reach << " " << reverse << " " << k;
            ASSERT_EQ(p.Uncoded(k), w.uncoded) << len << " " << reach << " " << reverse << " " << k;
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace quorvane
