// Whole pair runs over genomes and mates made from the fuzzer's bytes:
// a circular and a linear sequence, pairs of every orientation and
// fragment limits, the pair files checked against the plain pairing of
// the mates' brute-force hits. Each run replaces the files of the one
// before it in the same folder.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check.h"
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
  // six bytes each.
  std::vector<test::DrawnPair> pairs;
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
    pairs.push_back({m1, m2});
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

  const test::PairFiles want = test::ExpectedPairFiles(genome, pairs, misNu, rule);
  const std::string stem = folder.path + "/m_1_g_m" + std::to_string(misNu);
  FUZZ_CHECK(sum.pairs.found == want.found, "%lld pairs found, %lld by the plain pairing",
             static_cast<long long>(sum.pairs.found), static_cast<long long>(want.found));
  FUZZ_CHECK(Slurp(stem + "MapPairsPos.txt") == want.pos, "the placements differ from the plain pairing's:\n%s",
             want.pos.c_str());
  FUZZ_CHECK(Slurp(stem + "PairsInPos.txt") == want.in, "the pairs found differ");
  FUZZ_CHECK(Slurp(stem + "PairsOutPos.txt") == want.out, "the pairs not found differ");
  return 0;
}
