// BGZF blocks as BAM readers take them, and the thread that writes the
// pieces of a SAM or BAM file in order.
#include <zlib.h>

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>
#include <vector>

#include "writers/background_writer.h"
#include "writers/bgzf_block.h"

namespace quorvane {
namespace {

uint32_t Le(const std::string& s, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(s[at + static_cast<size_t>(i)]);
  return v;
}

// The blocks of a BGZF stream, each checked as a BAM reader checks it:
// the gzip member with its "BC" field holding the block's size - 1, at
// most 64 KiB. Returns the input of every block.
std::vector<std::string> Blocks(const std::string& bgzf) {
  std::vector<std::string> out;
  for (size_t at = 0; at < bgzf.size();) {
    EXPECT_GE(bgzf.size() - at, size_t{28});
    EXPECT_EQ(bgzf.substr(at, 4), std::string("\x1f\x8b\x08\x04", 4));
    EXPECT_EQ(bgzf.substr(at + 12, 4), std::string("BC\x02\x00", 4));
    const size_t size = Le(bgzf, at + 16, 2) + 1;
    EXPECT_LE(at + size, bgzf.size());
    std::string input(Le(bgzf, at + size - 4, 4), '\0');
    z_stream z{};
    EXPECT_EQ(inflateInit2(&z, 16 + 15), Z_OK);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bgzf.data() + at));
    z.avail_in = static_cast<uInt>(size);
    z.next_out = reinterpret_cast<Bytef*>(input.data());
    z.avail_out = static_cast<uInt>(input.size());
    // The member ends where the block does, its CRC checked by zlib.
    EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
    EXPECT_EQ(z.avail_in, 0u);
    EXPECT_EQ(z.avail_out, 0u);
    inflateEnd(&z);
    out.push_back(input);
    at += size;
  }
  return out;
}

TEST(BgzfBlockTest, BlocksHoldTheBytesInOrderStoredOrCompressed) {
  std::mt19937 rng(3);
  std::string bytes;
  // Records of letters and repeated qualities, then bytes that do not
  // compress at all: three full blocks and a short one.
  while (bytes.size() < 2 * kBgzfBlockInput) bytes += std::string(50, "ACGT"[rng() % 4]) + std::string(100, '\xff');
  while (bytes.size() < 3 * kBgzfBlockInput + 1000) bytes += static_cast<char>(rng());
  for (int level : {0, 1}) {
    std::string out;
    BgzfCompressor c(level);
    c.Compress(bytes.data(), bytes.size(), out);
    const std::vector<std::string> blocks = Blocks(out);
    ASSERT_EQ(blocks.size(), 4u) << level;
    std::string joined;
    for (size_t i = 0; i < blocks.size(); ++i) {
      EXPECT_EQ(blocks[i].size(), i < 3 ? kBgzfBlockInput : 1000) << level;
      joined += blocks[i];
    }
    EXPECT_EQ(joined, bytes) << level;
    if (level == 1) {
      EXPECT_LT(out.size(), bytes.size() * 3 / 4);
    } else {
      EXPECT_GT(out.size(), bytes.size());
    }
    // Nothing in, no block out.
    out.clear();
    c.Compress(bytes.data(), 0, out);
    EXPECT_EQ(out, "");
  }
  // The end block is an empty block of 28 bytes.
  const std::vector<std::string> end = Blocks(std::string(BgzfEndBlock()));
  ASSERT_EQ(end.size(), 1u);
  EXPECT_EQ(end[0], "");
  EXPECT_EQ(BgzfEndBlock().size(), 28u);
}

TEST(BackgroundWriterTest, PiecesAreWorkedOnInOrderUntilTheFirstFailure) {
  std::string written;
  std::atomic<int> calls{0};
  {
    BackgroundWriter w(
        [&](std::string& piece) {
          ++calls;
          if (piece == "bad") return Status::IoError("can't write x");
          written += piece;
          return Status::OK();
        },
        8);
    for (int i = 0; i < 1000; ++i) {
      std::string piece = std::to_string(i) + ",";
      ASSERT_TRUE(w.Push(piece).ok());
      EXPECT_EQ(piece, "");  // taken
    }
    // One piece above the bound goes in too.
    std::string big(100, 'x');
    EXPECT_TRUE(w.Push(big).ok());
    EXPECT_TRUE(w.Drain().ok());
    std::string expect;
    for (int i = 0; i < 1000; ++i) expect += std::to_string(i) + ",";
    EXPECT_EQ(written, expect + std::string(100, 'x'));

    // The first failure stays; what follows it is dropped.
    std::string bad = "bad";
    w.Push(bad).ok();
    EXPECT_EQ(w.Drain().message(), "can't write x");
    std::string later = "later";
    EXPECT_EQ(w.Push(later).message(), "can't write x");
    EXPECT_EQ(w.Drain().message(), "can't write x");
    EXPECT_EQ(written.find("later"), std::string::npos);
  }
  EXPECT_EQ(calls.load(), 1002);
}

}  // namespace
}  // namespace quorvane
