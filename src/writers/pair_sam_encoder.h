// The SAM and BAM records of pairs: two records, one per mate, for every
// concordant placement of a pair, or two unmapped records.
#ifndef QUORVANE_WRITERS_PAIR_SAM_ENCODER_H_
#define QUORVANE_WRITERS_PAIR_SAM_ENCODER_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/reference.h"
#include "writers/pair_sink.h"
#include "writers/sam_encoder.h"
#include "writers/sam_record.h"

struct sam_hdr_t;
struct bam1_t;

namespace quorvane {

// MAPQ of both records of a pair's first placement: 0 when another
// placement has as few mismatches (both mates together); otherwise 20 for
// every mismatch by which it leads the next best, at most 60, where a
// pair with one placement leads by misNu + 1 - its mismatches (a
// placement the search cannot see has a mate with more than misNu).
uint8_t PairMapq(const PairSummary& sum, int32_t misNu);

class PairSamEncoder final : public PairEncoder {
 public:
  // ref and hdr must outlive the encoder and stay unchanged.
  PairSamEncoder(const Reference& ref, const sam_hdr_t* hdr, const SamEncoding& e);
  ~PairSamEncoder() override;
  PairSamEncoder(const PairSamEncoder&) = delete;
  PairSamEncoder& operator=(const PairSamEncoder&) = delete;

  // For every placement in MatePair's order, mate 1's record then mate
  // 2's: FLAG 1 (paired), 2 (proper pair), 16 and 32 (this mate, the
  // other mate, on the complementary strand), 64 or 128 (mate 1 or 2),
  // 256 for every placement but the first; RNEXT the same sequence, PNEXT
  // the other mate's POS, TLEN +F for the upstream mate and -F for the
  // downstream one; NM and MD of the mate, NH the pair's placements, HI the
  // placement's rank; MAPQ (see PairMapq) on the first placement, 0 on the
  // others. Fails with kNoMemory "no mem Chns, ArrMisMatches".
  Status Found(const PairView& p, const MatePair& pair, const PairSummary& sum) override;
  // The same, handing the records made so far to flush whenever they pass
  // flushBytes, so that a pair with very many placements never stands in
  // memory whole; flush's first failure ends the pair.
  Status FoundInParts(const PairView& p, const MatePair& pair, const PairSummary& sum, size_t flushBytes,
                      const std::function<Status()>& flush);
  // Both mates unmapped (FLAG 1, 4, 8, and 64 or 128), unless unaligned
  // is off; a pair not searched has YF:Z:LN on both records.
  Status NotFound(const PairView& p) override { return Unmapped(p, true); }
  Status Skipped(const PairView& p) override { return Unmapped(p, false); }

  size_t pending() const override { return out_.pending(); }
  void Take(std::string& out) override { out_.Take(out); }

 private:
  Status Unmapped(const PairView& p, bool searched);

  SamEncoding e_;
  SamRecordMaker maker_[2];  // one per mate, each keeping its mate's letters
  bam1_t* rec_;
  SamRecordBuffer out_;
};

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_PAIR_SAM_ENCODER_H_
