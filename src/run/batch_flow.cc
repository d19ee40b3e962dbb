#include "run/batch_flow.h"

#include <tbb/parallel_pipeline.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "engine/read_codes.h"

namespace quorvane {

void BatchReader::Fill(ReadBatch& b) {
  b.Clear();
  b.firstNumber = place + 1;
  ReadRecord r;
  while (b.size() < kBatchReads && b.text.size() < kBatchBytes) {
    const size_t first = b.size();
    bool ok = true;
    for (int k = 0; k < unit && !done; ++k) {
      bool more = false;
      Status st = source.Next(r, more);
      if (!st.ok()) status = st;
      if (!st.ok() || !more) {
        done = true;
        break;
      }
      ok = ok && r.length >= kMinRdLen && r.length <= kMaxRdLen;
      b.Add(r, false);
    }
    if (done) {
      // A unit cut short by the end or a failure is no unit.
      b.reads.resize(first);
      break;
    }
    ++place;
    if (place % kProgressEvery == 0) {
      b.markAccepted.push_back(accepted);
      b.markPlace.push_back(place);
    }
    accepted += ok;
    for (size_t i = first; i < b.size(); ++i) b.reads[i].accepted = ok;
  }
  b.bytesRead = source.bytesRead();
}

void ReportMarks(const ReadBatch& b, RunObserver& obs, int64_t bytesTotal, double seconds, bool pairs) {
  for (size_t m = 0; m < b.markPlace.size(); ++m) {
    RunProgress p;
    p.text = std::to_string(b.markAccepted[m]);
    p.readsRead = b.markPlace[m];
    p.accepted = b.markAccepted[m];
    p.bytesRead = b.bytesRead;
    p.bytesTotal = bytesTotal;
    p.seconds = seconds;
    p.pairs = pairs;
    obs.OnProgress(p);
  }
}

Status FlowBatches(int threads, RunObserver& obs, BatchReader& reader, const std::function<void(ReadBatch&)>& search,
                   const std::function<Status(ReadBatch&)>& write) {
  // Threads beyond the processor's are not started; the batches in flight
  // follow the threads that really work.
  const int hardware = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  const int workers = std::min(std::max(1, threads), hardware);
  const size_t tokens = static_cast<size_t>(2 * workers);

  std::mutex poolMu;
  std::vector<std::unique_ptr<ReadBatch>> batches;
  std::vector<ReadBatch*> spare;
  auto take = [&] {
    std::lock_guard<std::mutex> lock(poolMu);
    if (spare.empty()) {
      batches.push_back(std::make_unique<ReadBatch>());
      return batches.back().get();
    }
    ReadBatch* b = spare.back();
    spare.pop_back();
    return b;
  };
  auto give = [&](ReadBatch* b) {
    std::lock_guard<std::mutex> lock(poolMu);
    spare.push_back(b);
  };

  std::atomic<bool> stop{false};
  Status writeStatus;
  try {
    tbb::task_arena arena(workers);
    arena.execute([&] {
      tbb::parallel_pipeline(
          tokens,
          tbb::make_filter<void, ReadBatch*>(tbb::filter_mode::serial_in_order,
                                             [&](tbb::flow_control& fc) -> ReadBatch* {
                                               if (!reader.done && obs.StopRequested()) {
                                                 reader.status = Status::Interrupted("the run was stopped");
                                                 reader.done = true;
                                               }
                                               if (reader.done || stop.load()) {
                                                 fc.stop();
                                                 return nullptr;
                                               }
                                               ReadBatch* b = take();
                                               reader.Fill(*b);
                                               if (b->size() == 0) {
                                                 give(b);
                                                 fc.stop();
                                                 return nullptr;
                                               }
                                               return b;
                                             }) &
              tbb::make_filter<ReadBatch*, ReadBatch*>(tbb::filter_mode::parallel,
                                                       [&](ReadBatch* b) {
                                                         if (!stop.load()) search(*b);
                                                         return b;
                                                       }) &
              tbb::make_filter<ReadBatch*, void>(tbb::filter_mode::serial_in_order, [&](ReadBatch* b) {
                if (!stop.load()) {
                  Status st = write(*b);
                  if (!st.ok()) {
                    writeStatus = st;
                    stop.store(true);
                  }
                }
                give(b);
              }));
    });
  } catch (const std::bad_alloc&) {
    return Status::NoMemory("no mem Chns, ArrMisMatches");
  }
  if (!writeStatus.ok()) return writeStatus;
  return reader.status;
}

}  // namespace quorvane
