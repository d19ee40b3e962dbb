// The fast search: a few exact or near-exact pieces of the read looked up
// in the fast index give every candidate start; each is verified block by
// block, and the hits are put in the order of the reference search.
#ifndef QUORVANE_ENGINE_FAST_SEARCH_H_
#define QUORVANE_ENGINE_FAST_SEARCH_H_

#include <cstdint>
#include <vector>

#include "engine/fast_index.h"
#include "engine/piece_plan.h"
#include "engine/read_search.h"

namespace quorvane {

class FastSearch final : public ReadSearch {
 public:
  // store and index must outlive the search and stay unchanged.
  FastSearch(const GenomeStore& store, const FastIndex& index);

 private:
  void FindExact() override { Find(); }
  void FindMis() override { Find(); }

  // Gathers the candidates of every piece on both strands, verifies them
  // and records the hits in order.
  void Find();
  // One bucket to scan: a seed code near a piece's first 8 letters and
  // the rest of the piece to compare with the entries of its bucket.
  struct Probe {
    uint32_t code;   // bucket
    uint32_t beg;    // its first entry, once looked up
    uint32_t end;    // one past its last entry
    uint16_t key;    // the piece's letters 9..16, in the top bits
    uint16_t mask;   // bits of the coded letters among them
    int16_t off;     // the piece's offset in the read
    int8_t allow;    // mismatches left for letters 9..16
    bool reverse;    // the piece is of the read's reverse complement
  };
  // Adds the probes of one piece of the read (codes/uncoded: per-letter
  // codes and marks of the read, or of its reverse complement).
  void AddProbes(const Piece& pc, const uint8_t* codes, const uint8_t* uncoded, bool reverse);
  // Scans the buckets of every probe, in passes that let the memory
  // accesses of all probes overlap, and gathers candidate starts.
  void RunProbes();
  // Mismatches of the read (s direct) or of its reverse complement (s
  // complementary) at start q of the direct strand, or the first partial
  // count past misNu.
  int Verify(Strand s, int32_t q) const;
  // The plan for the current read's length and misNu, chosen once.
  const PiecePlan& Plan();

  const FastIndex& index_;
  uint8_t fwd_[kMaxRdLen];       // code of each read letter (0 where uncoded)
  uint8_t rev_[kMaxRdLen];       // the same for the read's reverse complement
  uint8_t fwdN_[kMaxRdLen];      // 1 where the read letter has no code
  uint8_t revN_[kMaxRdLen];      // the same for the reverse complement
  char revText_[kMaxRdLen];      // the read's reverse complement as letters
  ReadCodes rcRev_;              // its block codes
  uint16_t keep_[kMaxBlocks];    // per block of the read: the bits of the coded letters
  uint16_t keepRev_[kMaxBlocks]; // the same for the reverse complement
  std::vector<Probe> probes_;    // the buckets to scan for the read
  // strand << 32 | direct-strand start of the read (direct) or of its
  // reverse complement (complementary), possibly repeated
  std::vector<uint64_t> cand_;
  std::vector<uint64_t> found_;  // code << 34 | strand << 33 | start << 2 | mis
  std::vector<PiecePlan> plans_; // by (rdLen, misNu); n == 0 until chosen
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_FAST_SEARCH_H_
