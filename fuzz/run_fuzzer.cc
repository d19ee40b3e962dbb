// Whole runs over genomes and reads made from the fuzzer's bytes, every
// result file checked against the brute-force scan: the reads found and
// not found, and every hit with its position and mismatches, in order.
// Each run replaces the files of the one before it in the same folder.
#include <cstddef>
#include <cstdint>
#include <string>

#include "brute_force.h"
#include "check.h"
#include "fuzz_files.h"
#include "run/map_run.h"
#include "test_util.h"

using namespace quorvane;

using fuzz::Bytes;
using fuzz::Folder;
using fuzz::Put;
using fuzz::QuietObserver;
using fuzz::Slurp;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const Folder folder;
  Bytes in(data, size);
  // The run: misNu, threads and engine from the first byte.
  const unsigned how = in.Next();
  const int misNu = static_cast<int>(how & 3);
  // The genome: 12 to 1032 letters, four to a byte.
  const size_t len = 12 + 4 * in.Next();
  std::string genome(len, 'A');
  for (size_t i = 0; i < len; i += 4) {
    const unsigned b = in.Next();
    for (size_t j = 0; j < 4 && i + j < len; ++j) genome[i + j] = "ACGT"[(b >> (2 * j)) & 3];
  }
  // The reads: pieces of the genome, either strand, a few letters changed;
  // four bytes each.
  std::string reads;
  std::vector<std::string> list;
  while (in.left() && list.size() < 300) {
    const size_t start = (in.Next() | in.Next() << 8) % len;
    const unsigned l = in.Next(), change = in.Next();
    const size_t n = l < 250 ? 12 + l % 60 : l - 245;  // 5..10 letters now and then: too short
    std::string r;
    for (size_t i = 0; i < n; ++i) r += genome[(start + i) % len];
    for (unsigned c = 0; c < (change & 3); ++c) r[(change >> 2) * (c + 1) % n] = "ACGTN"[(change >> (2 + c)) % 5];
    if (change & 0x80) r = test::ReverseComplement(r);
    list.push_back(r);
    reads += r + "\n";
  }
  Put(folder.path + "/g.txt", genome);
  Put(folder.path + "/r.txt", reads);

  MapOptions o;
  o.PthGnm = folder.path + "/g.txt";
  o.gnmLen = static_cast<int64_t>(len);
  o.PthRds = folder.path + "/r.txt";
  o.DiRes = folder.path;
  o.misNu = misNu;
  o.ProcNm = "fuzz";
  o.engine = (how & 8) ? EngineKind::kReference : EngineKind::kFast;
  o.threads = 1 + static_cast<int>((how >> 2) & 1);
  QuietObserver obs;
  const RunSummary sum = RunMapping(o, obs);
  FUZZ_CHECK(sum.outcome == RunOutcome::kDone, "the run failed: %s", obs.msg.c_str());

  // The files the brute-force scan calls for.
  std::string out, found, pos = misNu == 0 ? "rdNom\tread\tpos" : "rdNom\tread\tpos\tmisNu";
  int64_t rdNom = 0;
  for (const std::string& r : list) {
    if (r.size() < 12) continue;
    const auto hits = test::PosMis(test::BruteForceHits(genome, r, misNu), static_cast<int>(len));
    if (hits.empty()) {
      out += r + "\n";
      continue;
    }
    found += r + "\n";
    ++rdNom;
    for (const auto& [p, mis] : hits) {
      pos += "\n" + std::to_string(rdNom) + "\t" + r + "\t" + (p > 0 ? "+" : "") + std::to_string(p);
      if (misNu > 0) pos += "\t" + std::to_string(mis);
    }
  }
  FUZZ_CHECK(sum.counters.readsIn() == rdNom, "%lld reads found, %lld by the scan",
             static_cast<long long>(sum.counters.readsIn()), static_cast<long long>(rdNom));
  const std::string stem = folder.path + "/r_g_m" + std::to_string(misNu);
  if (rdNom == 0) {
    FUZZ_CHECK(Slurp(stem + "MapRdsPos.txt") == "<missing>", "a position file without found reads");
    return 0;
  }
  FUZZ_CHECK(Slurp(stem + "RdsOutPos.txt") == out, "the reads not found differ");
  FUZZ_CHECK(Slurp(stem + "RdsInPos.txt") == found, "the reads found differ");
  FUZZ_CHECK(Slurp(stem + "MapRdsPos.txt") == pos, "the hits differ from the scan's:\n%s", pos.c_str());
  FUZZ_CHECK(Slurp(stem + "MapTempLog.txt") == "<missing>", "the temporary log stayed");
  return 0;
}
