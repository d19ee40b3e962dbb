// The reference search: the exact lookup walks the chain of the read's
// first seed code; the mismatch search walks the chain of every seed code
// within misNu letters of it.
#ifndef QUORVANE_ENGINE_REFERENCE_SEARCH_H_
#define QUORVANE_ENGINE_REFERENCE_SEARCH_H_

#include "engine/chain_index.h"
#include "engine/read_codes.h"
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

  // The sequence and the start within it of global start g; false when
  // the read does not fit there (past the end of a linear sequence).
  bool Place(int32_t g, uint32_t& seq, int32_t& p) const;
  // Records every start of the chain from head g at which the whole read
  // matches strand s.
  void WalkExact(Strand s, int32_t g);
  // Whether the read matches strand s at global start g, given that its
  // first block matches there already and the window lies inside its
  // sequence.
  bool CheckExact(Strand s, int32_t g) const;
  // Records every start of the chain from head g at which the read has at
  // most misNu mismatches; d0 is the mismatch count of the first block.
  void WalkMis(Strand s, int32_t g, int d0);
  // Mismatches of the whole read at global start g of strand s counted on
  // from d, or the first partial count past misNu; the window lies inside
  // its sequence.
  int CountMis(Strand s, int32_t g, int d) const;

  // Cuts the read into blocks and codes them.
  void MakeCodes();

  const ChainIndex& chains_;
  ReadCodes rc_;  // the read's blocks and their seed codes
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_REFERENCE_SEARCH_H_
