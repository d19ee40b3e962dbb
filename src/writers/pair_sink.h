// Where the outcome of every pair of a pair run goes: the pair result
// files and the SAM or BAM file.
#ifndef QUORVANE_WRITERS_PAIR_SINK_H_
#define QUORVANE_WRITERS_PAIR_SINK_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/status.h"
#include "pairs/mate_pair.h"
#include "writers/result_sink.h"

namespace quorvane {

// A pair as the sinks see it; the views are valid during the call only.
struct PairView {
  std::string_view name;  // the pair's name (see PairName); empty where the files name no reads
  int64_t number = 0;     // 1-based place of the pair in the files
  // Mate 1 and mate 2, each named by the pair's name and numbered by its
  // place, so that both records of a pair carry one name.
  ReadView mate[2];
};

// Makes a sink's records of pairs on any thread; each thread has its own.
class PairEncoder {
 public:
  virtual ~PairEncoder() = default;
  // As PairSink's PairFound, PairNotFound and PairSkipped, without prNom.
  virtual Status Found(const PairView& p, const MatePair& pair, const PairSummary& sum) = 0;
  virtual Status NotFound(const PairView& p) = 0;
  virtual Status Skipped(const PairView& p) = 0;
  // Bytes made since the last Take.
  virtual size_t pending() const = 0;
  // Appends to out the bytes of the pairs given since the last call and
  // forgets them.
  virtual void Take(std::string& out) = 0;
};

// Every pair of a run reaches every sink once, in the order of the files,
// between Begin and Finish.
class PairSink : public virtual OutputSink {
 public:
  // A searched pair with concordant placements (sum.placements of them,
  // visited through pair); prNom counts the pairs found so far, this one
  // included.
  virtual Status PairFound(const PairView& p, int64_t prNom, const MatePair& pair, const PairSummary& sum) = 0;
  // A searched pair without a concordant placement.
  virtual Status PairNotFound(const PairView& p) = 0;
  // A pair with a mate outside the length limits, which was not searched.
  virtual Status PairSkipped(const PairView& p) = 0;
  // As ResultSink::NewEncoder, for pairs.
  virtual std::unique_ptr<PairEncoder> NewPairEncoder() { return nullptr; }
};

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_PAIR_SINK_H_
