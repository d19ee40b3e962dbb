// The records of a SAM or BAM file for reads and their hits, made on any
// thread: SAM text lines, or BAM records before their compression into
// BGZF blocks. Each thread keeps its own encoder; the pieces that the
// encoders hand out follow one another in the order of the reads.
#ifndef QUORVANE_WRITERS_SAM_ENCODER_H_
#define QUORVANE_WRITERS_SAM_ENCODER_H_

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/reference.h"
#include "writers/result_sink.h"
#include "writers/sam_record.h"

struct sam_hdr_t;
struct bam1_t;

namespace quorvane {

// How the records are written: SAM text, or BAM with its blocks
// compressed (level 1) or stored (level 0).
struct SamEncoding {
  bool bam = false;
  int bamLevel = 1;
  int32_t misNu = 0;       // the run's mismatch limit (for MAPQ)
  bool unaligned = true;   // an unmapped record for every read without hits or not searched
};

// The file's first bytes: the header text hdrText for SAM; for BAM, BAM's
// binary header (the text, then the name and length of each sequence of
// hdr) in blocks of its own.
std::string SamFileHead(const std::string& hdrText, const sam_hdr_t* hdr, const SamEncoding& e);

// A read's records cost about this many bytes each, hits and unmapped
// records alike; for bounding what is made at once.
size_t SamRecordBytes(const ReadView& r);

// SAM text lines or BAM records made of htslib records, gathered until
// they are taken; one per thread.
class SamRecordBuffer {
 public:
  // hdr (the file's header, for the sequence names of SAM text) must
  // outlive the buffer and stay unchanged.
  SamRecordBuffer(const sam_hdr_t* hdr, bool bam) : hdr_(hdr), bam_(bam) {}
  ~SamRecordBuffer();
  SamRecordBuffer(const SamRecordBuffer&) = delete;
  SamRecordBuffer& operator=(const SamRecordBuffer&) = delete;

  // Appends the record b. Fails with kNoMemory "no mem Chns,
  // ArrMisMatches" when htslib cannot format it.
  Status Add(const bam1_t* b);
  size_t pending() const { return out_.size(); }
  // Appends the bytes gathered to out and forgets them.
  void Take(std::string& out);

 private:
  const sam_hdr_t* hdr_;
  bool bam_;
  std::string out_;          // SAM lines or BAM records
  char* lineBuf_ = nullptr;  // htslib's buffer for one SAM line
  size_t lineCap_ = 0;
};

class SamEncoder final : public ReadEncoder {
 public:
  // ref and hdr (the file's header, for the sequence names of SAM text)
  // must outlive the encoder and stay unchanged.
  SamEncoder(const Reference& ref, const sam_hdr_t* hdr, const SamEncoding& e);
  ~SamEncoder() override;
  SamEncoder(const SamEncoder&) = delete;
  SamEncoder& operator=(const SamEncoder&) = delete;

  // One record per hit, in the order given (see SamRecordMaker::HitRecord).
  // Fail with kNoMemory "no mem Chns, ArrMisMatches" when htslib cannot
  // make a record.
  Status Found(const ReadView& r, const Hit* hits, size_t n) override;
  // An unmapped record, unless unaligned is off.
  Status NotFound(const ReadView& r) override;
  Status Skipped(const ReadView& r) override;
  // The records of hits[from, to) among the read's n hits, the primary
  // one given (see PrimaryHit): a read with very many hits, in parts.
  Status FoundPart(const ReadView& r, const Hit* hits, size_t n, size_t primary, size_t from, size_t to);

  size_t pending() const override { return out_.pending(); }
  void Take(std::string& out) override { out_.Take(out); }

 private:
  SamEncoding e_;
  SamRecordMaker maker_;
  bam1_t* rec_;
  SamRecordBuffer out_;  // what Take hands out
};

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_SAM_ENCODER_H_
