#include "engine/chain_index.h"

#include <new>

#include "common/nucleotide.h"

namespace quorvane {
namespace {

// Inserting from the last position down leaves every chain ascending with
// its lowest position at the head.
void LinkStrand(const uint16_t* cds, int32_t n, int32_t* heads, int32_t* links) {
  for (int c = 0; c < kSeedCodes; ++c) heads[c] = -1;
  for (int32_t p = n - 1; p >= 0; --p) {
    const uint16_t c = cds[p];
    links[p] = heads[c];
    heads[c] = p;
  }
}

}  // namespace

Status ChainIndex::Build(const GenomeStore& store) {
  Release();
  const int32_t n = static_cast<int32_t>(store.gnmLen());
  // One spare entry so that an empty genome still gets real arrays.
  const size_t links = static_cast<size_t>(n) + 1;
  ChnBegXD_.Allocate(kSeedCodes);
  ChnBegXC_.Allocate(kSeedCodes);
  ChnsD_.Allocate(links);
  ChnsC_.Allocate(links);
  if (!ChnBegXD_ || !ChnBegXC_ || !ChnsD_ || !ChnsC_) {
    Release();
    return Status::NoMemory("no mem Chns, ArrMisMatches");
  }
  LinkStrand(store.Cds(Strand::kDirect), n, ChnBegXD_.get(), ChnsD_.get());
  LinkStrand(store.Cds(Strand::kCompl), n, ChnBegXC_.get(), ChnsC_.get());
  return Status::OK();
}

void ChainIndex::Release() {
  ChnBegXD_.reset();
  ChnBegXC_.reset();
  ChnsD_.reset();
  ChnsC_.reset();
}

}  // namespace quorvane
