#include "run/pipeline.h"

#include <tbb/enumerable_thread_specific.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <string>

#include "engine/read_codes.h"
#include "run/batch_encoder.h"

namespace quorvane {
namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

// The writing stage: numbers the found reads and hands every read on.
struct Pipeline::Writer {
  const Engine& engine;
  int32_t misNu;
  const std::vector<ResultSink*>& sinks;
  std::vector<ResultSink*> encoding;  // the sinks whose records the searching stage makes
  std::vector<ResultSink*> plain;     // the others
  RunObserver& obs;
  int64_t bytesTotal;
  RunCounters& c;
  Clock::time_point start = Clock::now();
  std::unique_ptr<ReadSearch> search;  // for the reads the searching stage left
  int64_t searchedHere = 0;

  Status Write(ReadBatch& b) {
    // A damaged block of a mapped index met while the batch was searched:
    // its runs were passed over, so the batch must not be written.
    if (Status whole = engine.TablesWhole(); !whole.ok()) return whole;
    ReportMarks(b, obs, bytesTotal, std::chrono::duration<double>(Clock::now() - start).count(), false);
    for (size_t k = 0; k < encoding.size() && b.encodedReads > 0; ++k) {
      const Status st = encoding[k]->WriteEncoded(b.encoded[k]);
      if (!st.ok()) return st;
    }
    for (size_t i = 0; i < b.size(); ++i) {
      const ReadBatch::Read& r = b.reads[i];
      const ReadView v = b.view(i);
      // The encoded reads' records are written already.
      const std::vector<ResultSink*>& to = i < b.encodedReads ? plain : sinks;
      ++c.linesRead;
      Status st;
      if (!r.accepted) {
        ++c.shortBig;
        st = ForSinks(to, [&](ResultSink& s) { return s.Skipped(v); });
      } else {
        ++c.accepted;
        const Hit* hits = nullptr;
        size_t n = 0;
        if (i < b.searched) {
          hits = b.hits.data() + b.hitBeg(i);
          n = b.hitEnd[i] - b.hitBeg(i);
        } else {
          if (!search) search = engine.NewSearch();
          if (!search->SearchRead(v.seq.data(), static_cast<int32_t>(v.seq.size()), misNu)) {
            return Status::NoMemory("no mem Chns, ArrMisMatches");
          }
          ++searchedHere;
          if (Status whole = engine.TablesWhole(); !whole.ok()) return whole;
          hits = search->hits().data();
          n = search->hits().size();
        }
        if (n == 0) {
          st = ForSinks(to, [&](ResultSink& s) { return s.NotFound(v); });
        } else {
          const int64_t rdNom = ++c.found;
          c.hits += static_cast<int64_t>(n);
          c.upHits += std::count_if(hits, hits + n, [](const Hit& h) { return h.strand == Strand::kDirect; });
          st = ForSinks(to, [&](ResultSink& s) { return s.Found(v, rdNom, hits, n); });
        }
      }
      if (!st.ok()) return st;
    }
    return Status::OK();
  }
};

Pipeline::Pipeline(const Engine& engine, int32_t misNu, int threads)
    : engine_(engine), misNu_(misNu), threads_(std::max(1, threads)) {}

bool Pipeline::SearchBatch(ReadSearch& search, ReadBatch& b,
                           const std::vector<std::unique_ptr<ReadEncoder>>& encoders) const {
  b.hits.clear();
  b.hitEnd.clear();
  b.searched = 0;
  BatchEncoder<ReadEncoder> encode(encoders, b);
  try {
    b.hitEnd.reserve(b.size());
    for (size_t i = 0; i < b.size(); ++i) {
      if (b.hits.size() * sizeof(Hit) >= kBatchHitBytes) return true;  // the rest is the writer's
      const ReadBatch::Read& r = b.reads[i];
      if (r.accepted) {
        if (!search.SearchRead(b.text.data() + r.seq, static_cast<int32_t>(r.seqLen), misNu_)) return false;
        b.hits.insert(b.hits.end(), search.hits().begin(), search.hits().end());
      }
      b.hitEnd.push_back(static_cast<uint32_t>(b.hits.size()));
      b.searched = i + 1;
      if (!encode.on()) continue;
      const ReadView v = b.view(i);
      const Hit* hits = b.hits.data() + b.hitBeg(i);
      const size_t n = b.hitEnd[i] - b.hitBeg(i);
      // About what the read's records take: its texts once per hit.
      const size_t guess = std::max<size_t>(n, 1) * (kRecordGuess + v.name.size() + 2 * v.seq.size() + v.qual.size());
      encode.Unit(i + 1, guess, [&](ReadEncoder& e) {
        return !r.accepted ? e.Skipped(v) : n == 0 ? e.NotFound(v) : e.Found(v, hits, n);
      });
    }
  } catch (const std::bad_alloc&) {
    // The writer searches what is left, or reports the failure.
    encode.Fail();
    b.hits.resize(b.searched == 0 ? 0 : b.hitEnd[b.searched - 1]);
    b.hitEnd.resize(b.searched);
    return false;
  }
  return true;
}

Status Pipeline::Run(ReadSource& source, const std::vector<ResultSink*>& sinks, RunObserver& obs, int64_t bytesTotal,
                     RunCounters& c) {
  BatchReader reader(source, 1);
  Writer writer{engine_, misNu_, sinks, {}, {}, obs, bytesTotal, c, Clock::now(), nullptr, 0};
  for (ResultSink* s : sinks) {
    const bool encodes = s->NewEncoder() != nullptr;
    (encodes ? writer.encoding : writer.plain).push_back(s);
  }
  tbb::enumerable_thread_specific<std::unique_ptr<ReadSearch>> searches([this] { return engine_.NewSearch(); });
  tbb::enumerable_thread_specific<std::vector<std::unique_ptr<ReadEncoder>>> encoders([&writer] {
    std::vector<std::unique_ptr<ReadEncoder>> e;
    for (ResultSink* s : writer.encoding) e.push_back(s->NewEncoder());
    return e;
  });
  const Status st = FlowBatches(
      threads_, obs, reader, [&](ReadBatch& b) { SearchBatch(*searches.local(), b, encoders.local()); },
      [&](ReadBatch& b) { return writer.Write(b); });
  searchedByWriter_ = writer.searchedHere;
  return st;
}

}  // namespace quorvane
