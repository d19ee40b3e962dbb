// The layout of a saved index file, shared by its writer and its reader.
//
// Layout (little-endian, every section 64-byte aligned): a fixed head
// (magic, version, sizes, checksums, the genome file it was made from),
// the sequence table and names, the stretches of letters other than A, C,
// G, T, the letters themselves with their pad, then the index tables.
#ifndef QUORVANE_SAVED_INDEX_INDEX_LAYOUT_H_
#define QUORVANE_SAVED_INDEX_INDEX_LAYOUT_H_

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/status.h"

namespace quorvane {

// The first bytes of every saved index.
inline constexpr char kIndexMagic[8] = {'Q', 'V', 'R', 'N', 'I', 'D', 'X', '\n'};
// The layout this program writes and reads.
inline constexpr uint32_t kIndexVersion = 1;
// Every section begins on a multiple of this.
inline constexpr uint64_t kIndexAlign = 64;

// The fixed head of the file.
struct IndexHead {
  char magic[8];
  uint32_t version;
  uint32_t step;           // of the index: 1 or 2
  uint64_t fileBytes;      // the whole file
  uint64_t letters;        // of all sequences together
  uint64_t sequences;
  uint64_t entries;        // starts indexed
  uint32_t segments;
  uint32_t segmentBits;
  uint64_t uncodedCount;   // stretches of letters other than A, C, G, T
  uint64_t seqTableAt;     // sequences entries of SeqEntry
  uint64_t namesAt;        // the names back to back, then the source's path
  uint64_t namesBytes;
  uint64_t uncodedAt;      // uncodedCount pairs of int64 begin, end
  uint64_t lettersAt;      // letters + kLetterPad bytes
  uint64_t offAt;          // 65,537 uint64
  uint64_t posAt;          // entries + 1 uint32
  uint64_t ctxAt;          // entries + kScanPad uint32
  uint64_t segAt;          // 65,536 * segments uint64, when segments > 1
  uint64_t lettersChecksum;
  int64_t sourceSize;      // the genome file's size when the index was made; -1 for none
  int64_t sourceMtimeNs;
  uint64_t sourcePathBytes;  // at namesAt + namesBytes - sourcePathBytes
  uint64_t metaChecksum;   // of every byte before lettersAt, this field taken as 0
};
static_assert(sizeof(IndexHead) % 8 == 0);

struct SeqEntry {
  uint64_t offset;
  uint64_t length;
  uint64_t nameAt;  // within the names
  uint32_t nameBytes;
  uint32_t circular;
};

// Rounds v up to the sections' alignment.
inline uint64_t IndexAlign(uint64_t v) { return (v + kIndexAlign - 1) / kIndexAlign * kIndexAlign; }

// Whether a section of bytes bytes at at lies within a file of size bytes,
// on its alignment.
inline bool IndexSectionWithin(uint64_t at, uint64_t bytes, uint64_t size) {
  return at % kIndexAlign == 0 && at <= size && bytes <= size - at;
}

// Whether head (a file's first bytes) begins a saved index.
bool IsSavedIndexHead(const std::string& head);

// The genome file an index was made from, to tell a stale index.
struct IndexSource {
  std::string path;   // absolute; empty for a stream
  int64_t size = -1;  // bytes when the index was made
  int64_t mtimeNs = 0;
};

// Finds the source of the genome file at path as the index writer records
// it: its absolute path, size and time; empty for a stream or a missing
// file.
IndexSource SourceOf(const std::string& path);

// A 64-bit checksum of n bytes, fast enough to run over a genome at every
// run (several GB/s).
uint64_t Checksum64(const void* data, size_t n);

// The message of a damaged index: why, then the file.
std::string IndexDamaged(const std::string& why, const std::string& path);

// Checks the head of an index file of bytes bytes: magic, version, and
// that the file is as long as the head says. Fails with kBadInput.
Status CheckIndexHead(const IndexHead& h, uint64_t bytes, const std::string& path);

}  // namespace quorvane

#endif  // QUORVANE_SAVED_INDEX_INDEX_LAYOUT_H_
