// The saved index as a run sees it: a genome and its fast index mapped
// read-only from one file, so that a run pays neither the build nor a
// copy, every block verified before its bytes are used.
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
#include "guides/site_table.h"
#include "saved_index/block_guard.h"
#include "saved_index/index_layout.h"

namespace quorvane {

// An index of at most this many bytes is read whole into the run's memory
// and verified as it is read: a run of any size touches most of it, and
// one pass costs less than checking as it goes (and less than mapping its
// pages one by one). A larger one is mapped, its letters and small tables
// verified at opening, and the rest block by block when a search first
// touches them.
inline constexpr uint64_t kVerifyAtOpenBytes = uint64_t{256} << 20;

// How an index is opened.
struct IndexOpenOptions {
  int threads = 1;  // threads that verify at opening
  // When the blocks are verified: by the body's size (kVerifyAtOpenBytes),
  // all at opening, or only the letters and small tables then.
  enum class Verify { kBySize, kAllAtOpen, kWhenTouched };
  Verify verify = Verify::kBySize;
  // For a mapped index, whether its letters are verified at opening; a run
  // that verifies every letter it reads as it goes (a guide search through
  // a site table) leaves them.
  bool lettersAtOpen = true;
};

// A saved index in memory, read-only: mapped, or for a small one read
// whole; what it hands out stays valid while any Reference it made or
// this object lives.
class SavedIndex {
 public:
  // Maps the saved index at path and checks it: its magic and version,
  // that it is whole (every section within the file, the file as long as
  // its head says), the checksums of its head, of its names and of its
  // block checksums, the blocks verified at opening (see
  // IndexOpenOptions), that its tables add up, and that the genome file
  // it was made from, where that still exists, has not changed since.
  // Fails with kCantOpen ("can't open " + path) or kBadInput with a
  // message that says which check failed and names the file.
  static Status Open(const std::string& path, std::unique_ptr<SavedIndex>& out, const IndexOpenOptions& o = {});

  // The first half of Open, for a check of the whole file: maps it and
  // checks its head, its names and its block checksums, verifying no block.
  // Fails as Open does.
  static Status MapUnverified(const std::string& path, std::unique_ptr<SavedIndex>& out);
  // The second half, once the letters and the bucket starts (and segment
  // starts) are verified: reads the sequence table, checks that the tables
  // add up and that the index is not stale, and makes the tables ready.
  Status ReadTables(const std::string& path);

  // The genome, viewing the mapped letters.
  Reference MakeReference() const;
  // Its stretches of letters other than A, C, G, T.
  std::vector<std::pair<int64_t, int64_t>> Uncoded() const;
  // The index tables, pointing into the mapping; their check is set when
  // blocks are left to be verified as they are touched.
  const FastIndexTables& tables() const { return tables_; }
  // The blocks of the body and which are verified.
  BlockGuard& guard() const { return *guard_; }
  // The PAM site tables' directory.
  const std::vector<PamTableEntry>& pamTables() const { return pams_; }
  // The site table of pam, if the index keeps one: true and view set
  // (its check set while blocks are left to verify as they are touched).
  bool FindSiteTable(const Pam& pam, SiteTableView& view) const;
  // Table i of the directory (0 <= i < pamTables().size()), as
  // FindSiteTable gives it.
  SiteTableView TableView(size_t i) const;
  // Maps in at once the pages of the letters and of the site table v (of
  // this index) when together they take at most kVerifyAtOpenBytes: a
  // guide run then reads most of them, and one call costs less than a
  // fault per page. Nothing for a larger index, whose runs touch a small
  // part.
  void PrepareTableRead(const SiteTableView& v) const;
  // The mapped file's bytes from at (a place the head or directory gives).
  const char* At(uint64_t at) const;

  int64_t letters() const { return letters_; }
  int64_t sequences() const { return static_cast<int64_t>(seqs_.size()); }
  const IndexSource& source() const { return source_; }
  const IndexHead& head() const { return head_; }

 private:
  struct Mapping;
  // Whether the PAM table directory's entries are sane and their sections
  // are where the directory says, each large enough.
  bool TablesFit(const std::vector<BodySection>& sections) const;
  // The checks before anything of the body is read: head, names, sums.
  Status CheckMeta(const std::string& path);
  // The first half of Open for an index verified whole: reads the file
  // into memory of its own, the body a piece at a time, verifying each
  // block as it arrives. Fails as Open does, or kIoError "can't read ".
  static Status ReadVerified(const std::string& path, std::unique_ptr<SavedIndex>& out);

  std::shared_ptr<Mapping> map_;
  const char* base_ = nullptr;
  IndexHead head_{};
  std::vector<PamTableEntry> pams_;
  std::vector<RefSeq> seqs_;
  std::shared_ptr<BlockGuard> guard_;
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
Status OpenSavedIndexForRun(const std::string& path, bool linear, const IndexOpenOptions& o,
                            std::unique_ptr<SavedIndex>& out);

// Reads only the head of the saved index at path: its letters and
// sequences, for the input checks. Fails as SavedIndex::Open does for the
// head.
Status ReadSavedIndexShape(const std::string& path, int64_t& letters, int64_t& sequences);

}  // namespace quorvane

#endif  // QUORVANE_SAVED_INDEX_INDEX_READER_H_
