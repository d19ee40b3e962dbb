#include "writers/bgzf_block.h"

#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>

#include <cstring>

namespace quorvane {
namespace {

// gzip member with the extra field "BC" that holds the block's size - 1.
constexpr unsigned char kHeader[18] = {0x1f, 0x8b, 8, 4, 0, 0, 0, 0, 0, 0xff, 6, 0, 'B', 'C', 2, 0, 0, 0};
constexpr size_t kHeaderBytes = sizeof kHeader;
constexpr size_t kTrailerBytes = 8;  // CRC32 and the input size
// A block with its header and trailer takes at most 64 KiB.
constexpr size_t kMaxBlock = size_t{1} << 16;
constexpr size_t kMaxDeflate = kMaxBlock - kHeaderBytes - kTrailerBytes;

constexpr char kEnd[28] = {'\x1f', '\x8b', 8, 4, 0, 0, 0, 0, 0, '\xff', 6, 0, 'B', 'C', 2, 0,
                           0x1b,   0,      3, 0, 0, 0, 0, 0, 0, 0,      0, 0};

void PutLe16(char* p, uint32_t v) {
  p[0] = static_cast<char>(v & 0xff);
  p[1] = static_cast<char>((v >> 8) & 0xff);
}

void PutLe32(char* p, uint32_t v) {
  PutLe16(p, v & 0xffff);
  PutLe16(p + 2, v >> 16);
}

}  // namespace

std::string_view BgzfEndBlock() { return {kEnd, sizeof kEnd}; }

BgzfCompressor::BgzfCompressor(int level) : level_(level), block_(new char[kMaxBlock]) {
  if (level_ > 0) work_.resize(ISAL_DEF_LVL1_DEFAULT);
}

void BgzfCompressor::Compress(const char* data, size_t n, std::string& out) {
  while (n > 0) {
    const size_t take = n < kBgzfBlockInput ? n : kBgzfBlockInput;
    Block(data, take, out);
    data += take;
    n -= take;
  }
}

size_t BgzfCompressor::Store(const char* data, size_t n, char* to) {
  // One final stored block: its type, its length and the length's
  // complement, then the bytes.
  to[0] = 1;
  PutLe16(to + 1, static_cast<uint32_t>(n));
  PutLe16(to + 3, static_cast<uint32_t>(~n & 0xffff));
  std::memcpy(to + 5, data, n);
  return n + 5;
}

void BgzfCompressor::Block(const char* data, size_t n, std::string& out) {
  char* block = block_.get();
  std::memcpy(block, kHeader, kHeaderBytes);
  char* body = block + kHeaderBytes;
  size_t deflated = 0;
  if (level_ > 0) {
    isal_zstream z;
    isal_deflate_stateless_init(&z);
    z.level = 1;
    z.level_buf = work_.data();
    z.level_buf_size = static_cast<uint32_t>(work_.size());
    z.next_in = reinterpret_cast<uint8_t*>(const_cast<char*>(data));
    z.avail_in = static_cast<uint32_t>(n);
    z.next_out = reinterpret_cast<uint8_t*>(body);
    z.avail_out = static_cast<uint32_t>(kMaxDeflate);
    z.end_of_stream = 1;
    z.flush = NO_FLUSH;
    z.gzip_flag = IGZIP_DEFLATE;
    if (isal_deflate_stateless(&z) == COMP_OK && z.avail_in == 0) deflated = z.total_out;
  }
  // Bytes that do not shrink are stored as they are.
  if (deflated == 0) deflated = Store(data, n, body);
  const size_t size = kHeaderBytes + deflated + kTrailerBytes;
  PutLe16(block + 16, static_cast<uint32_t>(size - 1));
  PutLe32(body + deflated, crc32_gzip_refl(0, reinterpret_cast<const uint8_t*>(data), n));
  PutLe32(body + deflated + 4, static_cast<uint32_t>(n));
  out.append(block, size);
}

}  // namespace quorvane
