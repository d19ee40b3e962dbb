// The saved index: a genome and its fast index in one file, written once
// and mapped read-only by every run that names it, so that a run pays
// neither the build nor a copy.
//
// Layout (little-endian, every section 64-byte aligned): a fixed head
// (magic, version, sizes, checksums, the genome file it was made from),
// the sequence table and names, the stretches of letters other than A, C,
// G, T, the letters themselves with their pad, then the index tables.
#ifndef QUORVANE_IO_SAVED_INDEX_H_
#define QUORVANE_IO_SAVED_INDEX_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/status.h"
#include "engine/fast_index.h"
#include "engine/genome_store.h"
#include "engine/reference.h"
#include "io/env.h"

namespace quorvane {

// The first bytes of every saved index.
inline constexpr char kIndexMagic[8] = {'Q', 'V', 'R', 'N', 'I', 'D', 'X', '\n'};
// The layout this program writes and reads.
inline constexpr uint32_t kIndexVersion = 1;

// Whether head (a file's first bytes) begins a saved index.
bool IsSavedIndexHead(const std::string& head);

// The genome file an index was made from, to tell a stale index.
struct IndexSource {
  std::string path;   // absolute; empty for a stream
  int64_t size = -1;  // bytes when the index was made
  int64_t mtimeNs = 0;
};

// Writes the genome of store and its index as a saved index at path: under
// a temporary name beside it, renamed over path when whole. source names
// the genome file it was made from. progress, when given, hears each
// fraction (0..1) written. Fails with kCantOpen or kIoError (the message
// names the file); nothing is left at path then, and an earlier file there
// stays as it was.
Status WriteSavedIndex(Env& env, const std::string& path, const GenomeStore& store, const FastIndex& index,
                       const IndexSource& source, const std::function<void(double)>& progress = nullptr);

// Finds the source of the genome file at path as WriteSavedIndex records it.
IndexSource SourceOf(const std::string& path);

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

// A 64-bit checksum of n bytes, fast enough to run over a genome at every
// run (several GB/s).
uint64_t Checksum64(const void* data, size_t n);

}  // namespace quorvane

#endif  // QUORVANE_IO_SAVED_INDEX_H_
