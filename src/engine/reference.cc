#include "engine/reference.h"

#include <algorithm>
#include <cstring>

namespace quorvane {
namespace {
const char kNoMemMsg[] = "no mem sqD and sqC";
}  // namespace

Status Reference::Grow(int64_t need) {
  if (need > kMaxGnmLen) return Status::BadInput("genome is too big");
  if (need <= capacity_ && (letters_ || view_ != nullptr)) return Status::OK();
  if (view_ != nullptr) return Status::BadInput("genome is too big");  // a view never grows
  // Doubling keeps appends linear; a loader that reserved never gets here.
  const int64_t cap = std::max<int64_t>(need, std::min<int64_t>(kMaxGnmLen, capacity_ * 2));
  BigArray<char> bigger;
  if (!bigger.Allocate(static_cast<size_t>(cap + kLetterPad))) return Status::NoMemory(kNoMemMsg);
  if (total_ > 0) std::memcpy(bigger.get(), letters_.get(), static_cast<size_t>(total_));
  // Only the pad past the letters is set: Extend moves it along, so the
  // rest of the capacity is never touched before it holds letters.
  std::memset(bigger.get() + total_, 'A', static_cast<size_t>(kLetterPad));
  letters_ = std::move(bigger);
  capacity_ = cap;
  return Status::OK();
}

Reference Reference::View(std::vector<RefSeq> seqs, const char* letters, int64_t total,
                           std::shared_ptr<const void> keep) {
  Reference r;
  r.seqs_ = std::move(seqs);
  r.view_ = letters;
  r.total_ = total;
  r.capacity_ = total;
  r.keep_ = std::move(keep);
  return r;
}

void Reference::ShrinkToFit() {
  if (view_ != nullptr || !letters_ || capacity_ - total_ <= total_ / 16) return;
  BigArray<char> fit;
  if (!fit.Allocate(static_cast<size_t>(total_ + kLetterPad))) return;
  std::memcpy(fit.get(), letters_.get(), static_cast<size_t>(total_ + kLetterPad));
  letters_ = std::move(fit);
  capacity_ = total_;
}

Status Reference::Reserve(int64_t n) { return Grow(total_ + n); }

void Reference::BeginSequence(std::string name, bool circular) {
  RefSeq s;
  s.name = std::move(name);
  s.offset = total_;
  s.circular = circular;
  seqs_.push_back(std::move(s));
}

char* Reference::Extend(size_t n, Status& status) {
  status = Grow(total_ + static_cast<int64_t>(n));
  if (!status.ok()) return nullptr;
  char* at = letters_.get() + total_;
  total_ += static_cast<int64_t>(n);
  seqs_.back().length += static_cast<int64_t>(n);
  std::memset(letters_.get() + total_, 'A', static_cast<size_t>(kLetterPad));
  return at;
}

void Reference::Shrink(size_t n) {
  total_ -= static_cast<int64_t>(n);
  seqs_.back().length -= static_cast<int64_t>(n);
  std::memset(letters_.get() + total_, 'A', n);
}

Status Reference::Append(const char* letters, size_t n) {
  Status st;
  char* at = Extend(n, st);
  if (at != nullptr && n > 0) std::memcpy(at, letters, n);
  return st;
}

Status Reference::AddSequence(std::string name, std::string_view letters, bool circular) {
  BeginSequence(std::move(name), circular);
  if (!letters_) {
    Status st = Grow(static_cast<int64_t>(letters.size()));
    if (!st.ok()) return st;
  }
  return Append(letters.data(), letters.size());
}

uint32_t Reference::FindSeq(int64_t g) const {
  // The last sequence that begins at or before g; empty sequences share
  // their offset with the next one and are passed over.
  auto it = std::upper_bound(seqs_.begin(), seqs_.end(), g,
                             [](int64_t v, const RefSeq& s) { return v < s.offset; });
  return static_cast<uint32_t>(it - seqs_.begin()) - 1;
}

}  // namespace quorvane
