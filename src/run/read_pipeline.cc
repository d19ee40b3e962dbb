#include "run/read_pipeline.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "engine/read_codes.h"

namespace quorvane {
namespace {

// A batch ends at whichever limit comes first: enough reads to make the
// hand-over between threads cheap, few enough to keep memory small.
constexpr size_t kBatchReads = 1024;
constexpr size_t kBatchLetters = size_t{256} << 10;
constexpr int64_t kBatchLines = 8192;
constexpr int64_t kProgressEvery = 1000;

}  // namespace

ReadPipeline::ReadPipeline(const Engine& engine, int32_t misNu, int threads)
    : engine_(engine), misNu_(misNu), threads_(threads < 1 ? 1 : threads) {}

bool ReadPipeline::Fill(LineReader& reader, ReadBatch& b) {
  b.Clear();
  std::string_view line;
  while (b.reads() < kBatchReads && b.letters.size() < kBatchLetters && b.lines < kBatchLines) {
    const LineReader::Next next = reader.ReadLine(line);
    if (next == LineReader::Next::kEnd || next == LineReader::Next::kError) {
      readError_ = next == LineReader::Next::kError;
      b.bytesRead = reader.consumed();
      return false;
    }
    ++lines_;
    ++b.lines;
    if (lines_ % kProgressEvery == 0) {
      b.marks.push_back(accepted_);
      b.markLines.push_back(lines_);
    }
    const size_t n = next == LineReader::Next::kLine ? line.size() : kMaxLineLen + 1;
    if (n < static_cast<size_t>(kMinRdLen) || n > static_cast<size_t>(kMaxRdLen)) {
      ++b.shortBig;
      continue;
    }
    ++accepted_;
    b.beg.push_back(static_cast<uint32_t>(b.letters.size()));
    b.len.push_back(static_cast<uint16_t>(n));
    b.letters.append(line);
  }
  b.bytesRead = reader.consumed();
  return true;
}

void ReadPipeline::Search(ReadSearch& search, ReadBatch& b) const {
  const size_t n = b.reads();
  b.hitEnd.reserve(n);
  b.upNu.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    if (!search.SearchRead(b.letters.data() + b.beg[i], b.len[i], misNu_)) {
      b.memFail = true;
      return;
    }
    const std::vector<MisMatch>& h = search.hits();
    b.hits.insert(b.hits.end(), h.begin(), h.end());
    b.hitEnd.push_back(static_cast<uint32_t>(b.hits.size()));
    b.upNu.push_back(search.posUpNu());
  }
}

ReadPipeline::End ReadPipeline::Run(LineReader& reader, const Deliver& deliver) {
  try {
    return threads_ == 1 ? RunInline(reader, deliver) : RunParallel(reader, deliver);
  } catch (const std::bad_alloc&) {
    return End::kNoMem;
  }
}

ReadPipeline::End ReadPipeline::RunInline(LineReader& reader, const Deliver& deliver) {
  std::unique_ptr<ReadSearch> search = engine_.NewSearch();
  ReadBatch b;
  for (;;) {
    const bool more = Fill(reader, b);
    if (b.lines > 0) {
      Search(*search, b);
      if (b.memFail) return End::kNoMem;
      if (!deliver(b)) return End::kStopped;
    }
    if (!more) return readError_ ? End::kReadError : End::kDone;
  }
}

ReadPipeline::End ReadPipeline::RunParallel(LineReader& reader, const Deliver& deliver) {
  struct Slot {
    ReadBatch batch;
    bool done = false;
  };
  std::mutex mu;
  std::condition_variable workCv, doneCv;
  std::deque<Slot*> todo;
  bool stop = false;

  std::vector<std::unique_ptr<ReadSearch>> searches;
  for (int t = 0; t < threads_; ++t) searches.push_back(engine_.NewSearch());

  auto work = [&](ReadSearch* search) {
    for (;;) {
      Slot* s = nullptr;
      {
        std::unique_lock<std::mutex> lock(mu);
        workCv.wait(lock, [&] { return stop || !todo.empty(); });
        if (stop) return;
        s = todo.front();
        todo.pop_front();
      }
      try {
        Search(*search, s->batch);
      } catch (const std::bad_alloc&) {
        s->batch.memFail = true;
      }
      {
        std::lock_guard<std::mutex> lock(mu);
        s->done = true;
      }
      doneCv.notify_all();
    }
  };

  std::vector<std::thread> workers;
  auto stopWorkers = [&] {
    {
      std::lock_guard<std::mutex> lock(mu);
      stop = true;
    }
    workCv.notify_all();
    for (std::thread& w : workers) w.join();
    workers.clear();
  };
  for (int t = 0; t < threads_; ++t) workers.emplace_back(work, searches[t].get());

  // Enough batches in flight to keep every worker busy while the oldest is
  // written out.
  const size_t maxInflight = static_cast<size_t>(3 * threads_);
  std::vector<std::unique_ptr<Slot>> slots;
  std::deque<Slot*> inflight, spare;
  End end = End::kDone;
  bool more = true;
  try {
    for (;;) {
      while (more && inflight.size() < maxInflight) {
        if (spare.empty()) {
          slots.push_back(std::make_unique<Slot>());
          spare.push_back(slots.back().get());
        }
        Slot* s = spare.front();
        more = Fill(reader, s->batch);
        if (s->batch.lines == 0) break;
        spare.pop_front();
        s->done = false;
        inflight.push_back(s);
        {
          std::lock_guard<std::mutex> lock(mu);
          todo.push_back(s);
        }
        workCv.notify_one();
      }
      if (inflight.empty()) break;
      Slot* s = inflight.front();
      {
        std::unique_lock<std::mutex> lock(mu);
        doneCv.wait(lock, [&] { return s->done; });
      }
      inflight.pop_front();
      spare.push_back(s);
      if (s->batch.memFail) {
        end = End::kNoMem;
        break;
      }
      if (!deliver(s->batch)) {
        end = End::kStopped;
        break;
      }
    }
  } catch (...) {
    stopWorkers();
    throw;
  }
  stopWorkers();
  if (end == End::kDone && readError_) end = End::kReadError;
  return end;
}

}  // namespace quorvane
