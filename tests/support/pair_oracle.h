// The plain pairing: every hit of mate 1 against every hit of mate 2,
// each combination checked by the concordance rule as the README words
// it. The oracle the pair runs are measured against.
#ifndef QUORVANE_TESTS_PAIR_ORACLE_H_
#define QUORVANE_TESTS_PAIR_ORACLE_H_

#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "brute_force.h"
#include "pairs/pair_rule.h"

namespace quorvane::test {

// One concordant placement as the placements file writes it.
struct OraclePlacement {
  int seq = 0;          // the sequence's index
  int64_t pos1 = 0;     // mate 1's signed position (+p direct, -p complementary)
  int64_t pos2 = 0;     // mate 2's
  int mis1 = 0, mis2 = 0;
  int64_t fragment = 0;  // F
  int64_t start = 0;     // 0-based first letter of the fragment
  int upstream = 0;      // 0: mate 1 begins the fragment, 1: mate 2

  auto Key() const { return std::tie(seq, pos1, pos2, mis1, mis2, fragment); }
  friend bool operator==(const OraclePlacement& a, const OraclePlacement& b) { return a.Key() == b.Key(); }
};

// Every concordant placement of the pair (mate1, mate2) with at most
// misNu mismatches per mate, in the order the pair runs write them: by
// the mates' mismatches together, mate 1's, sequence, fragment start,
// upstream mate (mate 1 first), fragment length.
std::vector<OraclePlacement> OraclePlacements(const std::vector<Seq>& genome, const std::string& mate1,
                                              const std::string& mate2, int misNu, const PairRule& rule);

// The same from the mates' hits (of len1 and len2 letters) as a search
// found them.
std::vector<OraclePlacement> OraclePairing(const std::vector<Seq>& genome, const std::vector<Hit>& hits1,
                                           int64_t len1, const std::vector<Hit>& hits2, int64_t len2,
                                           const PairRule& rule);

// A fragment drawn from genome and its two mates as a sequencer reads
// them for orientation o, each mate with up to subs random substitutions:
// the fragment of fragLen letters starts anywhere (across the origin of a
// circular sequence too) on a random strand.
struct DrawnPair {
  std::string mate1, mate2;
};
DrawnPair DrawPair(std::mt19937& rng, const std::vector<Seq>& genome, Orientation o, int len1, int len2,
                   int fragLen, int subs);

// A genome of several sequences, circular and linear, with repeats: the
// same stretches (and their reverse complements) copied into several
// places, some across a circular origin.
std::vector<Seq> RepeatGenome(std::mt19937& rng, int sequences, int length);

// The placements file line of a placement, without the pair's number and
// name: "seqName\tpos1\tpos2\tmis1\tmis2\tF".
std::string PlacementLine(const std::vector<Seq>& genome, const OraclePlacement& p);

// What a pair run's files must hold.
struct PairFiles {
  std::string pos;  // the placements file
  std::string in;   // "PairsInPos.txt"
  std::string out;  // "PairsOutPos.txt"
  int64_t found = 0, placements = 0;
};

// The genome as FASTA, each header with its topology.
std::string GenomeFasta(const std::vector<Seq>& genome);

// The mates as FASTQ, pair i named "q<i+1>/1" and "q<i+1>/2".
std::string MatesFastq(const std::vector<DrawnPair>& pairs, int mate);

// What the oracle says the files of the pairs must hold; pairs with a mate
// outside 12..1024 letters are not searched.
PairFiles ExpectedPairFiles(const std::vector<Seq>& genome, const std::vector<DrawnPair>& pairs, int misNu,
                            const PairRule& rule);

// The brute-force hits of a pair's mates.
struct MateHits {
  std::vector<Hit> mate1, mate2;
};

// The same from the mates' hits found already, hits[i] those of pairs[i]
// (a pair that is not searched needs none).
PairFiles ExpectedPairFiles(const std::vector<Seq>& genome, const std::vector<DrawnPair>& pairs,
                            const std::vector<MateHits>& hits, const PairRule& rule);

}  // namespace quorvane::test

#endif  // QUORVANE_TESTS_PAIR_ORACLE_H_
