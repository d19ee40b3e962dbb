// The layout of a saved index file, shared by its writer and its reader.
//
// Layout (little-endian, every section 64-byte aligned):
//
//   head      IndexHead, then the directory of PAM site tables
//             (pamTables entries of PamTableEntry); one checksum
//   names     the sequence table, the names and the genome file's path,
//             the stretches of letters other than A, C, G, T; one checksum
//   body      the letters with their pad, the seed index tables, the PAM
//             site tables: each section cut into blocks of 2^blockShift
//             bytes (the last one shorter), each block with a checksum;
//             a section's blocks run up to the next section's start, so
//             that no byte of the body is left unchecked
//   sums      one 64-bit checksum per block, section after section
//   tail      IndexTail: the checksum of the sums, and an end mark
//
// A run verifies a block before it uses its bytes: all of them when the
// index is opened, or, for a large index, the letters then and the rest
// when first touched (see BlockGuard).
#ifndef QUORVANE_SAVED_INDEX_INDEX_LAYOUT_H_
#define QUORVANE_SAVED_INDEX_INDEX_LAYOUT_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/status.h"

namespace quorvane {

// The first bytes of every saved index.
inline constexpr char kIndexMagic[8] = {'Q', 'V', 'R', 'N', 'I', 'D', 'X', '\n'};
// The last bytes of every saved index of this layout.
inline constexpr char kIndexEndMark[8] = {'Q', 'V', 'R', 'N', 'E', 'N', 'D', '\n'};
// The layout this program writes and reads. Version 1 had no checksums
// over its tables: it is refused, since a run could not tell a damaged
// table from a whole one.
inline constexpr uint32_t kIndexVersion = 2;
// Every section begins on a multiple of this.
inline constexpr uint64_t kIndexAlign = 64;
// Body blocks of 64 KiB: a block costs about 5 microseconds to verify, and
// the checksums take an eight-thousandth of the body.
inline constexpr uint32_t kIndexBlockShift = 16;

// The fixed head of the file.
struct IndexHead {
  char magic[8];
  uint32_t version;
  uint32_t step;           // of the seed index: 1 or 2
  uint64_t fileBytes;      // the whole file, tail included
  uint64_t letters;        // of all sequences together
  uint64_t sequences;
  uint64_t entries;        // starts in the seed index
  uint32_t segments;       // ranges of 2^segmentBits letters of the seed index
  uint32_t segmentBits;
  uint64_t uncodedCount;   // stretches of letters other than A, C, G, T
  uint64_t seqTableAt;     // sequences entries of SeqEntry; the names region begins here
  uint64_t namesAt;        // the names back to back, then the source's path
  uint64_t namesBytes;
  uint64_t uncodedAt;      // uncodedCount pairs of int64 begin, end
  uint64_t lettersAt;      // letters + kLetterPad bytes; the body begins here
  uint64_t offAt;          // 65,537 uint64
  uint64_t posAt;          // entries + 1 uint32
  uint64_t ctxAt;          // entries + kScanPad uint32
  uint64_t segAt;          // 65,536 * segments uint64, when segments > 1; else 0
  int64_t sourceSize;      // the genome file's size when the index was made; -1 for none
  int64_t sourceMtimeNs;   // its modification time, in nanoseconds
  uint64_t sourcePathBytes;  // at namesAt + namesBytes - sourcePathBytes
  uint32_t blockShift;     // body blocks of 2^blockShift bytes
  uint32_t pamTables;      // entries of the PAM table directory, right after the head
  uint64_t sumsAt;         // the body ends here; blocks uint64 checksums follow
  uint64_t blocks;         // of the body, all sections together
  uint64_t namesChecksum;  // of the bytes [seqTableAt, lettersAt)
  uint64_t headChecksum;   // of the bytes [0, seqTableAt), this field taken as 0
};
static_assert(sizeof(IndexHead) % 8 == 0);

// One sequence of the genome.
struct SeqEntry {
  uint64_t offset;     // its first letter among all letters
  uint64_t length;     // its letters
  uint64_t nameAt;     // its name, within the names
  uint32_t nameBytes;
  uint32_t circular;   // 1 circular, 0 linear
};

// The PAM site table of one PAM, in the directory after the head. Its
// sections lie in the body, in this order, each 64-byte aligned.
struct PamTableEntry {
  char pam[16];            // the PAM's IUPAC letters, upper case, NUL-padded
  uint32_t pamLength;      // its letters
  uint32_t fivePrime;      // 1: the PAM lies 5' of the protospacer
  uint32_t maxGuide;       // protospacer letters kept per site: the longest guide served
  uint32_t keyLetters;     // letters of each of the two keys
  uint32_t positionBits;   // bits of a site's anchor in an entry
  uint32_t reserved;
  uint64_t sites;          // sites with maxGuide whole letters A, C, G, T
  uint64_t oddSites;       // the others, kept apart
  uint64_t nearAt;         // sites uint64 entries, by their key of the letters nearest the PAM
  uint64_t farAt;          // sites uint64 entries, by their key of the letters after those
  uint64_t nearStartsAt;   // 4^keyLetters + 1 uint64: where each near key's entries begin
  uint64_t farStartsAt;    // the same for the far keys
  uint64_t oddAt;          // oddSites entries of OddSite
};
static_assert(sizeof(PamTableEntry) % 8 == 0);

// The end of the file.
struct IndexTail {
  uint64_t sumsChecksum;  // of the block checksums
  char mark[8];           // kIndexEndMark
};
static_assert(sizeof(IndexTail) == 16);

// Rounds v up to the sections' alignment.
inline uint64_t IndexAlign(uint64_t v) { return (v + kIndexAlign - 1) / kIndexAlign * kIndexAlign; }

// Whether a section of bytes bytes at at lies within a file of size bytes,
// on its alignment.
inline bool IndexSectionWithin(uint64_t at, uint64_t bytes, uint64_t size) {
  return at % kIndexAlign == 0 && at <= size && bytes <= size - at;
}

// One checked section of the body: its bytes run from at up to the next
// section's start (its pad included), in blocks of 2^shift bytes.
struct BodySection {
  std::string name;  // as the messages name it: "its letters", "its positions", ...
  uint64_t at = 0;
  uint64_t end = 0;
  uint64_t firstBlock = 0;  // its first block among all blocks of the body
  uint64_t blocks = 0;
};

// The body's sections in file order, from a head whose section places are
// known and the PAM table directory: letters, bucket starts, positions,
// contexts, segment starts (for more than one segment), then each PAM
// table's sections. Each ends where the next begins; the last at sumsAt.
// Empty when the places do not rise from section to section.
std::vector<BodySection> BodySections(const IndexHead& h, const std::vector<PamTableEntry>& pams);

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

// The checksum of n bytes (CRC-64), several GB/s; crc continues the
// checksum of bytes before them (0 for none), so that a block may be
// summed piece by piece.
uint64_t BlockSum(const void* data, size_t n, uint64_t crc = 0);

// The message of a damaged index: "saved index is damaged: " + why + ":
// make it again with quorvane-map index", then the file.
std::string IndexDamaged(const std::string& why, const std::string& path);

// Checks the head of an index file of bytes bytes: magic, version, and
// that the file is as long as the head says. Fails with kBadInput.
Status CheckIndexHead(const IndexHead& h, uint64_t bytes, const std::string& path);

}  // namespace quorvane

#endif  // QUORVANE_SAVED_INDEX_INDEX_LAYOUT_H_
