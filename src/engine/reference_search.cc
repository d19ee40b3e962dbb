#include "engine/reference_search.h"

#include "common/nucleotide.h"
#include "engine/mis_nu_table.h"

namespace quorvane {

void ReferenceSearch::FindExact() {
  // A letter other than A, C, G, T matches nothing: no exact hit exists.
  if (rc_.NNu > 0) return;
  const uint16_t q = rc_.RdCds[0];
  for (Strand s : kStrands) {
    const int32_t head = chains_.ChnBegX(s)[q];
    if (head >= 0) WalkExact(s, head);
  }
}

void ReferenceSearch::WalkExact(Strand s, int32_t p) {
  const int32_t* links = chains_.Chns(s);
  for (; p >= 0; p = links[p]) {
    if (CheckExact(s, p)) AddHit(s, p, 0);
  }
}

bool ReferenceSearch::CheckExact(Strand s, int32_t p) const {
  const uint16_t* cds = store_.Cds(s);
  for (int j = 1; j < rc_.BlkNu; ++j) {
    if (cds[p + 8 * j] != rc_.RdCds[j]) return false;
  }
  return (cds[p + 8 * rc_.BlkNu] >> rc_.LstShf) == rc_.RdCds[rc_.BlkNu];
}

void ReferenceSearch::FindMis() {
  const uint16_t q = rc_.RdCds[0];
  // The letters the read does not code count against every code c, so the
  // neighbourhood covers every code such a letter could stand for.
  const unsigned keep = ~rc_.RdMsk[0] & 0xFFFF;
  const int n0 = rc_.RdNNu[0];
  for (unsigned c = 0; c < kSeedCodes; ++c) {
    const int d0 = MisNuX[(c ^ q) & keep] + n0;
    if (d0 > misNu_) continue;
    for (Strand s : kStrands) {
      const int32_t head = chains_.ChnBegX(s)[c];
      if (head >= 0) WalkMis(s, head, d0);
    }
  }
}

void ReferenceSearch::WalkMis(Strand s, int32_t p, int d0) {
  const int32_t* links = chains_.Chns(s);
  for (; p >= 0; p = links[p]) {
    const int d = CountMis(s, p, d0);
    if (d <= misNu_) AddHit(s, p, d);
  }
}

int ReferenceSearch::CountMis(Strand s, int32_t p, int d) const {
  const uint16_t* cds = store_.Cds(s);
  for (int j = 1; j < rc_.BlkNu; ++j) {
    d += BlockMis(rc_, j, cds[p + 8 * j]);
    if (d > misNu_) return d;
  }
  return d + BlockMis(rc_, rc_.BlkNu, static_cast<unsigned>(cds[p + 8 * rc_.BlkNu] >> rc_.LstShf));
}

}  // namespace quorvane
