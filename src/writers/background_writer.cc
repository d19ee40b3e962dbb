#include "writers/background_writer.h"

#include <utility>

namespace quorvane {
namespace {
// Emptied pieces kept for their memory.
constexpr size_t kSpares = 4;
}  // namespace

BackgroundWriter::BackgroundWriter(std::function<Status(std::string&)> work, size_t maxQueued)
    : work_(std::move(work)), maxQueued_(maxQueued), thread_([this] { Run(); }) {}

BackgroundWriter::~BackgroundWriter() {
  {
    std::lock_guard<std::mutex> lock(mu_);
    quit_ = true;
  }
  cv_.notify_all();
  thread_.join();
}

Status BackgroundWriter::Push(std::string& piece) {
  std::unique_lock<std::mutex> lock(mu_);
  // One piece always goes in, however big, so that nothing waits forever.
  cv_.wait(lock, [&] { return queued_ == 0 || queued_ + piece.size() <= maxQueued_ || !status_.ok(); });
  if (!status_.ok()) {
    piece.clear();
    return status_;
  }
  queued_ += piece.size();
  queue_.push_back(std::move(piece));
  // The caller gets back the memory of a piece already written.
  piece.clear();
  if (!spare_.empty()) {
    piece.swap(spare_.front());
    spare_.pop_front();
  }
  cv_.notify_all();
  return Status::OK();
}

Status BackgroundWriter::Drain() {
  std::unique_lock<std::mutex> lock(mu_);
  cv_.wait(lock, [&] { return (queue_.empty() && !busy_) || !status_.ok(); });
  return status_;
}

void BackgroundWriter::Run() {
  std::unique_lock<std::mutex> lock(mu_);
  for (;;) {
    cv_.wait(lock, [&] { return quit_ || !queue_.empty(); });
    if (quit_) return;
    std::string piece = std::move(queue_.front());
    queue_.pop_front();
    const size_t bytes = piece.size();
    const bool failed = !status_.ok();
    busy_ = true;
    lock.unlock();
    const Status st = failed ? Status::OK() : work_(piece);
    piece.clear();
    lock.lock();
    busy_ = false;
    queued_ -= bytes;
    if (status_.ok() && !st.ok()) status_ = st;
    if (spare_.size() < kSpares) spare_.push_back(std::move(piece));
    cv_.notify_all();
  }
}

}  // namespace quorvane
