// BGZF, the blocked gzip of BAM files: bytes cut into gzip members of at
// most 64 KiB each, every one carrying its own size, so that a reader can
// find any block. Blocks are made on any thread, each by its own
// compressor, and written one after the other.
#ifndef QUORVANE_WRITERS_BGZF_BLOCK_H_
#define QUORVANE_WRITERS_BGZF_BLOCK_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// Input bytes of one full block, as every BGZF writer cuts them.
inline constexpr size_t kBgzfBlockInput = 0xff00;

// The empty block that ends every BGZF file.
std::string_view BgzfEndBlock();

class BgzfCompressor {
 public:
  // level 0 stores the bytes as they are (an uncompressed BAM file, the
  // quickest for a pipe into another program); 1 compresses them with the
  // fastest deflate there is.
  explicit BgzfCompressor(int level);

  // Appends to out the blocks of n bytes at data: full blocks of
  // kBgzfBlockInput bytes, then one block for what is left (none when n
  // is 0).
  void Compress(const char* data, size_t n, std::string& out);

 private:
  // Appends the one block of n <= kBgzfBlockInput bytes.
  void Block(const char* data, size_t n, std::string& out);
  // Appends the deflate data of n bytes as stored blocks; returns its size.
  static size_t Store(const char* data, size_t n, char* to);

  int level_;
  std::vector<uint8_t> work_;       // the compressor's tables
  std::unique_ptr<char[]> block_;  // one block as it is made
};

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_BGZF_BLOCK_H_
