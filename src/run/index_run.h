// Making a saved index: the genome read, indexed and written as one file
// that later runs map instead of building their index.
#ifndef QUORVANE_RUN_INDEX_RUN_H_
#define QUORVANE_RUN_INDEX_RUN_H_

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/status.h"
#include "env/env.h"
#include "guides/guide_query.h"
#include "guides/site_table.h"

namespace quorvane {

struct IndexOptions {
  std::string genome;   // the genome file, any format a run reads
  std::string output;   // the saved index to write (replaced when whole)
  bool linear = false;  // sequences are linear unless their headers say otherwise
  int threads = 1;      // threads that index
  int step = 0;         // the index's step: 0 by the genome's size (tests set 1 or 2)
  // PAMs whose site tables the index keeps, each checked by ParsePam; and
  // the longest guide they serve (2 * kMaxTableKey to kMaxGuideLen).
  std::vector<Pam> pams;
  int maxGuide = kDefaultTableGuide;
  // Bytes of entries a site table's build holds at once; 0 for the
  // default (tests make it small to build a table a few keys at a time).
  uint64_t tableBuildBytes = 0;
  Env* env = nullptr;   // the file system; null for the real one
  // Hears each stage as it begins ("reading", "indexing", "counting PAM
  // sites" when site tables are asked for, "writing") and
  // the fraction written; may be null.
  std::function<void(const std::string& stage, double done)> progress;
  // Asked between stages and while a pipe's writer is awaited: true ends
  // the run as interrupted.
  std::function<bool()> stop;
};

// What was written.
struct IndexSummary {
  int64_t letters = 0;
  int64_t sequences = 0;
  int64_t bytes = 0;  // of the saved index
  int step = 1;
  // Each site table kept: its PAM, the sites and the bytes of its sections.
  struct Table {
    Pam pam;
    int64_t sites = 0;  // regular and odd together
    int64_t bytes = 0;
    int maxGuide = 0;
  };
  std::vector<Table> tables;
};

// Reads the genome, builds its index and writes both as a saved index at
// output. Fails with the genome's messages (see ReadGenome), kBadInput
// ("the index file is the genome file\n" + output, "the genome is a saved
// index already\n" + genome, "PAM P is given twice", "the longest guide
// of a site table is 20 to 40 letters, not N"), kNoMemory, kInterrupted,
// or the write's
// (see WriteSavedIndex); a failure leaves nothing at output that was not
// there before.
Status MakeSavedIndex(const IndexOptions& o, IndexSummary& out);

}  // namespace quorvane

#endif  // QUORVANE_RUN_INDEX_RUN_H_
