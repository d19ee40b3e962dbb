// Pair runs over files in a temporary folder, with what the plain pairing
// says their files must hold.
#ifndef QUORVANE_TESTS_PAIR_FIXTURE_H_
#define QUORVANE_TESTS_PAIR_FIXTURE_H_

#include <string>
#include <vector>

#include "pair_oracle.h"
#include "run_fixture.h"
#include "writers/pair_text_sink.h"

namespace quorvane::test {

class PairRunTest : public RunTest {
 protected:
  // Writes the genome (gen.fa) and the mates (m_1.fq, m_2.fq) and sets a
  // pair run up as an accepted input would.
  void PairInputs(const std::vector<Seq>& genome, const std::vector<DrawnPair>& pairs, int misNu,
                  const PairRule& rule) {
    WriteFile(dir_.File("gen.fa"), GenomeFasta(genome));
    WriteFile(dir_.File("m_1.fq"), MatesFastq(pairs, 0));
    WriteFile(dir_.File("m_2.fq"), MatesFastq(pairs, 1));
    opt_.PthGnm = dir_.File("gen.fa");
    opt_.gnmLen = -1;
    opt_.PthRds = dir_.File("m_1.fq");
    opt_.PthRds2 = dir_.File("m_2.fq");
    opt_.pairRule = rule;
    opt_.DiRes = dir_.path();
    opt_.misNu = misNu;
    opt_.ProcNm = "quorvane";
    opt_.shell = &shell_;
    opt_.env = &env_;
  }

  std::string PairRes(PairFile f) const {
    return PairResultPaths(opt_.DiRes, opt_.PthRds, opt_.PthGnm, opt_.misNu).path[f];
  }
  std::string PairContent(PairFile f) const { return ReadFile(PairRes(f)); }

  // Every file of the results folder but the inputs.
  std::map<std::string, std::string> PairResults() const {
    auto files = FolderFiles(dir_.path());
    for (const char* in : {"gen.fa", "m_1.fq", "m_2.fq", "m_1.fq.gz", "m_2.txt", "m_2.fa"}) files.erase(in);
    return files;
  }
};

}  // namespace quorvane::test

#endif  // QUORVANE_TESTS_PAIR_FIXTURE_H_
