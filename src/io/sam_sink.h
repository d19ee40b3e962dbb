// The SAM or BAM file of a run: one record per hit, reads in the order of
// the reads file, through htslib.
#ifndef QUORVANE_IO_SAM_SINK_H_
#define QUORVANE_IO_SAM_SINK_H_

#include <cstdint>
#include <memory>
#include <string>

#include "io/env.h"
#include "io/output_target.h"
#include "io/result_sink.h"
#include "io/sam_header.h"
#include "io/sam_record.h"

struct htsFile;
struct sam_hdr_t;
struct bam1_t;

namespace quorvane {

enum class SamFormat { kSam, kBam, kCram };

// The format a path asks for by its ending (".bam", ".cram", either
// case); SAM for anything else and for "-".
SamFormat SamFormatOf(const std::string& path);

struct SamSettings {
  std::string path;         // the file; "-" for SAM on standard output
  bool unaligned = true;    // write an unmapped record for every read without hits or not searched
  int32_t misNu = 0;        // the run's mismatch limit (for MAPQ)
  int threads = 1;          // htslib's own threads that compress a BAM file
  SamProgram program;       // the @PG line
};

// The first failure of a write or a close ends the run (see WriteFailed);
// the file of a failed run is removed, never put in place.
class SamSink final : public ResultSink {
 public:
  SamSink(Env& env, SamSettings settings);
  // Closes without a check and removes a file never committed.
  ~SamSink() override;

  // Opens the output (see OutputTarget: standard output, a device in
  // place, or a temporary file beside path). Fails with kCantOpen, "can't
  // open " + path, or kBadInput for a CRAM path (not written). A BAM file
  // is compressed by `threads` threads of htslib's.
  Status Open() override;
  // Writes the header (see SamHeaderText).
  Status Begin(const Reference& ref) override;
  // One record per hit, in the order given (see SamRecordMaker::HitRecord).
  Status Found(const ReadView& r, int64_t rdNom, const Hit* hits, size_t n) override;
  // An unmapped record, unless unaligned is off.
  Status NotFound(const ReadView& r) override;
  Status Skipped(const ReadView& r) override;
  // Closes the output, checking the close. The file keeps its temporary
  // name until Commit.
  Status Finish(const std::string& report) override;

  // Puts the closed file in place after a successful run; nothing for a
  // stream. Fails with kIoError ("can't write " + path).
  Status Commit();
  // Removes the file of a run that failed; a stream is left as it is.
  void Discard() { target_.Discard(); }

 private:
  // Writes the record in rec_.
  Status Write();
  // The status of a failed write or close: kPipeClosed (no message) when
  // the reader of the pipe went away, kIoError "can't write " + path (or
  // "can't write standard output") otherwise; OK after the first failure.
  Status WriteFailed();
  // Releases htslib's file, header and record, without a check.
  void Close();

  Env& env_;
  SamSettings s_;
  OutputTarget target_;
  htsFile* fp_ = nullptr;
  sam_hdr_t* hdr_ = nullptr;
  bam1_t* rec_ = nullptr;
  std::unique_ptr<SamRecordMaker> maker_;
  bool failed_ = false;  // a write failed; the file is incomplete
};

}  // namespace quorvane

#endif  // QUORVANE_IO_SAM_SINK_H_
