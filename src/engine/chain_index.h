// The seed index of the reference search: one chain of positions per seed
// code and strand.
#ifndef QUORVANE_ENGINE_CHAIN_INDEX_H_
#define QUORVANE_ENGINE_CHAIN_INDEX_H_

#include <cstdint>

#include "common/status.h"
#include "common/big_array.h"
#include "engine/genome_store.h"
#include "engine/strand.h"

namespace quorvane {

// Immutable once built. Following ChnBegX(s)[c] and then Chns(s) from
// position to position visits every start position below gnmLen whose
// seed code is c exactly once, in ascending order, and stops at -1.
// Positions of the wrap tail are never chain members.
class ChainIndex {
 public:
  ChainIndex() = default;
  ChainIndex(const ChainIndex&) = delete;
  ChainIndex& operator=(const ChainIndex&) = delete;

  // Links the global starts of each seed code of both strands of store
  // (which must hold the complementary codes). Fails with kNoMemory ("no
  // mem Chns, ArrMisMatches") and then holds nothing.
  Status Build(const GenomeStore& store);

  void Release();

  // Chain heads: the smallest position with seed code c, or -1.
  const int32_t* ChnBegX(Strand s) const { return s == Strand::kDirect ? ChnBegXD_.get() : ChnBegXC_.get(); }
  // Chain links: the next larger position with the same seed code, or -1.
  const int32_t* Chns(Strand s) const { return s == Strand::kDirect ? ChnsD_.get() : ChnsC_.get(); }

 private:
  BigArray<int32_t> ChnBegXD_, ChnBegXC_;  // 65,536 heads per strand
  BigArray<int32_t> ChnsD_, ChnsC_;        // gnmLen links per strand
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_CHAIN_INDEX_H_
