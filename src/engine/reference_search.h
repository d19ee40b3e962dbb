// The reference search: the exact lookup walks the chain of the read's
// first seed code; the mismatch search walks the chain of every seed code
// within misNu letters of it.
#ifndef QUORVANE_ENGINE_REFERENCE_SEARCH_H_
#define QUORVANE_ENGINE_REFERENCE_SEARCH_H_

#include "engine/chain_index.h"
#include "engine/read_search.h"

namespace quorvane {

class ReferenceSearch final : public ReadSearch {
 public:
  // store and chains must outlive the search and stay unchanged.
  ReferenceSearch(const GenomeStore& store, const ChainIndex& chains)
      : ReadSearch(store), chains_(chains) {}

 private:
  void FindExact() override;
  void FindMis() override;

  // Records every position of the chain from head p at which the whole
  // read matches strand s.
  void WalkExact(Strand s, int32_t p);
  // Whether the read matches strand s at start p, given that its first
  // block matches there already.
  bool CheckExact(Strand s, int32_t p) const;
  // Records every position of the chain from head p at which the read has
  // at most misNu mismatches; d0 is the mismatch count of the first block.
  void WalkMis(Strand s, int32_t p, int d0);
  // Mismatches of the whole read at start p of strand s counted on from
  // d, or the first partial count past misNu.
  int CountMis(Strand s, int32_t p, int d) const;

  const ChainIndex& chains_;
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_REFERENCE_SEARCH_H_
