#include "mem_env.h"

#include <zlib.h>

#include <stdexcept>

namespace quorvane::fuzz {

std::string Gzip(std::string_view content, int members) {
  std::string out;
  members = std::max(1, members);
  for (int m = 0; m < members; ++m) {
    const size_t from = content.size() * static_cast<size_t>(m) / static_cast<size_t>(members);
    const size_t to = content.size() * static_cast<size_t>(m + 1) / static_cast<size_t>(members);
    z_stream z{};
    // 15 window bits + 16: a gzip header and trailer.
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
      throw std::runtime_error("deflateInit2");
    }
    std::string piece(deflateBound(&z, static_cast<uLong>(to - from)) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data() + from));
    z.avail_in = static_cast<uInt>(to - from);
    z.next_out = reinterpret_cast<Bytef*>(piece.data());
    z.avail_out = static_cast<uInt>(piece.size());
    const int rc = deflate(&z, Z_FINISH);
    deflateEnd(&z);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
    out.append(piece.data(), piece.size() - z.avail_out);
  }
  return out;
}

}  // namespace quorvane::fuzz
