// The records of a batch's sinks made on the searching thread, unit after
// unit (a read, or a pair), each right after its search while the genome
// around its hits is still in the processor's caches.
#ifndef QUORVANE_RUN_BATCH_ENCODER_H_
#define QUORVANE_RUN_BATCH_ENCODER_H_

#include <memory>
#include <string>
#include <vector>

#include "common/status.h"
#include "run/batch_flow.h"
#include "run/read_batch.h"

namespace quorvane {

// Bytes of a record beside its read's texts, for guessing what a unit's
// records take.
inline constexpr size_t kRecordGuess = 96;

// Encoder is ReadEncoder or PairEncoder: one per encoding sink, of this
// thread. The bytes made go into the batch (ReadBatch::encoded) when the
// object goes, and encodedReads tells how many reads they cover.
template <typename Encoder>
class BatchEncoder {
 public:
  BatchEncoder(const std::vector<std::unique_ptr<Encoder>>& encoders, ReadBatch& b) : encoders_(encoders), b_(b) {
    b_.encoded.resize(encoders_.size());
    b_.encodedReads = 0;
    on_ = !encoders_.empty();
  }

  // Whether units are still encoded.
  bool on() const { return on_; }

  // The unit that ends before read `end` of the batch, searched, whose
  // records take about guess bytes: make(encoder) makes them with each
  // encoder, unless encoding has stopped. It stops at kBatchEncodedBytes
  // (the writer makes the rest) or at a unit that an encoder fails.
  template <typename Make>
  void Unit(size_t end, size_t guess, Make&& make) {
    if (!on_) return;
    if (bytes_ + guess > kBatchEncodedBytes) {
      on_ = false;
      return;
    }
    bytes_ = 0;
    for (const auto& e : encoders_) {
      if (!make(*e).ok()) failed_ = true;
      bytes_ += e->pending();
    }
    if (failed_) {
      on_ = false;
      return;
    }
    b_.encodedReads = end;
  }

  // Memory ran out in the middle of a unit: nothing is handed.
  void Fail() {
    failed_ = true;
    on_ = false;
  }

  // Hands the records made to the batch. After a failure nothing is
  // handed: the writer redoes the batch unit by unit and reports it.
  ~BatchEncoder() {
    if (failed_) {
      std::string drop;
      for (const auto& e : encoders_) e->Take(drop);
      b_.encodedReads = 0;
      return;
    }
    for (size_t k = 0; k < encoders_.size(); ++k) encoders_[k]->Take(b_.encoded[k]);
  }

  BatchEncoder(const BatchEncoder&) = delete;
  BatchEncoder& operator=(const BatchEncoder&) = delete;

 private:
  const std::vector<std::unique_ptr<Encoder>>& encoders_;
  ReadBatch& b_;
  size_t bytes_ = 0;  // bytes the encoders hold
  bool on_ = false;
  bool failed_ = false;
};

}  // namespace quorvane

#endif  // QUORVANE_RUN_BATCH_ENCODER_H_
