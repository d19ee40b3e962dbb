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
  // store and index must outlive the search and stay unchanged. avx2:
  // run the loops built for AVX2 (the processor must have it) rather than
  // the ones for every processor; both find the same hits.
  FastSearch(const GenomeStore& store, const FastIndex& index, bool avx2);

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
  // From the probes to the sorted hits in found_: the hot loops, in one
  // build for every processor and one for AVX2.
  template <bool kAvx2>
  void Collect();
  void CollectPortable();
  void CollectAvx2();
  // Scans the buckets of every probe, in passes that let the memory
  // accesses of all probes overlap, and gathers candidate starts.
  template <bool kAvx2>
  void RunProbes();
  // Counts the mismatches of every candidate and keeps the hits in found_.
  template <bool kAvx2>
  void VerifyCandidates();
  // Mismatches of the read (s direct) or of its reverse complement (s
  // complementary) at global start g of the direct strand, or the first
  // partial count past misNu; the window lies inside its sequence.
  template <bool kAvx2>
  int Verify(Strand s, int64_t g) const;
  // The plan for the current read's length and misNu, chosen once.
  const PiecePlan& Plan();

  const FastIndex& index_;
  bool avx2_;                    // the AVX2 build of the loops runs
  uint8_t fwd_[kMaxRdLen];       // code of each read letter (0 where uncoded)
  uint8_t rev_[kMaxRdLen];       // the same for the read's reverse complement
  uint8_t fwdN_[kMaxRdLen];      // 1 where the read letter has no code
  uint8_t revN_[kMaxRdLen];      // the same for the reverse complement
  char revText_[kMaxRdLen];      // the read's reverse complement as letters
  ReadCodes rcRev_;              // its block codes
  uint16_t keep_[kMaxBlocks];    // per block of the read: the bits of the coded letters
  uint16_t keepRev_[kMaxBlocks]; // the same for the reverse complement
  std::vector<Probe> probes_;    // the buckets to scan for the read
  // strand << 63 | sequence << 31 | global direct-strand start of the read
  // (direct) or of its reverse complement (complementary), possibly
  // repeated
  std::vector<uint64_t> cand_;
  // code << 34 | strand << 33 | global start on the hit's strand << 2 | mis,
  // so that sorting gives the order of the hit list
  std::vector<uint64_t> found_;
  std::vector<PiecePlan> plans_; // by (rdLen, misNu); n == 0 until chosen
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_FAST_SEARCH_H_
