// The obvious search: every start of both strands of every sequence,
// letter by letter. The oracle the engines are measured against.
#ifndef QUORVANE_TESTS_BRUTE_FORCE_H_
#define QUORVANE_TESTS_BRUTE_FORCE_H_

#include <string>
#include <utility>
#include <vector>

#include "engine/hit.h"
#include "engine/reference.h"

namespace quorvane::test {

// One sequence of a test genome.
struct Seq {
  std::string name;
  std::string letters;
  bool circular = true;
};

// A reference holding the sequences, in their order.
Reference MakeReference(const std::vector<Seq>& seqs);

// Every place where read lies with at most misNu mismatching letters (a
// letter other than A, C, G, T on either side mismatches everything), in
// the order the engines must give them.
std::vector<Hit> BruteForceHits(const std::vector<Seq>& genome, const std::string& read, int misNu);
// The same for a genome of one circular sequence.
std::vector<Hit> BruteForceHits(const std::string& genome, const std::string& read, int misNu);

// The (pos, mis) pairs of the result files for hits on a genome of one
// sequence of length len.
std::vector<std::pair<int, int>> PosMis(const std::vector<Hit>& hits, int len);

}  // namespace quorvane::test

#endif  // QUORVANE_TESTS_BRUTE_FORCE_H_
