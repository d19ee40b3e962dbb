#include "saved_index/index_layout.h"

#include <isa-l/crc64.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

namespace quorvane {

uint64_t BlockSum(const void* data, size_t n, uint64_t crc) {
  return crc64_ecma_refl(crc, static_cast<const uint8_t*>(data), static_cast<uint64_t>(n));
}

std::vector<BodySection> BodySections(const IndexHead& h, const std::vector<PamTableEntry>& pams) {
  std::vector<BodySection> s;
  auto add = [&](const std::string& name, uint64_t at) { s.push_back(BodySection{name, at, 0, 0, 0}); };
  add("its letters", h.lettersAt);
  add("its bucket starts", h.offAt);
  add("its positions", h.posAt);
  add("its contexts", h.ctxAt);
  if (h.segments > 1) add("its segment starts", h.segAt);
  for (const PamTableEntry& p : pams) {
    const std::string pam(p.pam, strnlen(p.pam, sizeof p.pam));
    const std::string of = " of its " + pam + (p.fivePrime ? " (5')" : "") + " sites";
    add("the near keys" + of, p.nearAt);
    add("the far keys" + of, p.farAt);
    add("the near key starts" + of, p.nearStartsAt);
    add("the far key starts" + of, p.farStartsAt);
    add("the odd sites" + of, p.oddAt);
  }
  const uint64_t block = uint64_t{1} << h.blockShift;
  uint64_t first = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    s[i].end = i + 1 < s.size() ? s[i + 1].at : h.sumsAt;
    if (s[i].end < s[i].at || (i == 0 && s[i].at != h.lettersAt)) return {};
    s[i].firstBlock = first;
    s[i].blocks = (s[i].end - s[i].at + block - 1) / block;
    first += s[i].blocks;
  }
  return s;
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
  return "saved index is damaged: " + why + ": make it again with quorvane-map index\n" + path;
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
