#include "common/memory_policy.h"

#include <malloc.h>

namespace quorvane {

void SetMemoryPolicy() {
  mallopt(M_MMAP_THRESHOLD, 4 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 8 * 1024 * 1024);
}

}  // namespace quorvane
