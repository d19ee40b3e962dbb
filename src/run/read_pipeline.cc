#include "run/read_pipeline.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "engine/read_codes.h"
#include "run/record_format.h"

namespace quorvane {
namespace {

// A batch ends at whichever limit comes first: enough reads to make the
// hand-over between threads cheap, few enough to keep memory small.
constexpr size_t kBatchReads = 1024;
constexpr size_t kBatchLetters = size_t{256} << 10;
constexpr int64_t kBatchLines = 8192;
constexpr int64_t kProgressEvery = 1000;

}  // namespace

struct ReadPipeline::Worker {
  Worker(const Engine& engine, int32_t misNu, bool showRdsMis)
      : search(engine.NewSearch()), format(misNu, showRdsMis, engine.store()) {}
  std::unique_ptr<ReadSearch> search;
  RecordFormatter format;
};

ReadPipeline::ReadPipeline(const Engine& engine, int32_t misNu, bool showRdsMis, int threads)
    : engine_(engine), misNu_(misNu), showRdsMis_(showRdsMis), threads_(threads < 1 ? 1 : threads) {}

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

void ReadPipeline::Search(Worker& w, ReadBatch& b) const {
  const size_t n = b.reads();
  b.hitEnd.reserve(n);
  b.upNu.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    if (!w.search->SearchRead(b.letters.data() + b.beg[i], b.len[i], misNu_)) {
      b.memFail = true;
      return;
    }
    const std::vector<MisMatch>& h = w.search->hits();
    b.hits.insert(b.hits.end(), h.begin(), h.end());
    b.hitEnd.push_back(static_cast<uint32_t>(b.hits.size()));
    b.upNu.push_back(w.search->posUpNu());
    b.found += !h.empty();
  }
}

void ReadPipeline::Format(Worker& w, ReadBatch& b, int64_t foundBefore) const {
  int64_t rdNom = foundBefore;
  for (size_t i = 0; i < b.reads(); ++i) {
    const uint32_t from = b.hitBeg(i);
    const int32_t count = static_cast<int32_t>(b.hitEnd[i] - from);
    if (count == 0) {
      w.format.RdOut(b.texts, b.read(i));
      continue;
    }
    const ReadHits h{b.hits.data() + from, b.upNu[i], count - b.upNu[i], count};
    w.format.RdIn(b.texts, ++rdNom, b.read(i), h);
    b.hitNu += count;
    b.upHitNu += h.posUpNu;
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
  Worker w(engine_, misNu_, showRdsMis_);
  ReadBatch b;
  int64_t found = 0;
  for (;;) {
    const bool more = Fill(reader, b);
    if (b.lines > 0) {
      Search(w, b);
      if (b.memFail) return End::kNoMem;
      Format(w, b, found);
      found += b.found;
      if (!deliver(b)) return End::kStopped;
    }
    if (!more) return readError_ ? End::kReadError : End::kDone;
  }
}

ReadPipeline::End ReadPipeline::RunParallel(LineReader& reader, const Deliver& deliver) {
  // A batch in flight. Its records can be numbered once every batch before
  // it has been searched; the number of found reads before it is then
  // known.
  struct Slot {
    ReadBatch batch;
    int64_t seq = 0;    // place of the batch in the run
    bool done = false;  // searched and formatted
  };
  std::mutex mu;
  std::condition_variable workCv, doneCv, countCv;
  std::deque<Slot*> todo;
  bool stop = false;
  // found[seq]: reads with hits in batch seq, -1 until searched;
  // before[seq]: reads with hits in all earlier batches, -1 until known.
  std::vector<int64_t> found, before;
  int64_t counted = 0;  // batches whose `before` is known

  std::vector<std::unique_ptr<Worker>> workers;
  for (int t = 0; t < threads_; ++t) workers.push_back(std::make_unique<Worker>(engine_, misNu_, showRdsMis_));

  // Searches, numbers and formats one batch; false when the run stops
  // before the batch could be numbered.
  auto process = [&](Worker* w, Slot* s) {
    ReadBatch& b = s->batch;
    try {
      Search(*w, b);
    } catch (const std::bad_alloc&) {
      b.memFail = true;
    }
    int64_t foundBefore = 0;
    {
      std::unique_lock<std::mutex> lock(mu);
      const size_t seq = static_cast<size_t>(s->seq);
      found[seq] = b.memFail ? 0 : b.found;
      while (static_cast<size_t>(counted) < found.size() && found[static_cast<size_t>(counted)] >= 0) {
        const size_t c = static_cast<size_t>(counted);
        before[c] = c == 0 ? 0 : before[c - 1] + found[c - 1];
        ++counted;
      }
      countCv.notify_all();
      countCv.wait(lock, [&] { return stop || before[seq] >= 0; });
      if (stop) return false;
      foundBefore = before[seq];
    }
    if (!b.memFail) {
      try {
        Format(*w, b, foundBefore);
      } catch (const std::bad_alloc&) {
        b.memFail = true;
      }
    }
    {
      std::lock_guard<std::mutex> lock(mu);
      s->done = true;
    }
    doneCv.notify_all();
    return true;
  };

  auto work = [&](Worker* w) {
    for (;;) {
      Slot* s = nullptr;
      {
        std::unique_lock<std::mutex> lock(mu);
        workCv.wait(lock, [&] { return stop || !todo.empty(); });
        if (stop) return;
        s = todo.front();
        todo.pop_front();
      }
      if (!process(w, s)) return;
    }
  };

  std::vector<std::thread> threads;
  auto stopWorkers = [&] {
    {
      std::lock_guard<std::mutex> lock(mu);
      stop = true;
    }
    workCv.notify_all();
    countCv.notify_all();
    for (std::thread& t : threads) t.join();
    threads.clear();
  };
  // The calling thread is a worker too: between reading and writing it
  // searches, so that threads_ threads share the cores and none waits idle.
  for (size_t t = 1; t < workers.size(); ++t) threads.emplace_back(work, workers[t].get());

  // Enough batches in flight to keep every worker busy while the oldest is
  // written out.
  const size_t maxInflight = static_cast<size_t>(3 * threads_);
  std::vector<std::unique_ptr<Slot>> slots;
  std::deque<Slot*> inflight, spare;
  End end = End::kDone;
  bool more = true;
  int64_t seq = 0;
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
        s->seq = seq++;
        inflight.push_back(s);
        {
          std::lock_guard<std::mutex> lock(mu);
          found.push_back(-1);
          before.push_back(-1);
          todo.push_back(s);
        }
        workCv.notify_one();
      }
      if (inflight.empty()) break;
      Slot* s = inflight.front();
      for (;;) {
        Slot* job = nullptr;
        {
          std::unique_lock<std::mutex> lock(mu);
          if (s->done) break;
          if (todo.empty()) {
            doneCv.wait(lock, [&] { return s->done; });
            break;
          }
          job = todo.front();
          todo.pop_front();
        }
        process(workers[0].get(), job);
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
