// The obvious search: every start of both strands of the circular genome,
// letter by letter. The oracle the engines are measured against.
#ifndef QUORVANE_TESTS_BRUTE_FORCE_H_
#define QUORVANE_TESTS_BRUTE_FORCE_H_

#include <string>
#include <vector>

#include "common/mis_match.h"

namespace quorvane::test {

// The records of every place where read lies with at most misNu
// mismatching letters (a read letter other than A, C, G, T mismatches
// everything), in the order the engine must give them.
std::vector<MisMatch> BruteForceHits(const std::string& genome, const std::string& read, int misNu);

}  // namespace quorvane::test

#endif  // QUORVANE_TESTS_BRUTE_FORCE_H_
