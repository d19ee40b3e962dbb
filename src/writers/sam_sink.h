// The SAM or BAM file of a run: one record per hit, reads in the order of
// the reads file.
#ifndef QUORVANE_WRITERS_SAM_SINK_H_
#define QUORVANE_WRITERS_SAM_SINK_H_

#include <cstdint>
#include <memory>
#include <string>

#include "writers/background_writer.h"
#include "writers/bgzf_block.h"
#include "env/env.h"
#include "writers/output_target.h"
#include "writers/pair_sam_encoder.h"
#include "writers/pair_sink.h"
#include "writers/result_sink.h"
#include "writers/sam_encoder.h"
#include "writers/sam_header.h"
#include "writers/sam_record.h"

struct sam_hdr_t;

namespace quorvane {

enum class SamFormat { kSam, kBam, kCram };

// The format a path asks for by its ending (".bam", ".cram", either
// case); SAM for anything else and for "-".
SamFormat SamFormatOf(const std::string& path);

struct SamSettings {
  std::string path;         // the file; "-" for standard output
  bool unaligned = true;    // write an unmapped record for every read without hits or not searched
  bool uncompressed = false;  // BAM with its blocks stored, not compressed, whatever path's ending
  int32_t misNu = 0;        // the run's mismatch limit (for MAPQ)
  SamProgram program;       // the @PG line
};

// The first failure of a write or a close ends the run (see WriteFailed);
// the file of a failed run is removed, never put in place. The records of
// a read may be made by encoders on the searching threads (NewEncoder) or
// by the sink itself; a thread of the sink's own compresses and writes
// them while the search goes on. A pair run hands it pairs instead of
// reads, in the same way.
class SamSink final : public ResultSink, public PairSink {
 public:
  SamSink(Env& env, SamSettings settings);
  // Closes without a check and removes a file never committed.
  ~SamSink() override;

  // Opens the output (see OutputTarget: standard output, a device in
  // place, or a temporary file beside path) through env. Fails with
  // kCantOpen, "can't open " + path, or kBadInput for a CRAM path (not
  // written). SAM text for standard output and for names that do not end
  // in ".bam"; BAM (BGZF level 1, or stored when uncompressed) otherwise.
  Status Open() override;
  // Writes the header (see SamHeaderText).
  Status Begin(const Reference& ref) override;
  // One record per hit, in the order given (see SamRecordMaker::HitRecord).
  Status Found(const ReadView& r, int64_t rdNom, const Hit* hits, size_t n) override;
  // An unmapped record, unless unaligned is off.
  Status NotFound(const ReadView& r) override;
  Status Skipped(const ReadView& r) override;
  // Encoders of the same records (see SamEncoder), after Begin.
  std::unique_ptr<ReadEncoder> NewEncoder() override;
  Status WriteEncoded(std::string& bytes) override;
  // Two records per placement of a pair, or two unmapped records (see
  // PairSamEncoder); a pair with very many placements goes out in parts.
  Status PairFound(const PairView& p, int64_t prNom, const MatePair& pair, const PairSummary& sum) override;
  Status PairNotFound(const PairView& p) override;
  Status PairSkipped(const PairView& p) override;
  std::unique_ptr<PairEncoder> NewPairEncoder() override;
  // Ends the file (BAM's end block) and closes it, checking the close.
  // The file keeps its temporary name until Commit.
  Status Finish(const std::string& report) override;

  // Puts the closed file in place after a successful run; nothing for a
  // stream. Fails with kIoError ("can't write " + path).
  Status Commit();
  // Removes the file of a run that failed; a stream is left as it is.
  void Discard() { target_.Discard(); }

 private:
  // Hands a piece of records (SAM lines or BAM records) to the writing
  // thread; the first failure of a write so far.
  Status Put(std::string& piece);
  // Hands over what the sink's own encoders made.
  Status PutOwn();
  // On the writing thread: compresses a piece (BAM) and writes it.
  Status WritePiece(std::string& piece);
  // Writes bytes to the file.
  Status Append(std::string_view bytes);
  // The status of a failed write or close: kPipeClosed (no message) when
  // the reader of the pipe went away, kIoError "can't write " + path (or
  // "can't write standard output") otherwise; OK after the first failure.
  Status WriteFailed(int err);

  Env& env_;
  SamSettings s_;
  SamEncoding enc_;
  OutputTarget target_;
  std::unique_ptr<WritableFile> file_;
  const Reference* ref_ = nullptr;
  sam_hdr_t* hdr_ = nullptr;
  std::unique_ptr<SamEncoder> own_;  // for the reads no searching thread encoded
  std::unique_ptr<PairSamEncoder> ownPair_;  // for the pairs no searching thread encoded
  std::string piece_;                // what own_ made, on its way to the writer
  // Compresses and writes the pieces beside the searching threads.
  std::unique_ptr<BackgroundWriter> writer_;
  // On the writing thread (BAM): the compressor, the records that do not
  // fill a block yet, and the blocks made.
  std::unique_ptr<BgzfCompressor> bgzf_;
  std::string carry_, blocks_;
  bool failed_ = false;  // a write failed; the file is incomplete
  bool told_ = false;    // the run has been told of the failure
};

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_SAM_SINK_H_
