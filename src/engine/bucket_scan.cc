#include "engine/bucket_scan.h"

#include <cstdlib>
#include <cstring>

namespace quorvane {

bool ProcessorHasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt");
}

bool UseAvx2() {
  static const bool use = [] {
    const char* force = std::getenv("QUORVANE_SCAN");
    if (force != nullptr && std::strcmp(force, "scalar") == 0) return false;
    return ProcessorHasAvx2();
  }();
  return use;
}

}  // namespace quorvane
