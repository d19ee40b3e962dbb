#include "common/big_array.h"

#include <sys/mman.h>

namespace quorvane {
namespace {
constexpr size_t kHugePage = size_t{2} << 20;
}  // namespace

void* AllocBig(size_t bytes) {
  if (bytes == 0) bytes = 1;  // a real block even for an empty genome
  if (bytes < kHugePage) return std::malloc(bytes);
  const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* p = std::aligned_alloc(kHugePage, rounded);
#ifdef MADV_HUGEPAGE
  if (p != nullptr) madvise(p, rounded, MADV_HUGEPAGE);
#endif
  return p;
}

void FreeBig(void* p) { std::free(p); }

}  // namespace quorvane
