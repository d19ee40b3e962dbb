#include "readers/line_source.h"

namespace quorvane {

Status LineSource::Next(ReadRecord& r, bool& more) {
  r = ReadRecord();
  LineCursor::Piece p;
  Status st = cursor_->Next(p, more);
  if (!st.ok() || !more) return st;
  int64_t length = static_cast<int64_t>(p.text.size());
  if (p.eol) {
    r.length = length;
    if (length <= kMaxLineLen) r.seq = p.text;
    return Status::OK();
  }
  // A line longer than any buffer: only its length counts.
  while (!p.eol) {
    st = cursor_->Next(p, more);
    if (!st.ok()) return st;
    length += static_cast<int64_t>(p.text.size());
  }
  r.length = length;
  more = true;
  return Status::OK();
}

}  // namespace quorvane
