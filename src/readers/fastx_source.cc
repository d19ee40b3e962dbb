#include "readers/fastx_source.h"

namespace quorvane {
namespace {

// Longest name kept, as SAM allows.
constexpr size_t kMaxName = 254;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

Status FastxSource::Malformed(const std::string& what) const {
  return Status::BadInput(std::string("malformed ") + (kind_ == Kind::kFastq ? "FASTQ" : "FASTA") + " record " +
                          std::to_string(record_) + " at line " + std::to_string(recordLine_) + " of " +
                          cursor_->path() + ": " + what);
}

Status FastxSource::ReadHeader(LineCursor::Piece p) {
  name_.clear();
  bool inName = true;
  std::string_view t = p.text.substr(1);  // after the marker
  for (;;) {
    for (char c : t) {
      if (IsBlank(c)) inName = false;
      if (inName && name_.size() < kMaxName) name_.push_back(c);
    }
    if (p.eol) return Status::OK();
    bool more = false;
    Status st = cursor_->Next(p, more);
    if (!st.ok()) return st;
    t = p.text;
  }
}

Status FastxSource::ReadLine(LineCursor::Piece p, std::string& text, int64_t& n) {
  for (;;) {
    n += static_cast<int64_t>(p.text.size());
    const size_t room = kMaxKeptLetters + 1 > text.size() ? kMaxKeptLetters + 1 - text.size() : 0;
    text.append(p.text.substr(0, room));
    if (p.eol) return Status::OK();
    bool more = false;
    Status st = cursor_->Next(p, more);
    if (!st.ok()) return st;
  }
}

Status FastxSource::Next(ReadRecord& r, bool& more) {
  r = ReadRecord();
  // After a failure the source gives nothing more, the failure again.
  if (!failed_.ok()) {
    more = false;
    return failed_;
  }
  Status st = kind_ == Kind::kFastq ? NextFastq(r, more) : NextFasta(r, more);
  if (!st.ok()) {
    failed_ = st;
    more = false;
  }
  return st;
}

Status FastxSource::BeginRecord(char marker, bool& more) {
  LineCursor::Piece p;
  do {
    Status st = cursor_->Next(p, more);
    if (!st.ok() || !more) return st;
  } while (p.text.empty() && p.eol);
  ++record_;
  recordLine_ = cursor_->line();
  if (p.text.empty() || p.text[0] != marker) return Malformed(std::string("no '") + marker + "' at its start");
  return ReadHeader(p);
}

Status FastxSource::NextFasta(ReadRecord& r, bool& more) {
  LineCursor::Piece p;
  if (!pending_) {
    Status st = BeginRecord('>', more);
    if (!st.ok() || !more) return st;
  } else {
    ++record_;
    recordLine_ = pendingLine_;
    name_ = pendingName_;
    pending_ = false;
  }
  seq_.clear();
  int64_t n = 0;
  for (;;) {
    bool any = false;
    Status st = cursor_->Next(p, any);
    if (!st.ok()) return st;
    if (!any) break;
    if (!p.text.empty() && p.text[0] == '>') {
      const std::string name = name_;
      pendingLine_ = cursor_->line();
      st = ReadHeader(p);
      if (!st.ok()) return st;
      pendingName_.swap(name_);
      name_ = name;
      pending_ = true;
      break;
    }
    st = ReadLine(p, seq_, n);
    if (!st.ok()) return st;
  }
  r.name = name_;
  r.length = n;
  if (n <= kMaxKeptLetters) r.seq = seq_;
  more = true;
  return Status::OK();
}

Status FastxSource::NextFastq(ReadRecord& r, bool& more) {
  LineCursor::Piece p;
  Status st = BeginRecord('@', more);
  if (!st.ok() || !more) return st;

  seq_.clear();
  int64_t n = 0;
  for (;;) {  // sequence lines up to the '+' line
    bool any = false;
    st = cursor_->Next(p, any);
    if (!st.ok()) return st;
    if (!any) return Malformed("cut short");
    if (!p.text.empty() && p.text[0] == '+') {
      std::string ignored;
      int64_t skipped = 0;
      st = ReadLine(p, ignored, skipped);
      if (!st.ok()) return st;
      break;
    }
    st = ReadLine(p, seq_, n);
    if (!st.ok()) return st;
  }
  qual_.clear();
  int64_t q = 0;
  while (q < n) {  // quality lines until there are as many as letters
    bool any = false;
    st = cursor_->Next(p, any);
    if (!st.ok()) return st;
    if (!any) return Malformed("cut short");
    st = ReadLine(p, qual_, q);
    if (!st.ok()) return st;
  }
  // Quality lines are taken until they cover the letters, so a short one
  // shows as one that runs on into the next record.
  if (q != n) return Malformed("a quality string of another length than its " + std::to_string(n) + " letters");
  r.name = name_;
  r.length = n;
  if (n <= kMaxKeptLetters) {
    r.seq = seq_;
    r.qual = qual_;
  }
  more = true;
  return Status::OK();
}

}  // namespace quorvane
