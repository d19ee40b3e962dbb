#include "pair_fixture.h"

#include "engine/read_codes.h"

namespace quorvane::test {

std::string GenomeFasta(const std::vector<Seq>& genome) {
  std::string fa;
  for (const Seq& s : genome) {
    fa += ">" + s.name + (s.circular ? " topology=circular\n" : " topology=linear\n");
    for (size_t i = 0; i < s.letters.size(); i += 60) fa += s.letters.substr(i, 60) + "\n";
  }
  return fa;
}

std::string MatesFastq(const std::vector<DrawnPair>& pairs, int mate) {
  std::string fq;
  for (size_t i = 0; i < pairs.size(); ++i) {
    const std::string& m = mate == 0 ? pairs[i].mate1 : pairs[i].mate2;
    fq += "@q" + std::to_string(i + 1) + "/" + std::to_string(mate + 1) + "\n" + m + "\n+\n" +
          std::string(m.size(), 'I') + "\n";
  }
  return fq;
}

PairFiles ExpectedPairFiles(const std::vector<Seq>& genome, const std::vector<DrawnPair>& pairs, int misNu,
                            const PairRule& rule) {
  PairFiles f;
  f.pos = kPairPosHeader;
  auto searched = [](const std::string& m) {
    return static_cast<int64_t>(m.size()) >= kMinRdLen && static_cast<int64_t>(m.size()) <= kMaxRdLen;
  };
  for (size_t i = 0; i < pairs.size(); ++i) {
    const DrawnPair& p = pairs[i];
    if (!searched(p.mate1) || !searched(p.mate2)) continue;
    const std::string name = "q" + std::to_string(i + 1);
    const std::vector<OraclePlacement> got = OraclePlacements(genome, p.mate1, p.mate2, misNu, rule);
    if (got.empty()) {
      f.out += name + "\t" + p.mate1 + "\t" + p.mate2 + "\n";
      continue;
    }
    ++f.found;
    f.placements += static_cast<int64_t>(got.size());
    f.in += name + "\t" + p.mate1 + "\t" + p.mate2 + "\t" + std::to_string(got.size()) + "\n";
    for (const OraclePlacement& o : got) f.pos += std::to_string(f.found) + "\t" + name + "\t" + PlacementLine(genome, o) + "\n";
  }
  return f;
}

}  // namespace quorvane::test
