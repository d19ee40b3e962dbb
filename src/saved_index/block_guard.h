// The blocks of a mapped saved index's body and which of them have been
// verified: every byte a run uses is checked against its block's checksum
// first, once.
#ifndef QUORVANE_SAVED_INDEX_BLOCK_GUARD_H_
#define QUORVANE_SAVED_INDEX_BLOCK_GUARD_H_

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/table_check.h"
#include "saved_index/index_layout.h"

namespace quorvane {

class BlockGuard final : public TableCheck {
 public:
  // base: the mapped file, which outlives the guard; sections: its body's
  // (BodySections); sums: their blocks' checksums, verified already;
  // path names the file in messages.
  BlockGuard(const char* base, std::vector<BodySection> sections, const uint64_t* sums, uint32_t blockShift,
             std::string path);

  // TableCheck: verifies the blocks under [p, p + bytes) not yet verified.
  bool Whole(const void* p, size_t bytes) override;
  Status failure() const override;

  // Verifies every block of section s (an index into sections()) not yet
  // verified, shared among up to threads threads; false at a damaged one.
  bool VerifySection(size_t s, int threads);
  // The same for every section.
  bool VerifyAll(int threads);
  // Verifies, in file order from where the last call stopped, every block
  // that ends at or before the file offset end; false at a damaged one.
  // For a file read in pieces: called once a piece has arrived. One thread.
  bool VerifyThrough(uint64_t end);

  // The damaged blocks of section s found so far, numbered from 1 within
  // it.
  std::vector<uint64_t> Damaged(size_t s) const;

  const std::vector<BodySection>& sections() const { return sections_; }
  // Whether every block has been verified whole.
  bool allVerified() const { return all_.load(std::memory_order_acquire); }

 private:
  // Verifies block b (global) of section s; false when damaged.
  bool VerifyBlock(size_t s, uint64_t b);

  const char* base_;
  std::vector<BodySection> sections_;
  const uint64_t* sums_;
  uint32_t shift_;
  std::string path_;
  // Per block: 0 not verified yet, 1 whole, 2 damaged.
  std::unique_ptr<std::atomic<uint8_t>[]> state_;
  std::atomic<bool> all_{false};
  size_t throughSection_ = 0;  // where VerifyThrough goes on
  uint64_t throughBlock_ = 0;
  std::atomic<bool> failed_{false};
  mutable std::mutex mu_;
  Status failure_;  // the first damage, under mu_
};

}  // namespace quorvane

#endif  // QUORVANE_SAVED_INDEX_BLOCK_GUARD_H_
