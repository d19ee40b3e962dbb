#include "writers/pair_sam_encoder.h"

#include <htslib/sam.h>

#include <algorithm>
#include <limits>
#include <new>

namespace quorvane {
namespace {

constexpr int kMapqPerMismatch = 20;
constexpr int kMaxMapq = 60;
constexpr uint16_t kMateFlag[2] = {BAM_FREAD1, BAM_FREAD2};

uint32_t TagCount(int64_t n) {
  return static_cast<uint32_t>(std::min<int64_t>(n, std::numeric_limits<uint32_t>::max()));
}

}  // namespace

uint8_t PairMapq(const PairSummary& sum, int32_t misNu) {
  int next = misNu + 1;
  if (sum.next >= 0) next = std::min(next, sum.next);
  return static_cast<uint8_t>(std::clamp(kMapqPerMismatch * (next - sum.best), 0, kMaxMapq));
}

PairSamEncoder::PairSamEncoder(const Reference& ref, const sam_hdr_t* hdr, const SamEncoding& e)
    : e_(e), maker_{SamRecordMaker(ref, e.misNu), SamRecordMaker(ref, e.misNu)}, rec_(bam_init1()), out_(hdr, e.bam) {
  if (rec_ == nullptr) throw std::bad_alloc();
}

PairSamEncoder::~PairSamEncoder() { bam_destroy1(rec_); }

Status PairSamEncoder::Found(const PairView& p, const MatePair& pair, const PairSummary& sum) {
  return FoundInParts(p, pair, sum, 0, nullptr);
}

Status PairSamEncoder::FoundInParts(const PairView& p, const MatePair& pair, const PairSummary& sum,
                                    size_t flushBytes, const std::function<Status()>& flush) {
  for (int k = 0; k < 2; ++k) maker_[k].SetRead(p.mate[k]);
  const uint8_t mapq = PairMapq(sum, e_.misNu);
  const uint32_t nh = TagCount(sum.placements);
  int64_t rank = 0;
  Status st;
  pair.Visit([&](const Placement& pl) {
    for (int k = 0; k < 2; ++k) {
      const MateHit& h = *pl.hit[k];
      const MateHit& other = *pl.hit[1 - k];
      RecordPlace place;
      place.flag = BAM_FPAIRED | BAM_FPROPER_PAIR | kMateFlag[k];
      if (other.strand == Strand::kCompl) place.flag |= BAM_FMREVERSE;
      if (rank > 0) place.flag |= BAM_FSECONDARY;
      place.mapq = rank == 0 ? mapq : 0;
      place.mateSeq = static_cast<int32_t>(other.seq);
      place.matePos = other.left;
      place.tlen = k == pl.upstream ? pl.fragment : -pl.fragment;
      place.nh = nh;
      place.hi = TagCount(rank + 1);
      if (!maker_[k].PlacedRecord(h.seq, h.strand, h.left, h.mis, place, rec_)) {
        st = Status::NoMemory("no mem Chns, ArrMisMatches");
        return false;
      }
      st = out_.Add(rec_);
      if (!st.ok()) return false;
    }
    ++rank;
    if (flush && out_.pending() >= flushBytes) st = flush();
    return st.ok();
  });
  return st;
}

Status PairSamEncoder::Unmapped(const PairView& p, bool searched) {
  if (!e_.unaligned) return Status::OK();
  for (int k = 0; k < 2; ++k) {
    maker_[k].SetRead(p.mate[k]);
    const uint16_t flags = BAM_FPAIRED | BAM_FMUNMAP | kMateFlag[k];
    if (!maker_[k].UnmappedRecord(searched, rec_, flags)) return Status::NoMemory("no mem Chns, ArrMisMatches");
    const Status st = out_.Add(rec_);
    if (!st.ok()) return st;
  }
  return Status::OK();
}

}  // namespace quorvane
