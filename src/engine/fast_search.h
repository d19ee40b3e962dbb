// The fast search: a few pieces of the read, each looked up within its
// allowance in the fast index, give every candidate start whose 24
// surrounding letters fit the read; each is verified letter by letter
// against the genome, and the hits are put in the order of the reference
// search.
#ifndef QUORVANE_ENGINE_FAST_SEARCH_H_
#define QUORVANE_ENGINE_FAST_SEARCH_H_

#include <cstdint>
#include <vector>

#include "engine/fast_index.h"
#include "engine/letter_compare.h"
#include "engine/packed_strand.h"
#include "engine/piece_plan.h"
#include "engine/piece_probes.h"
#include "engine/read_codes.h"
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
  // Packs the letters of the read and of its reverse complement that the
  // lookups compare (reach of them from each start); false when the read
  // holds more letters other than A, C, G, T than misNu allows.
  bool CodeRead(int32_t reach);
  // The pattern of the read (s 0) or of its reverse complement (s 1),
  // made at first need.
  const char* Pattern(int s);
  // From the probes to the sorted hits in found_: the hot loops, in one
  // build for every processor and one for AVX2.
  template <bool kAvx2>
  void Collect();
  void CollectPortable();
  void CollectAvx2();
  // Scans the bucket runs of every probe, in passes that let the memory
  // accesses of all probes overlap, and gathers candidate starts.
  template <bool kAvx2>
  void RunProbes();
  // Verifies the candidates gathered so far (sorted, each once) into
  // found_, and empties cand_.
  template <bool kAvx2>
  void VerifyPending();
  // Counts the mismatches of every candidate and keeps the hits in found_.
  template <bool kAvx2>
  void VerifyCandidates();
  // Mismatches of pattern pat against the rdLen_ letters of sequence q
  // from local, continuing at its start past its end; or the first
  // partial count past misNu_.
  int CyclicMismatches(const RefSeq& q, int64_t local, const char* pat) const;
  // The lookups of the plan for the current read's length and misNu, and
  // for an index of step 2 the placements at starts of parity, chosen once.
  const PlanLookups& Plan(int parity);

  const FastIndex& index_;
  bool avx2_;  // the AVX2 build of the loops runs
  // Per strand (0: the read, 1: its reverse complement): the letters the
  // lookups compare, and the pattern of every letter once made.
  PackedStrand packed_[2];
  char pat_[2][kMaxRdLen + kPatternPad];
  bool patternMade_[2] = {false, false};
  std::vector<Probe> probes_;  // the bucket runs to scan for the read
  // strand << 63 | global direct-strand start of the read (direct) or of
  // its reverse complement (complementary), possibly repeated
  std::vector<uint64_t> cand_;
  // code << 40 | strand << 39 | global start on the hit's strand << 2 | mis,
  // so that sorting gives the order of the hit list
  std::vector<uint64_t> found_;
  std::vector<PlanLookups> plans_;  // by (rdLen, misNu, parity); n == 0 until chosen
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_FAST_SEARCH_H_
