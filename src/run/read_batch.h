// A batch of consecutive reads and, once searched, their hits.
#ifndef QUORVANE_RUN_READ_BATCH_H_
#define QUORVANE_RUN_READ_BATCH_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/mis_match.h"
#include "run/record_format.h"

namespace quorvane {

struct ReadBatch {
  // --- filled by the reader ---
  std::string letters;           // the accepted reads' letters, back to back
  std::vector<uint32_t> beg;     // start of read i in letters
  std::vector<uint16_t> len;     // rdLen of read i
  int64_t lines = 0;             // lines delivered, accepted or not
  int64_t shortBig = 0;          // of them, lines outside the length limits
  // Progress marks: the accepted count of the whole run at each line whose
  // number is a multiple of 1000, the line itself not yet counted.
  std::vector<int64_t> marks;
  std::vector<int64_t> markLines;  // the line number of each mark
  int64_t bytesRead = 0;         // bytes of the reads file consumed after the batch

  // --- filled by the search ---
  std::vector<MisMatch> hits;    // the hits of every read, read after read
  std::vector<uint32_t> hitEnd;  // end of read i's hits in hits
  std::vector<int32_t> upNu;     // direct-strand hits of read i
  bool memFail = false;          // a hit list could not grow

  // --- filled once the batch is numbered ---
  int64_t found = 0;             // reads with hits
  int64_t hitNu = 0;             // all their hits
  int64_t upHitNu = 0;           // of them on the direct strand
  RecordTexts texts;             // the batch's records, ready to write

  size_t reads() const { return beg.size(); }
  std::string_view read(size_t i) const { return std::string_view(letters.data() + beg[i], len[i]); }
  uint32_t hitBeg(size_t i) const { return i == 0 ? 0 : hitEnd[i - 1]; }

  // Empties the batch for reuse, keeping its memory.
  void Clear() {
    letters.clear();
    beg.clear();
    len.clear();
    lines = shortBig = bytesRead = 0;
    marks.clear();
    markLines.clear();
    hits.clear();
    hitEnd.clear();
    upNu.clear();
    memFail = false;
    found = hitNu = upHitNu = 0;
    texts.Clear();
  }
};

}  // namespace quorvane

#endif  // QUORVANE_RUN_READ_BATCH_H_
