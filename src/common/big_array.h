// Flat arrays of the genome's size, allocated without raising and backed by
// huge pages where the system offers them: fewer page faults while they
// fill, fewer address-translation misses while they are read at random.
#ifndef QUORVANE_COMMON_BIG_ARRAY_H_
#define QUORVANE_COMMON_BIG_ARRAY_H_

#include <cstddef>
#include <cstdlib>

namespace quorvane {

// Allocates bytes (rounded up) or returns nullptr; free with FreeBig.
void* AllocBig(size_t bytes);
void FreeBig(void* p);

// An array of n elements of a trivial type, owned; moves, never copies.
template <typename T>
class BigArray {
 public:
  BigArray() = default;
  ~BigArray() { reset(); }
  BigArray(const BigArray&) = delete;
  BigArray& operator=(const BigArray&) = delete;
  BigArray(BigArray&& o) noexcept : p_(o.p_) { o.p_ = nullptr; }
  BigArray& operator=(BigArray&& o) noexcept {
    if (this != &o) {
      reset();
      p_ = o.p_;
      o.p_ = nullptr;
    }
    return *this;
  }

  // Replaces the content by n uninitialised elements; false (and empty)
  // when the memory is not there.
  bool Allocate(size_t n) {
    reset();
    p_ = static_cast<T*>(AllocBig(n * sizeof(T)));
    return p_ != nullptr;
  }
  void reset() {
    FreeBig(p_);
    p_ = nullptr;
  }
  T* get() const { return p_; }
  T& operator[](size_t i) const { return p_[i]; }
  explicit operator bool() const { return p_ != nullptr; }

 private:
  T* p_ = nullptr;
};

}  // namespace quorvane

#endif  // QUORVANE_COMMON_BIG_ARRAY_H_
