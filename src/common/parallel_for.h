// Splitting a linear pass over the genome among threads.
#ifndef QUORVANE_COMMON_PARALLEL_FOR_H_
#define QUORVANE_COMMON_PARALLEL_FOR_H_

#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

namespace quorvane {

// The threads a pass really uses: at least 1, at most the processor's, so
// that a large thread count costs no per-range buffers beyond them.
inline int PassThreads(int threads) {
  const int hardware = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  return std::clamp(threads, 1, hardware);
}

// Calls fn(t, begin, end) for ParallelRanges(threads, n) consecutive
// ranges covering [0, n), range t on its own thread (range 0 on the
// caller's). Passes of fewer than minPerThread elements per thread stay on
// the caller's thread.
template <typename Fn>
void ParallelFor(int threads, int64_t n, Fn&& fn, int64_t minPerThread = 1 << 16) {
  threads = PassThreads(threads);
  if (n / threads < minPerThread) threads = 1;
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t) {
    pool.emplace_back([&fn, t, threads, n] { fn(t, n * t / threads, n * (t + 1) / threads); });
  }
  fn(0, int64_t{0}, n / threads);
  for (std::thread& th : pool) th.join();
}

// The number of ranges ParallelFor uses for n elements.
inline int ParallelRanges(int threads, int64_t n, int64_t minPerThread = 1 << 16) {
  threads = PassThreads(threads);
  return n / threads < minPerThread ? 1 : threads;
}

}  // namespace quorvane

#endif  // QUORVANE_COMMON_PARALLEL_FOR_H_
