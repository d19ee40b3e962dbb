#include "engine/reference_search.h"

#include "common/nucleotide.h"
#include "engine/mis_nu_table.h"

namespace quorvane {

bool ReferenceSearch::Place(int32_t g, uint32_t& seq, int32_t& p) const {
  const Reference& ref = store_.ref();
  seq = ref.SeqAt(g);
  const RefSeq& q = ref.seq(seq);
  p = static_cast<int32_t>(g - q.offset);
  return q.circular || p + int64_t{rc_.rdLen} <= q.length;
}

void ReferenceSearch::MakeCodes() {
  SetReadShape(rdLen_, rc_);
  MakeRdCds(rd_, rc_);
}

void ReferenceSearch::FindExact() {
  MakeCodes();
  // A letter other than A, C, G, T matches nothing: no exact hit exists.
  if (rc_.NNu > 0) return;
  const uint16_t q = rc_.RdCds[0];
  for (Strand s : kStrands) {
    const int32_t head = chains_.ChnBegX(s)[q];
    if (head >= 0) WalkExact(s, head);
  }
}

void ReferenceSearch::WalkExact(Strand s, int32_t g) {
  const int32_t* links = chains_.Chns(s);
  for (; g >= 0; g = links[g]) {
    uint32_t seq;
    int32_t p;
    if (!Place(g, seq, p)) continue;
    const bool match = store_.NeedsLetterCount(seq, s, p, rc_.rdLen)
                           ? store_.CountLetters(seq, s, p, rd_, rc_.rdLen, 0) == 0
                           : CheckExact(s, g);
    if (match) AddHit(seq, s, p, 0);
  }
}

bool ReferenceSearch::CheckExact(Strand s, int32_t g) const {
  const uint16_t* cds = store_.Cds(s);
  for (int j = 1; j < rc_.BlkNu; ++j) {
    if (cds[g + 8 * j] != rc_.RdCds[j]) return false;
  }
  return (cds[g + 8 * rc_.BlkNu] >> rc_.LstShf) == rc_.RdCds[rc_.BlkNu];
}

void ReferenceSearch::FindMis() {
  MakeCodes();
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

void ReferenceSearch::WalkMis(Strand s, int32_t g, int d0) {
  const int32_t* links = chains_.Chns(s);
  for (; g >= 0; g = links[g]) {
    uint32_t seq;
    int32_t p;
    if (!Place(g, seq, p)) continue;
    const int d = store_.NeedsLetterCount(seq, s, p, rc_.rdLen)
                      ? store_.CountLetters(seq, s, p, rd_, rc_.rdLen, misNu_)
                      : CountMis(s, g, d0);
    if (d <= misNu_) AddHit(seq, s, p, d);
  }
}

int ReferenceSearch::CountMis(Strand s, int32_t g, int d) const {
  const uint16_t* cds = store_.Cds(s);
  for (int j = 1; j < rc_.BlkNu; ++j) {
    d += BlockMis(rc_, j, cds[g + 8 * j]);
    if (d > misNu_) return d;
  }
  return d + BlockMis(rc_, rc_.BlkNu, static_cast<unsigned>(cds[g + 8 * rc_.BlkNu] >> rc_.LstShf));
}

}  // namespace quorvane
