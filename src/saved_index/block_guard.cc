#include "saved_index/block_guard.h"

#include <algorithm>

#include "common/parallel_for.h"

namespace quorvane {

BlockGuard::BlockGuard(const char* base, std::vector<BodySection> sections, const uint64_t* sums,
                       uint32_t blockShift, std::string path)
    : base_(base), sections_(std::move(sections)), sums_(sums), shift_(blockShift), path_(std::move(path)) {
  const uint64_t blocks = sections_.empty() ? 0 : sections_.back().firstBlock + sections_.back().blocks;
  state_ = std::make_unique<std::atomic<uint8_t>[]>(static_cast<size_t>(blocks));
  for (uint64_t b = 0; b < blocks; ++b) state_[b].store(0, std::memory_order_relaxed);
}

bool BlockGuard::VerifyBlock(size_t s, uint64_t b) {
  std::atomic<uint8_t>& state = state_[b];
  const uint8_t known = state.load(std::memory_order_acquire);
  if (known != 0) return known == 1;
  const BodySection& sec = sections_[s];
  const uint64_t from = sec.at + ((b - sec.firstBlock) << shift_);
  const uint64_t to = std::min(sec.end, from + (uint64_t{1} << shift_));
  if (BlockSum(base_ + from, to - from) == sums_[b]) {
    state.store(1, std::memory_order_release);
    return true;
  }
  state.store(2, std::memory_order_release);
  std::lock_guard<std::mutex> lock(mu_);
  if (!failed_.load(std::memory_order_relaxed)) {
    failure_ = Status::BadInput(IndexDamaged("block " + std::to_string(b - sec.firstBlock + 1) +
                                                 " of " + sec.name + " does not match its checksum",
                                             path_));
    failed_.store(true, std::memory_order_release);
  }
  return false;
}

bool BlockGuard::Whole(const void* p, size_t bytes) {
  if (all_.load(std::memory_order_acquire)) return true;
  if (bytes == 0) return true;
  const uint64_t at = static_cast<uint64_t>(static_cast<const char*>(p) - base_);
  const uint64_t end = at + bytes;
  // The sections under [at, end), from the last one that begins at or
  // before at.
  auto it = std::upper_bound(sections_.begin(), sections_.end(), at,
                             [](uint64_t v, const BodySection& s) { return v < s.at; });
  if (it == sections_.begin()) return false;  // not in the body: never handed out
  bool whole = true;
  for (size_t s = static_cast<size_t>(it - sections_.begin()) - 1; s < sections_.size() && sections_[s].at < end; ++s) {
    const BodySection& sec = sections_[s];
    const uint64_t from = std::max(at, sec.at), to = std::min(end, sec.end);
    if (from >= to) continue;
    const uint64_t b0 = sec.firstBlock + ((from - sec.at) >> shift_);
    const uint64_t b1 = sec.firstBlock + ((to - 1 - sec.at) >> shift_);
    for (uint64_t b = b0; b <= b1; ++b) whole = VerifyBlock(s, b) && whole;
  }
  return whole;
}

bool BlockGuard::VerifySection(size_t s, int threads) {
  const BodySection& sec = sections_[s];
  std::atomic<bool> whole{true};
  // A block is a few microseconds of work: ranges of at least 64 blocks.
  ParallelFor(
      threads, static_cast<int64_t>(sec.blocks),
      [&](int, int64_t from, int64_t to) {
        for (int64_t b = from; b < to; ++b) {
          if (!VerifyBlock(s, sec.firstBlock + static_cast<uint64_t>(b))) whole.store(false);
        }
      },
      64);
  return whole.load();
}

bool BlockGuard::VerifyAll(int threads) {
  bool whole = true;
  for (size_t s = 0; s < sections_.size() && whole; ++s) whole = VerifySection(s, threads);
  if (whole) all_.store(true, std::memory_order_release);
  return whole;
}

bool BlockGuard::VerifyThrough(uint64_t end) {
  for (; throughSection_ < sections_.size(); ++throughSection_, throughBlock_ = 0) {
    const BodySection& sec = sections_[throughSection_];
    for (; throughBlock_ < sec.blocks; ++throughBlock_) {
      const uint64_t blockEnd = std::min(sec.end, sec.at + ((throughBlock_ + 1) << shift_));
      if (blockEnd > end) return true;
      if (!VerifyBlock(throughSection_, sec.firstBlock + throughBlock_)) return false;
    }
  }
  all_.store(true, std::memory_order_release);
  return true;
}

std::vector<uint64_t> BlockGuard::Damaged(size_t s) const {
  std::vector<uint64_t> out;
  const BodySection& sec = sections_[s];
  for (uint64_t b = 0; b < sec.blocks; ++b) {
    if (state_[sec.firstBlock + b].load(std::memory_order_acquire) == 2) out.push_back(b + 1);
  }
  return out;
}

Status BlockGuard::failure() const {
  if (!failed_.load(std::memory_order_acquire)) return Status::OK();
  std::lock_guard<std::mutex> lock(mu_);
  return failure_;
}

}  // namespace quorvane
