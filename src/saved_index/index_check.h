// The check of a whole saved index, as `quorvane-map index --verify`
// makes it: every section against its checksums, and what was found.
#ifndef QUORVANE_SAVED_INDEX_INDEX_CHECK_H_
#define QUORVANE_SAVED_INDEX_INDEX_CHECK_H_

#include <string>
#include <vector>

#include "common/status.h"

namespace quorvane {

// What a check found, one line per part of the file, for the user.
struct IndexCheckReport {
  std::vector<std::string> lines;
};

// Checks the saved index at path whole: its head, its sequence table and
// names, its block checksums, then every block of every section of its
// body (shared among threads threads), and that its tables add up and its
// genome file has not changed since it was made. Every section is checked
// even after a damaged one, and each gets its line in report ("letters:
// 76 blocks, whole", "positions: 283 blocks, 1 damaged: block 12"). Fails
// with the message a run from the index would give (the first damage
// found, "saved index is truncated", "... is stale ...", "... of version
// N ..."), kCantOpen when the file cannot be opened; report then holds
// what was found before and beside it.
Status CheckSavedIndex(const std::string& path, int threads, IndexCheckReport& report);

}  // namespace quorvane

#endif  // QUORVANE_SAVED_INDEX_INDEX_CHECK_H_
