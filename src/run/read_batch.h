// A batch of consecutive reads and, once searched, their hits.
#ifndef QUORVANE_RUN_READ_BATCH_H_
#define QUORVANE_RUN_READ_BATCH_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/hit.h"
#include "pairs/mate_hit.h"
#include "pairs/mate_pair.h"
#include "readers/read_source.h"
#include "writers/result_sink.h"

namespace quorvane {

struct ReadBatch {
  // One read of the batch; its texts lie in ReadBatch::text.
  struct Read {
    uint32_t name = 0, nameLen = 0;  // the read's name
    uint32_t seq = 0, seqLen = 0;    // its letters, as far as they were kept
    uint32_t qual = 0, qualLen = 0;  // its qualities
    int64_t length = 0;              // its letters in the file
    bool accepted = false;           // kMinRdLen..kMaxRdLen letters: searched
  };

  // --- filled by the reading stage ---
  std::string text;          // names, letters and qualities of the reads, back to back
  std::vector<Read> reads;   // in the order of the reads file
  int64_t firstNumber = 0;   // the 1-based place of reads[0] in the reads file
  // Progress marks: at every read whose place is a multiple of 1000, the
  // accepted reads of the whole run before it, and that place.
  std::vector<int64_t> markAccepted, markPlace;
  int64_t bytesRead = 0;     // bytes of the reads file consumed after the batch

  // --- filled by the searching stage ---
  std::vector<Hit> hits;         // the hits of reads[0 .. searched), read after read
  std::vector<uint32_t> hitEnd;  // end of read i's hits in hits, for i < searched
  size_t searched = 0;           // reads searched; the writing stage searches the rest

  // --- filled by the searching stage of a pair run, where reads 2i and
  // 2i + 1 are the mates of pair i and hitEnd indexes mateHits ---
  std::vector<MateHit> mateHits;      // the hits of reads[0 .. searched), each read's sorted for pairing
  std::vector<PairSummary> pairSums;  // the summary of each searched pair

  // --- filled by the searching stage for the sinks that encode their records ---
  std::vector<std::string> encoded;  // per encoding sink, the bytes of reads[0 .. encodedReads)
  size_t encodedReads = 0;           // reads encoded; the writing stage hands the rest to the sinks

  size_t size() const { return reads.size(); }
  std::string_view seq(size_t i) const { return {text.data() + reads[i].seq, reads[i].seqLen}; }
  std::string_view name(size_t i) const { return {text.data() + reads[i].name, reads[i].nameLen}; }
  std::string_view qual(size_t i) const { return {text.data() + reads[i].qual, reads[i].qualLen}; }
  uint32_t hitBeg(size_t i) const { return i == 0 ? 0 : hitEnd[i - 1]; }
  // Read i as the sinks see it.
  ReadView view(size_t i) const {
    return ReadView{name(i), seq(i), qual(i), firstNumber + static_cast<int64_t>(i), reads[i].length};
  }

  // Adds a read as the source gave it.
  void Add(const ReadRecord& r, bool accepted) {
    Read e;
    e.name = static_cast<uint32_t>(text.size());
    e.nameLen = static_cast<uint32_t>(r.name.size());
    text.append(r.name);
    e.seq = static_cast<uint32_t>(text.size());
    e.seqLen = static_cast<uint32_t>(r.seq.size());
    text.append(r.seq);
    e.qual = static_cast<uint32_t>(text.size());
    e.qualLen = static_cast<uint32_t>(r.qual.size());
    text.append(r.qual);
    e.length = r.length;
    e.accepted = accepted;
    reads.push_back(e);
  }

  // Empties the batch for reuse, keeping its memory.
  void Clear() {
    text.clear();
    reads.clear();
    firstNumber = bytesRead = 0;
    markAccepted.clear();
    markPlace.clear();
    hits.clear();
    hitEnd.clear();
    searched = 0;
    mateHits.clear();
    pairSums.clear();
    for (std::string& e : encoded) e.clear();
    encodedReads = 0;
  }
};

}  // namespace quorvane

#endif  // QUORVANE_RUN_READ_BATCH_H_
