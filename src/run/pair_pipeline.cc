#include "run/pair_pipeline.h"

#include <tbb/enumerable_thread_specific.h>

#include <algorithm>
#include <chrono>
#include <new>
#include <string>

#include "pairs/pair_rule.h"
#include "run/batch_encoder.h"
#include "run/batch_flow.h"

namespace quorvane {
namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

PairView PairViewOf(const ReadBatch& b, size_t i) {
  PairView p;
  // Named by mate 1, or by mate 2 where mate 1's file names no reads.
  p.name = PairName(b.name(2 * i).empty() ? b.name(2 * i + 1) : b.name(2 * i));
  p.number = b.firstNumber + static_cast<int64_t>(i);
  for (size_t k = 0; k < 2; ++k) {
    const size_t r = 2 * i + k;
    p.mate[k] = ReadView{p.name, b.seq(r), b.qual(r), p.number, b.reads[r].length};
  }
  return p;
}

MatePair BatchMatePair(const ReadBatch& b, size_t i, const Reference& ref, const PairRule& rule) {
  const uint32_t beg1 = b.hitBeg(2 * i), end1 = b.hitEnd[2 * i], end2 = b.hitEnd[2 * i + 1];
  return MatePair(ref, rule, b.mateHits.data() + beg1, end1 - beg1, static_cast<int32_t>(b.reads[2 * i].seqLen),
                  b.mateHits.data() + end1, end2 - end1, static_cast<int32_t>(b.reads[2 * i + 1].seqLen));
}

// The writing stage: counts and numbers the pairs and hands each on.
struct PairPipeline::Writer {
  const PairPipeline& pipe;
  const std::vector<PairSink*>& sinks;
  std::vector<PairSink*> encoding;  // the sinks whose records the searching stage makes
  std::vector<PairSink*> plain;     // the others
  RunObserver& obs;
  int64_t bytesTotal;
  PairCounters& c;
  Clock::time_point start = Clock::now();
  std::unique_ptr<ReadSearch> search;  // for the pairs the searching stage left
  std::vector<MateHit> hits;           // their mates' hits
  std::vector<uint32_t> ends;
  int64_t searchedHere = 0;

  Status Write(ReadBatch& b) {
    // A damaged block of a mapped index met while the batch was searched:
    // its runs were passed over, so the batch must not be written.
    if (Status whole = pipe.engine_.TablesWhole(); !whole.ok()) return whole;
    ReportMarks(b, obs, bytesTotal, std::chrono::duration<double>(Clock::now() - start).count(), true);
    for (size_t k = 0; k < encoding.size() && b.encodedReads > 0; ++k) {
      const Status st = encoding[k]->WriteEncoded(b.encoded[k]);
      if (!st.ok()) return st;
    }
    const Reference& ref = pipe.engine_.reference();
    for (size_t i = 0; 2 * i < b.size(); ++i) {
      const PairView v = PairViewOf(b, i);
      // The encoded pairs' records are written already.
      const std::vector<PairSink*>& to = 2 * i < b.encodedReads ? plain : sinks;
      ++c.pairsRead;
      Status st;
      if (!b.reads[2 * i].accepted) {
        ++c.shortBig;
        st = ForSinks(to, [&](PairSink& s) { return s.PairSkipped(v); });
        if (!st.ok()) return st;
        continue;
      }
      ++c.accepted;
      const bool searched = 2 * i < b.searched;
      if (!searched) {
        if (!search) search = pipe.engine_.NewSearch();
        hits.clear();
        ends.clear();
        if (!pipe.SearchPair(*search, b, i, hits, ends)) return Status::NoMemory("no mem Chns, ArrMisMatches");
        ++searchedHere;
        if (Status whole = pipe.engine_.TablesWhole(); !whole.ok()) return whole;
      }
      const MatePair pair =
          searched ? BatchMatePair(b, i, ref, pipe.rule_)
                   : MatePair(ref, pipe.rule_, hits.data(), ends[0], static_cast<int32_t>(v.mate[0].seq.size()),
                              hits.data() + ends[0], ends[1] - ends[0], static_cast<int32_t>(v.mate[1].seq.size()));
      const PairSummary sum = searched ? b.pairSums[i] : pair.Summarize();
      c.mateHits[0] += static_cast<int64_t>(searched ? b.hitEnd[2 * i] - b.hitBeg(2 * i) : ends[0]);
      c.mateHits[1] += static_cast<int64_t>(searched ? b.hitEnd[2 * i + 1] - b.hitEnd[2 * i] : ends[1] - ends[0]);
      if (sum.placements == 0) {
        st = ForSinks(to, [&](PairSink& s) { return s.PairNotFound(v); });
      } else {
        const int64_t prNom = ++c.found;
        c.placements += sum.placements;
        st = ForSinks(to, [&](PairSink& s) { return s.PairFound(v, prNom, pair, sum); });
      }
      if (!st.ok()) return st;
    }
    return Status::OK();
  }
};

PairPipeline::PairPipeline(const Engine& engine, int32_t misNu, const PairRule& rule, int threads)
    : engine_(engine), misNu_(misNu), rule_(rule), threads_(std::max(1, threads)) {}

bool PairPipeline::SearchPair(ReadSearch& search, const ReadBatch& b, size_t i, std::vector<MateHit>& hits,
                              std::vector<uint32_t>& ends) const {
  const Reference& ref = engine_.reference();
  for (size_t k = 0; k < 2; ++k) {
    const ReadBatch::Read& r = b.reads[2 * i + k];
    const int32_t len = static_cast<int32_t>(r.seqLen);
    if (!search.SearchRead(b.text.data() + r.seq, len, misNu_)) return false;
    const std::vector<Hit>& found = search.hits();
    const size_t at = hits.size();
    hits.resize(at + found.size());
    SortedMateHits(ref, found.data(), found.size(), len, hits.data() + at);
    ends.push_back(static_cast<uint32_t>(hits.size()));
  }
  return true;
}

void PairPipeline::SearchBatch(ReadSearch& search, ReadBatch& b,
                               const std::vector<std::unique_ptr<PairEncoder>>& encoders) const {
  b.mateHits.clear();
  b.hitEnd.clear();
  b.pairSums.clear();
  b.searched = 0;
  const Reference& ref = engine_.reference();
  BatchEncoder<PairEncoder> encode(encoders, b);
  try {
    b.hitEnd.reserve(b.size());
    b.pairSums.reserve(b.size() / 2);
    for (size_t i = 0; 2 * i < b.size(); ++i) {
      if (b.mateHits.size() * sizeof(MateHit) >= kBatchHitBytes) return;  // the rest is the writer's
      PairSummary sum;
      if (b.reads[2 * i].accepted) {
        if (!SearchPair(search, b, i, b.mateHits, b.hitEnd)) {
          encode.Fail();
          break;
        }
        sum = BatchMatePair(b, i, ref, rule_).Summarize();
      } else {
        b.hitEnd.push_back(static_cast<uint32_t>(b.mateHits.size()));
        b.hitEnd.push_back(static_cast<uint32_t>(b.mateHits.size()));
      }
      b.pairSums.push_back(sum);
      b.searched = 2 * i + 2;
      if (!encode.on()) continue;
      const PairView v = PairViewOf(b, i);
      size_t texts = 0;
      for (const ReadView& m : v.mate) texts += kRecordGuess + m.name.size() + 2 * m.seq.size() + m.qual.size();
      // About what the pair's records take: both mates' texts per placement.
      const size_t guess = static_cast<size_t>(std::max<int64_t>(sum.placements, 1)) * texts;
      const bool accepted = b.reads[2 * i].accepted;
      encode.Unit(2 * i + 2, guess, [&](PairEncoder& e) {
        if (!accepted) return e.Skipped(v);
        if (sum.placements == 0) return e.NotFound(v);
        return e.Found(v, BatchMatePair(b, i, ref, rule_), sum);
      });
    }
  } catch (const std::bad_alloc&) {
    encode.Fail();
  }
  // What a failure left half done is the writer's to redo or report.
  const size_t pairs = b.searched / 2;
  b.hitEnd.resize(b.searched);
  b.pairSums.resize(pairs);
  b.mateHits.resize(b.searched == 0 ? 0 : b.hitEnd[b.searched - 1]);
}

Status PairPipeline::Run(ReadSource& mates, const std::vector<PairSink*>& sinks, RunObserver& obs,
                         int64_t bytesTotal, PairCounters& c) {
  BatchReader reader(mates, 2);
  Writer writer{*this, sinks, {}, {}, obs, bytesTotal, c, Clock::now(), nullptr, {}, {}, 0};
  for (PairSink* s : sinks) {
    const bool encodes = s->NewPairEncoder() != nullptr;
    (encodes ? writer.encoding : writer.plain).push_back(s);
  }
  tbb::enumerable_thread_specific<std::unique_ptr<ReadSearch>> searches([this] { return engine_.NewSearch(); });
  tbb::enumerable_thread_specific<std::vector<std::unique_ptr<PairEncoder>>> encoders([&writer] {
    std::vector<std::unique_ptr<PairEncoder>> e;
    for (PairSink* s : writer.encoding) e.push_back(s->NewPairEncoder());
    return e;
  });
  const Status st = FlowBatches(
      threads_, obs, reader, [&](ReadBatch& b) { SearchBatch(*searches.local(), b, encoders.local()); },
      [&](ReadBatch& b) { return writer.Write(b); });
  searchedByWriter_ = writer.searchedHere;
  return st;
}

}  // namespace quorvane
