#include "saved_index/index_layout.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

namespace quorvane {
namespace {

inline uint64_t Rotl(uint64_t v, int r) { return v << r | v >> (64 - r); }

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;

inline uint64_t Mix(uint64_t h, uint64_t w) { return Rotl(h ^ (w * kPrime2), 31) * kPrime1; }

}  // namespace

uint64_t Checksum64(const void* data, size_t n) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  uint64_t h[4] = {kPrime1, kPrime2, kPrime1 ^ kPrime2, ~kPrime1};
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    uint64_t w[4];
    std::memcpy(w, p + i, 32);
    for (int k = 0; k < 4; ++k) h[k] = Mix(h[k], w[k]);
  }
  uint64_t tail = 0;
  for (int k = 0; i < n; ++i, ++k) {
    tail ^= static_cast<uint64_t>(p[i]) << (8 * (k & 7));
    if ((k & 7) == 7) {
      h[0] = Mix(h[0], tail);
      tail = 0;
    }
  }
  uint64_t out = Mix(Mix(Mix(Mix(static_cast<uint64_t>(n), h[0]), h[1]), h[2]), h[3]);
  out = Mix(out, tail);
  return out ^ (out >> 29);
}

bool IsSavedIndexHead(const std::string& head) {
  return head.size() >= sizeof kIndexMagic && std::memcmp(head.data(), kIndexMagic, sizeof kIndexMagic) == 0;
}

IndexSource SourceOf(const std::string& path) {
  IndexSource s;
  struct stat st;
  if (path == "-" || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return s;
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return s;
  s.path = real;
  std::free(real);
  s.size = st.st_size;
  s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return s;
}

std::string IndexDamaged(const std::string& why, const std::string& path) {
  return "saved index is damaged: " + why + "\n" + path;
}

Status CheckIndexHead(const IndexHead& h, uint64_t bytes, const std::string& path) {
  if (std::memcmp(h.magic, kIndexMagic, sizeof h.magic) != 0) return Status::BadInput("not a saved index\n" + path);
  if (h.version != kIndexVersion) {
    return Status::BadInput("saved index is of version " + std::to_string(h.version) + "; this program reads version " +
                            std::to_string(kIndexVersion) + ": make it again with quorvane-map index\n" + path);
  }
  if (h.fileBytes > bytes) return Status::BadInput("saved index is truncated\n" + path);
  if (h.fileBytes != bytes) return Status::BadInput(IndexDamaged("it is longer than its head says", path));
  return Status::OK();
}


}  // namespace quorvane
