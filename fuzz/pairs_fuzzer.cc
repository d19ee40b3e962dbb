// Whole pair runs over genomes and mates made from the fuzzer's bytes:
// a circular and a linear sequence, pairs of every orientation and
// fragment limits, the pair files checked against the plain pairing of
// the mates' brute-force hits. Each run replaces the files of the one
// before it in the same folder.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "brute_force.h"
#include "check.h"
#include "engine/read_codes.h"
#include "fuzz_files.h"
#include "pair_oracle.h"
#include "run/map_run.h"
#include "test_util.h"

using namespace quorvane;

using fuzz::Bytes;
using fuzz::Folder;
using fuzz::Put;
using fuzz::QuietObserver;
using fuzz::Slurp;

namespace {

// Letters of n from the bytes, four to a byte.
std::string Letters(Bytes& in, size_t n) {
  std::string s(n, 'A');
  for (size_t i = 0; i < n; i += 4) {
    const unsigned b = in.Next();
    for (size_t j = 0; j < 4 && i + j < n; ++j) s[i + j] = "ACGT"[(b >> (2 * j)) & 3];
  }
  return s;
}

// What an input may ask of the plain pairing over all its pairs: mate hits,
// and pairings weighed (a mate 1 hit against a mate 2 hit). On a genome of
// one letter repeated a mate has a hit at nearly every letter and a pair up
// to a million placements, which take seconds to find, write and check
// under the sanitizers. The pairs are taken up to the first that would pass
// either budget; a mate may still have thousands of hits when the other
// has a few, and an input thousands of placements.
constexpr size_t kHitBudget = size_t{1} << 15;
constexpr size_t kPairingBudget = size_t{1} << 14;

// The mates' brute-force hits, none for mates too short or too long to be
// searched, and the hit pairs the plain pairing weighs for them.
size_t FindMateHits(const std::vector<test::Seq>& genome, const test::DrawnPair& p, int misNu,
                    test::MateHits& hits) {
  auto searched = [](const std::string& m) {
    return static_cast<int64_t>(m.size()) >= kMinRdLen && static_cast<int64_t>(m.size()) <= kMaxRdLen;
  };
  hits = {};
  if (!searched(p.mate1) || !searched(p.mate2)) return 0;
  hits.mate1 = test::BruteForceHits(genome, p.mate1, misNu);
  // No pairing without a hit of mate 1: mate 2's are not needed.
  if (!hits.mate1.empty()) hits.mate2 = test::BruteForceHits(genome, p.mate2, misNu);
  return hits.mate1.size() * hits.mate2.size();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Folder folder;
  Bytes in(data, size);
  // The run: misNu, orientation, threads and engine from the first byte.
  const unsigned how = in.Next();
  const int misNu = static_cast<int>(how & 3);
  PairRule rule;
  rule.orientation = static_cast<Orientation>(((how >> 2) & 3) % 3);
  rule.minFrag = 2 * in.Next();
  rule.maxFrag = rule.minFrag + 4 * in.Next();
  // A circular sequence of 12 to 1032 letters and a linear one of 12 to 522.
  std::vector<test::Seq> genome = {{"c", Letters(in, 12 + 4 * in.Next()), true},
                                   {"l", Letters(in, 12 + 2 * in.Next()), false}};
  // The pairs: the ends of fragments of either sequence, across the
  // circle's origin too, read from either strand, a few letters changed;
  // six bytes each, as long as the budgets last.
  std::vector<test::DrawnPair> pairs;
  std::vector<test::MateHits> hits;
  size_t hitsLeft = kHitBudget, pairingsLeft = kPairingBudget;
  while (in.left() && pairs.size() < 100) {
    const unsigned where = in.Next() | in.Next() << 8, lens = in.Next(), flen = in.Next(), change = in.Next();
    const unsigned pick = in.Next();
    const test::Seq& s = genome[pick & 1];
    const size_t L = s.letters.size();
    // Mates of 5 to 68 letters (below 12 now and then: not searched).
    const size_t l1 = 5 + (lens & 15) * 4, l2 = 5 + (lens >> 4) * 4;
    const size_t f = std::max({l1, l2, static_cast<size_t>(flen)});
    if (!s.circular && f > L) continue;
    const size_t start = s.circular ? where % L : where % (L - f + 1);
    std::string frag;
    for (size_t i = 0; i < f; ++i) frag += s.letters[(start + i) % L];
    if (pick & 2) frag = test::ReverseComplement(frag);
    std::string m1 = frag.substr(0, l1), m2 = test::ReverseComplement(frag.substr(f - l2));
    if (rule.orientation == Orientation::kRf) {
      m1 = test::ReverseComplement(m1);
      m2 = test::ReverseComplement(m2);
    } else if (rule.orientation == Orientation::kFf) {
      m2 = test::ReverseComplement(m2);
    }
    for (unsigned c = 0; c < (change & 3); ++c) {
      std::string& m = (change >> (4 + c)) & 1 ? m2 : m1;
      m[(change >> 2) * (c + 1) % m.size()] = "ACGTN"[(change >> (2 + c)) % 5];
    }
    const test::DrawnPair pair{m1, m2};
    test::MateHits found;
    const size_t pairings = FindMateHits(genome, pair, misNu, found);
    const size_t mateHits = found.mate1.size() + found.mate2.size();
    if (mateHits > hitsLeft || pairings > pairingsLeft) break;
    hitsLeft -= mateHits;
    pairingsLeft -= pairings;
    pairs.push_back(pair);
    hits.push_back(std::move(found));
  }
  Put(folder.path + "/g.fa", test::GenomeFasta(genome));
  Put(folder.path + "/m_1.fq", test::MatesFastq(pairs, 0));
  Put(folder.path + "/m_2.fq", test::MatesFastq(pairs, 1));

  MapOptions o;
  o.PthGnm = folder.path + "/g.fa";
  o.PthRds = folder.path + "/m_1.fq";
  o.PthRds2 = folder.path + "/m_2.fq";
  o.pairRule = rule;
  o.DiRes = folder.path;
  o.misNu = misNu;
  o.ProcNm = "fuzz";
  o.engine = (how & 32) ? EngineKind::kReference : EngineKind::kFast;
  o.threads = 1 + static_cast<int>((how >> 4) & 1);
  QuietObserver obs;
  const RunSummary sum = RunMapping(o, obs);
  FUZZ_CHECK(sum.outcome == RunOutcome::kDone, "the run failed: %s", obs.msg.c_str());

  const test::PairFiles want = test::ExpectedPairFiles(genome, pairs, hits, rule);
  const std::string stem = folder.path + "/m_1_g_m" + std::to_string(misNu);
  FUZZ_CHECK(sum.pairs.found == want.found, "%lld pairs found, %lld by the plain pairing",
             static_cast<long long>(sum.pairs.found), static_cast<long long>(want.found));
  FUZZ_CHECK(Slurp(stem + "MapPairsPos.txt") == want.pos, "the placements differ from the plain pairing's:\n%s",
             want.pos.c_str());
  FUZZ_CHECK(Slurp(stem + "PairsInPos.txt") == want.in, "the pairs found differ");
  FUZZ_CHECK(Slurp(stem + "PairsOutPos.txt") == want.out, "the pairs not found differ");
  return 0;
}
