// How the program's allocator treats large blocks.
#ifndef QUORVANE_COMMON_MEMORY_POLICY_H_
#define QUORVANE_COMMON_MEMORY_POLICY_H_

namespace quorvane {

// Makes every block of 4 MiB or more a mapping of its own, given back to
// the system when it is freed, and trims the heap's free top past 8 MiB:
// the buffers of a read with very many hits then leave no resident memory
// behind, which the allocator would otherwise keep (it raises its threshold
// after each large free). Call once, before the first thread starts.
void SetMemoryPolicy();

}  // namespace quorvane

#endif  // QUORVANE_COMMON_MEMORY_POLICY_H_
