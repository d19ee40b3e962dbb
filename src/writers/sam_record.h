// The SAM records of one read: one per hit, or one unmapped record.
#ifndef QUORVANE_WRITERS_SAM_RECORD_H_
#define QUORVANE_WRITERS_SAM_RECORD_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/hit.h"
#include "engine/reference.h"
#include "writers/result_sink.h"

struct bam1_t;

namespace quorvane {

// The read's primary hit among its n >= 1 hits: the first of those with
// the fewest mismatches.
size_t PrimaryHit(const Hit* hits, size_t n);

// MAPQ of the primary record: 0 when another hit has as few mismatches;
// otherwise 20 for every mismatch by which the primary hit leads the next
// best, at most 60, where a read without another hit leads by
// misNu + 1 - its mismatches (no other place lies within the limit).
// Secondary records have MAPQ 0.
uint8_t PrimaryMapq(const Hit* hits, size_t n, size_t primary, int32_t misNu);

// The fields of a placed record beside those its hit gives.
struct RecordPlace {
  uint16_t flag = 0;     // FLAG, but for 16 (the complementary strand), which the hit sets
  uint8_t mapq = 0;      // MAPQ
  int32_t mateSeq = -1;  // RNEXT: the mate's sequence; -1 for none ('*')
  int64_t matePos = -1;  // PNEXT: the mate's leftmost direct-strand letter, 0-based; -1 for none
  int64_t tlen = 0;      // TLEN
  uint32_t nh = 1;       // NH: the read's (or pair's) placements
  uint32_t hi = 1;       // HI: this placement's 1-based rank
};

// Fills htslib records for the reads of a run, one read after another.
class SamRecordMaker {
 public:
  // ref must outlive the maker; misNu is the run's mismatch limit.
  SamRecordMaker(const Reference& ref, int32_t misNu) : ref_(ref), misNu_(misNu) {}

  // Takes the read whose records come next: QNAME its name, or its number
  // where it has none (a plain reads file); SEQ and QUAL as given, '*' for
  // letters not kept or qualities absent. r's views must stay valid while
  // its records are made.
  void SetRead(const ReadView& r);

  // Fills b with the record of hits[i] among the read's n hits, the
  // primary one given: FLAG 16 on the complementary strand and 256 unless
  // primary; RNAME the hit's sequence; POS its leftmost direct-strand
  // letter (1..LN; a hit across a circular sequence's origin runs past
  // LN); CIGAR length M; SEQ reverse complemented and QUAL reversed on the
  // complementary strand; tags NM (mismatches), MD (the genome's letters
  // where they differ, upper case), NH (n) and HI (i + 1). Returns false
  // when htslib fails (memory).
  bool HitRecord(const Hit* hits, size_t n, size_t i, size_t primary, bam1_t* b);

  // Fills b with the record of the read placed on strand s of sequence seq
  // with its leftmost direct-strand letter at left (0-based, within the
  // sequence) and mis mismatches (the search's count), the other fields
  // from place: POS, CIGAR, SEQ, QUAL, NM and MD as for HitRecord.
  bool PlacedRecord(uint32_t seq, Strand s, int64_t left, int mis, const RecordPlace& place, bam1_t* b);

  // Fills b with the read's unmapped record: FLAG 4 (with the bits of
  // extraFlags), RNAME and CIGAR '*', POS 0, SEQ and QUAL as given; with
  // YF:Z:LN when the read was not searched for its length.
  bool UnmappedRecord(bool searched, bam1_t* b, uint16_t extraFlags = 0);

 private:
  // The read's letters as they lie on the direct strand.
  const std::string& Letters(Strand s);
  const std::string* Quals(Strand s);
  // Sets MD and returns the mismatches of letters against the direct
  // strand of sequence seq from left, cyclically, looking no further than
  // the known-th mismatch (the search's count).
  int32_t Compare(uint32_t seq, int64_t left, const std::string& letters, int32_t known);

  const Reference& ref_;
  int32_t misNu_;
  std::string qname_;
  std::string seq_, rcSeq_;    // letters as given, their reverse complement
  std::string qual_, revQual_;  // Phred values, and reversed
  bool hasSeq_ = false, hasQual_ = false, rcDone_ = false;
  bool acgtOnly_ = false;  // the read holds no letter but A, C, G and T
  std::string md_;   // the MD tag of the current record
  std::string aux_;  // its tags in BAM's encoding
};

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_SAM_RECORD_H_
