// Work on pieces of output, such as compressing and writing them, done on
// a thread of its own while the caller goes on making the next pieces.
#ifndef QUORVANE_WRITERS_BACKGROUND_WRITER_H_
#define QUORVANE_WRITERS_BACKGROUND_WRITER_H_

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "common/status.h"

namespace quorvane {

class BackgroundWriter {
 public:
  // work runs on the writer's thread, once per piece, in the order of
  // Push; its first failure is kept and the later pieces are dropped. At
  // most maxQueued bytes wait at once.
  BackgroundWriter(std::function<Status(std::string&)> work, size_t maxQueued);
  // Drops what waits and ends the thread.
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Queues piece, taking its bytes (piece is left empty, its memory
  // kept); waits while the queue is full. Returns the first failure of
  // work so far, OK until then.
  Status Push(std::string& piece);
  // Waits until every piece queued has been worked on; the first failure.
  Status Drain();

 private:
  void Run();

  std::function<Status(std::string&)> work_;
  size_t maxQueued_;
  std::mutex mu_;
  std::condition_variable cv_;
  std::deque<std::string> queue_;
  std::deque<std::string> spare_;  // emptied pieces, whose memory comes back
  size_t queued_ = 0;              // bytes in queue_
  bool busy_ = false;              // work runs on a piece taken from the queue
  bool quit_ = false;
  Status status_;
  std::thread thread_;  // last: starts once the rest is ready
};

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_BACKGROUND_WRITER_H_
