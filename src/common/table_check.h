// The check a search makes before it uses bytes of tables mapped from a
// file: that they are the bytes written, block by block. A saved index
// implements it; a search holds only this seam, so that it never depends
// on the file's layout.
#ifndef QUORVANE_COMMON_TABLE_CHECK_H_
#define QUORVANE_COMMON_TABLE_CHECK_H_

#include <cstddef>

#include "common/status.h"

namespace quorvane {

class TableCheck {
 public:
  virtual ~TableCheck() = default;

  // Whether the bytes bytes at p (inside the checked mapping) are whole:
  // every block they touch verified against its checksum, now or before.
  // False when one of them is damaged; failure() then says which. Any
  // number of threads may ask at once.
  virtual bool Whole(const void* p, size_t bytes) = 0;

  // The first damage found, as the run's message; OK while none.
  virtual Status failure() const = 0;
};

}  // namespace quorvane

#endif  // QUORVANE_COMMON_TABLE_CHECK_H_
