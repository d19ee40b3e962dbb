// The plain reads file: one read per line.
#ifndef QUORVANE_READERS_LINE_SOURCE_H_
#define QUORVANE_READERS_LINE_SOURCE_H_

#include <cstdint>
#include <memory>

#include "readers/line_cursor.h"
#include "readers/read_source.h"

namespace quorvane {

// Lines longer than this are delivered without their letters.
inline constexpr int64_t kMaxLineLen = 1025;

// Every line is a read, empty ones included; CR LF and LF give the same
// lines (see LineCursor). A line of more than kMaxLineLen characters is
// consumed whole and given with its length but without its letters.
class LineSource final : public ReadSource {
 public:
  explicit LineSource(std::unique_ptr<LineCursor> cursor) : cursor_(std::move(cursor)) {}

  Status Next(ReadRecord& r, bool& more) override;
  int64_t bytesRead() const override { return cursor_->consumed(); }

 private:
  std::unique_ptr<LineCursor> cursor_;
};

}  // namespace quorvane

#endif  // QUORVANE_READERS_LINE_SOURCE_H_
