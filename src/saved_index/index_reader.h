// The saved index as a run sees it: a genome and its fast index mapped
// read-only from one file, so that a run pays neither the build nor a
// copy.
#ifndef QUORVANE_SAVED_INDEX_INDEX_READER_H_
#define QUORVANE_SAVED_INDEX_INDEX_READER_H_

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/status.h"
#include "engine/fast_index.h"
#include "engine/reference.h"
#include "env/env.h"
#include "saved_index/index_layout.h"

namespace quorvane {

// A saved index mapped into memory, read-only; what it hands out stays
// valid while any Reference it made or this object lives.
class SavedIndex {
 public:
  // Maps the saved index at path and checks it: its magic and version,
  // that it is whole (every section within the file, the file as long as
  // its head says), the checksum of its head and of its letters, and that
  // the genome file it was made from, where that still exists, has not
  // changed since. Fails with kCantOpen ("can't open " + path) or kBadInput
  // with a message that says which check failed and names the file.
  static Status Open(const std::string& path, std::unique_ptr<SavedIndex>& out);

  // The genome, viewing the mapped letters.
  Reference MakeReference() const;
  // Its stretches of letters other than A, C, G, T.
  std::vector<std::pair<int64_t, int64_t>> Uncoded() const;
  // The index tables, pointing into the mapping.
  const FastIndexTables& tables() const { return tables_; }

  int64_t letters() const { return letters_; }
  int64_t sequences() const { return static_cast<int64_t>(seqs_.size()); }
  const IndexSource& source() const { return source_; }

 private:
  struct Mapping;
  std::shared_ptr<Mapping> map_;
  std::vector<RefSeq> seqs_;
  const char* letterData_ = nullptr;
  int64_t letters_ = 0;
  const int64_t* uncoded_ = nullptr;  // begin, end pairs
  uint64_t uncodedCount_ = 0;
  FastIndexTables tables_;
  IndexSource source_;
};

// Whether path is a regular file that begins as a saved index (a pipe or
// FIFO is never looked into: its bytes would be lost to the run).
bool IsSavedIndexFile(Env& env, const std::string& path);

// Opens the saved index at path for a run (SavedIndex::Open); a run that
// asks for linear sequences is refused first with kBadInput ("--linear is
// given when the saved index is made …" + path), since the index fixed
// each sequence's topology when it was made.
Status OpenSavedIndexForRun(const std::string& path, bool linear, std::unique_ptr<SavedIndex>& out);

// Reads only the head of the saved index at path: its letters and
// sequences, for the input checks. Fails as SavedIndex::Open does for the
// head.
Status ReadSavedIndexShape(const std::string& path, int64_t& letters, int64_t& sequences);

}  // namespace quorvane

#endif  // QUORVANE_SAVED_INDEX_INDEX_READER_H_
