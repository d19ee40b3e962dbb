// Whole runs on the real genomes of the shared data folder: the fast
// engine's files must equal the reference engine's byte for byte. Skipped
// when the folder is absent.
#include <gtest/gtest.h>

#include "run_fixture.h"

namespace quorvane {
namespace {

using test::ReadFile;

// Reads of the given lengths drawn from genome: either strand, 0..3
// substitutions, a tenth nowhere, a few with N, some across the end.
std::string SampleReads(const std::string& genome, std::initializer_list<int> lengths, int perLength) {
  std::mt19937 rng(536);
  std::string out;
  const std::string rc = test::ReverseComplement(genome);
  for (int len : lengths) {
    std::uniform_int_distribution<size_t> start(0, genome.size() - 1);
    for (int i = 0; i < perLength; ++i) {
      std::string r;
      if (i % 10 == 9) {
        r = test::RandomLetters(rng, static_cast<size_t>(len));
      } else {
        const std::string& sq = (rng() & 1) ? genome : rc;
        const size_t s = i % 17 == 0 ? genome.size() - static_cast<size_t>(len / 2) : start(rng);
        for (int j = 0; j < len; ++j) r.push_back(sq[(s + static_cast<size_t>(j)) % sq.size()]);
        for (unsigned k = rng() % 4; k > 0; --k) r[rng() % r.size()] = "ACGT"[rng() & 3];
        if (i % 23 == 0) r[rng() % r.size()] = 'N';
      }
      out += r + "\n";
    }
  }
  return out;
}

struct Sample {
  const char* genome;  // file in the shared data folder
  int perLength;       // reads of each length
};

void PrintTo(const Sample& s, std::ostream* os) { *os << s.genome; }

class RealGenomeTest : public test::RunTest, public ::testing::WithParamInterface<Sample> {};

TEST_P(RealGenomeTest, FastAndReferenceEnginesWriteTheSameFiles) {
  const std::string dir = test::SharedDataDir();
  if (dir.empty()) GTEST_SKIP() << "no shared genomes here";
  const std::string genome = ReadFile(dir + "/" + GetParam().genome);
  const std::string reads = SampleReads(genome, {100, 50, 36, 150}, GetParam().perLength);
  for (int misNu = 0; misNu <= 3; ++misNu) {
    std::vector<std::string> files[2];
    for (EngineKind kind : {EngineKind::kReference, EngineKind::kFast}) {
      Inputs(genome, reads, misNu, true);
      opt_.engine = kind;
      opt_.threads = 2;
      ASSERT_EQ(Run().outcome, RunOutcome::kDone);
      for (ResFile f : {kRdsOut, kRdsIn, kPos}) files[kind == EngineKind::kFast].push_back(Content(f));
      files[kind == EngineKind::kFast].push_back(Content(kLog));
    }
    EXPECT_EQ(files[0], files[1]) << "misNu " << misNu;
    EXPECT_GT(files[1][2].size(), 1000u);
  }
}

// The reference engine walks about 3,500 chains per read on E. coli, so its
// sample stays small.
INSTANTIATE_TEST_SUITE_P(Genomes, RealGenomeTest, ::testing::Values(Sample{"lambda.txt", 150}, Sample{"ecoli.txt", 30}),
                         [](const auto& info) {
                           const std::string name = info.param.genome;
                           return name.substr(0, name.find('.'));
                         });

}  // namespace
}  // namespace quorvane
