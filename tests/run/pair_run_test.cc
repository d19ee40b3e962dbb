// Whole pair runs against the plain pairing of the mates' brute-force
// hits, and the inputs a pair run refuses.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "engine_fixture.h"
#include "pair_fixture.h"

namespace quorvane {
namespace {

using test::DrawnPair;
using test::PairRunTest;

// Pairs drawn from genome for orientation o, of mates 20 to 120 letters
// and fragments of 150 to 450, with up to 3 substitutions, and a few
// pairs of random letters.
std::vector<DrawnPair> DrawPairs(std::mt19937& rng, const std::vector<test::Seq>& genome, Orientation o, int n) {
  std::vector<DrawnPair> pairs;
  for (int i = 0; i < n; ++i) {
    const int l1 = std::uniform_int_distribution<int>(20, 120)(rng);
    const int l2 = std::uniform_int_distribution<int>(20, 120)(rng);
    if (i % 9 == 8) {
      pairs.push_back({test::RandomLetters(rng, l1), test::RandomLetters(rng, l2)});
      continue;
    }
    const int frag = std::uniform_int_distribution<int>(150, 450)(rng);
    pairs.push_back(test::DrawPair(rng, genome, o, l1, l2, frag, 3));
  }
  return pairs;
}

TEST_F(PairRunTest, WritesEveryPlacementThePlainPairingFinds) {
  std::mt19937 rng(2312);
  int placements = 0;
  for (Orientation o : {Orientation::kFr, Orientation::kRf, Orientation::kFf}) {
    for (int misNu = 0; misNu <= 3; ++misNu) {
      const std::vector<test::Seq> genome = test::RepeatGenome(rng, 3, 1500);
      const std::vector<DrawnPair> pairs = DrawPairs(rng, genome, o, 30);
      PairRule rule;
      rule.orientation = o;
      rule.minFrag = misNu == 1 ? 200 : 0;
      rule.maxFrag = misNu == 2 ? 350 : 500;
      PairInputs(genome, pairs, misNu, rule);
      for (int threads : {1, 2}) {
        opt_.threads = threads;
        const RunSummary r = Run();
        ASSERT_EQ(r.outcome, RunOutcome::kDone) << (obs_.msgs.empty() ? "" : obs_.msgs[0]);
        const test::PairFiles want = test::ExpectedPairFiles(genome, pairs, misNu, rule);
        ASSERT_EQ(PairContent(kPairsPos), want.pos) << "orientation " << OrientationName(o) << " misNu " << misNu;
        EXPECT_EQ(PairContent(kPairsIn), want.in);
        EXPECT_EQ(PairContent(kPairsOut), want.out);
        EXPECT_EQ(r.pairs.pairsRead, 30);
        EXPECT_EQ(r.pairs.found, want.found);
        EXPECT_EQ(r.pairs.placements, want.placements);
        EXPECT_EQ(PairContent(kPairsLog), r.report + "\n");
        placements += static_cast<int>(want.placements);
      }
    }
  }
  EXPECT_GT(placements, 200);
}

TEST_F(PairRunTest, TheReportCountsPairsAndTheirMatesHits) {
  // Mate 1 lies twice in the genome, once beside its mate: two hits, one
  // placement.
  std::mt19937 rng(5);
  std::string g = test::RandomLetters(rng, 2000);
  g.replace(1500, 40, g.substr(100, 40));
  const std::vector<test::Seq> genome = {{"g", g, true}};
  const std::vector<DrawnPair> pairs = {{g.substr(100, 40), test::ReverseComplement(g.substr(300, 40))},
                                        {"ACGT", test::ReverseComplement(g.substr(300, 40))},
                                        {test::RandomLetters(rng, 30), test::RandomLetters(rng, 30)}};
  PairInputs(genome, pairs, 0, PairRule{});
  const RunSummary r = Run();
  ASSERT_EQ(r.outcome, RunOutcome::kDone);
  EXPECT_EQ(r.report,
            "program = quorvane\nmis = 0\nfragment = fr 0..500\ninput pairs= 3\n"
            "input pairs with a short or big mate out of lengthes [12,1024], = 1\naccepted pairs= 2\n"
            "pairs in= 1\npairs out= 1\nconcordant placements= 1\nmate1 hits= 2\nmate2 hits= 1");
  EXPECT_EQ(PairContent(kPairsIn), "q1\t" + pairs[0].mate1 + "\t" + pairs[0].mate2 + "\t1\n");
  EXPECT_EQ(PairContent(kPairsPos), std::string(kPairPosHeader) + "1\tq1\tg\t+101\t-340\t0\t0\t240\n");
  EXPECT_EQ(obs_.progress.back(), "inpRdsNu");
  EXPECT_TRUE(obs_.snapshots.back().pairs);
  EXPECT_EQ(obs_.snapshots.back().readsRead, 3);
  EXPECT_EQ(shell_.calls, (std::vector<std::string>{"sheet " + PairRes(kPairsLog), "sheet " + PairRes(kPairsPos)}));
}

TEST_F(PairRunTest, MatesOfAnyFormatPairAlike) {
  std::mt19937 rng(77);
  const std::vector<test::Seq> genome = test::RepeatGenome(rng, 2, 1200);
  const std::vector<DrawnPair> pairs = DrawPairs(rng, genome, Orientation::kFr, 20);
  PairInputs(genome, pairs, 2, PairRule{});
  ASSERT_EQ(Run().outcome, RunOutcome::kDone);
  const std::string pos = PairContent(kPairsPos);
  // Mates 1 gzipped, mates 2 as plain lines: the pairs keep mate 1's names.
  test::WriteGzip(dir_.File("m_1.fq.gz"), test::MatesFastq(pairs, 0));
  std::string lines;
  for (const DrawnPair& p : pairs) lines += p.mate2 + "\r\n";
  test::WriteFile(dir_.File("m_2.txt"), lines);
  opt_.PthRds = dir_.File("m_1.fq.gz");
  opt_.PthRds2 = dir_.File("m_2.txt");
  ASSERT_EQ(Run().outcome, RunOutcome::kDone) << obs_.msgs[0];
  EXPECT_EQ(PairContent(kPairsPos), pos);
  // Both as plain lines: the pairs are named by their place.
  std::string lines1;
  for (const DrawnPair& p : pairs) lines1 += p.mate1 + "\n";
  test::WriteFile(dir_.File("m_1.fq.gz"), lines1);
  ASSERT_EQ(Run().outcome, RunOutcome::kDone) << obs_.msgs[0];
  std::string want = pos;
  for (size_t at = want.find("\tq"); at != std::string::npos; at = want.find("\tq", at + 1)) want.erase(at + 1, 1);
  EXPECT_EQ(PairContent(kPairsPos), want);
  opt_.PthRds = dir_.File("m_1.fq");
  // Mates 2 as FASTA, one record in two lines.
  std::string fa;
  for (size_t i = 0; i < pairs.size(); ++i) {
    fa += ">q" + std::to_string(i + 1) + "/2\n" + pairs[i].mate2.substr(0, 10) + "\n" + pairs[i].mate2.substr(10) + "\n";
  }
  test::WriteFile(dir_.File("m_2.fa"), fa);
  opt_.PthRds2 = dir_.File("m_2.fa");
  ASSERT_EQ(Run().outcome, RunOutcome::kDone);
  EXPECT_EQ(PairContent(kPairsPos), pos);
}

TEST_F(PairRunTest, MatesFromAFifoArePairedAsFromAFile) {
  std::mt19937 rng(9);
  const std::vector<test::Seq> genome = test::RepeatGenome(rng, 1, 3000);
  const std::vector<DrawnPair> pairs = DrawPairs(rng, genome, Orientation::kFr, 200);
  PairInputs(genome, pairs, 1, PairRule{});
  ASSERT_EQ(Run().outcome, RunOutcome::kDone);
  const std::string pos = PairContent(kPairsPos);
  const std::string fifo = dir_.File("m_2.pipe");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] { test::WriteFile(fifo, test::MatesFastq(pairs, 1)); });
  opt_.PthRds2 = fifo;
  const RunSummary r = Run();
  writer.join();
  ASSERT_EQ(r.outcome, RunOutcome::kDone);
  EXPECT_EQ(PairContent(kPairsPos), pos);
  unlink(fifo.c_str());
}

class PairInputRefusedTest : public PairRunTest {
 protected:
  void SetUp() override {
    std::mt19937 rng(3);
    genome_ = test::RepeatGenome(rng, 1, 2000);
    pairs_ = DrawPairs(rng, genome_, Orientation::kFr, 5);
    PairInputs(genome_, pairs_, 1, PairRule{});
    ASSERT_EQ(Run().outcome, RunOutcome::kDone);
    before_ = PairResults();
    ASSERT_EQ(before_.size(), 4u);
    obs_ = test::RecordingObserver();
    shell_.calls.clear();
  }

  // The run failed with msg alone, and the earlier results stand.
  void ExpectRefused(const std::string& msg) {
    const RunSummary r = Run();
    EXPECT_EQ(r.outcome, RunOutcome::kFailed);
    EXPECT_EQ(obs_.msgs, std::vector<std::string>{msg});
    EXPECT_EQ(PairResults(), before_);
    EXPECT_TRUE(shell_.calls.empty());
    obs_ = test::RecordingObserver();
  }

  std::vector<test::Seq> genome_;
  std::vector<DrawnPair> pairs_;
  std::map<std::string, std::string> before_;
};

TEST_F(PairInputRefusedTest, FilesOfDifferentLengthsAtTheEndOfTheShorter) {
  const std::string full2 = test::MatesFastq(pairs_, 1);
  std::vector<DrawnPair> fewer(pairs_.begin(), pairs_.end() - 1);
  test::WriteFile(opt_.PthRds2, test::MatesFastq(fewer, 1));
  ExpectRefused("mates files of different lengths: " + opt_.PthRds2 + " ends after read 4, " + opt_.PthRds +
                " goes on");
  test::WriteFile(opt_.PthRds2, full2);
  test::WriteFile(opt_.PthRds, test::MatesFastq(fewer, 0));
  ExpectRefused("mates files of different lengths: " + opt_.PthRds + " ends after read 4, " + opt_.PthRds2 +
                " goes on");
}

TEST_F(PairInputRefusedTest, NamesThatDisagree) {
  std::string fq = test::MatesFastq(pairs_, 1);
  fq.replace(fq.find("@q3/2"), 5, "@q9/2");
  test::WriteFile(opt_.PthRds2, fq);
  ExpectRefused("mates' names disagree at read 3: q3/1 in " + opt_.PthRds + ", q9/2 in " + opt_.PthRds2);
}

TEST_F(PairInputRefusedTest, AMalformedRecordOfEitherFile) {
  std::string fq = test::MatesFastq(pairs_, 1);
  fq.erase(fq.find("\n+\n", fq.find("@q2/2")) - 1, 1);  // a letter short of its qualities
  test::WriteFile(opt_.PthRds2, fq);
  ExpectRefused("malformed FASTQ record 2 at line 5 of " + opt_.PthRds2 + ": a quality string of another length than its " +
                std::to_string(pairs_[1].mate2.size() - 1) + " letters");
}

TEST_F(PairInputRefusedTest, AFullDiskOrAFailedRenameAtAnyFile) {
  for (const char* f : {"MapPairsPos.txt", "PairsInPos.txt", "MapPairs_Log.txt"}) {
    env_ = test::FaultEnv();
    env_.FailWriteAfter(f, 10);
    const std::string path = std::string(f) == "MapPairsPos.txt"  ? PairRes(kPairsPos)
                             : std::string(f) == "PairsInPos.txt" ? PairRes(kPairsIn)
                                                                  : PairRes(kPairsLog);
    ExpectRefused("can't write " + path);
  }
  env_ = test::FaultEnv();
  env_.FailRename("MapPairsPos.txt");
  ExpectRefused("can't write " + PairRes(kPairsPos));
}

TEST_F(PairRunTest, AMateOutsideTheLengthsLeavesItsPairUnsearched) {
  std::mt19937 rng(4);
  const std::vector<test::Seq> genome = test::RepeatGenome(rng, 1, 3000);
  std::vector<DrawnPair> pairs = DrawPairs(rng, genome, Orientation::kFr, 4);
  pairs[0].mate1 = pairs[0].mate1.substr(0, 11);
  pairs[1].mate2 = test::RandomLetters(rng, 1025);
  pairs[2].mate1 = pairs[2].mate1.substr(0, 12);
  PairInputs(genome, pairs, 0, PairRule{});
  const RunSummary r = Run();
  ASSERT_EQ(r.outcome, RunOutcome::kDone);
  EXPECT_EQ(r.pairs.shortBig, 2);
  EXPECT_EQ(r.pairs.accepted, 2);
  const test::PairFiles want = test::ExpectedPairFiles(genome, pairs, 0, PairRule{});
  EXPECT_EQ(PairContent(kPairsPos), want.pos);
  EXPECT_EQ(PairContent(kPairsIn) + PairContent(kPairsOut), want.in + want.out);
}

TEST_F(PairRunTest, ARepeatsPairsMoreHitsThanABatchHoldsAlike) {
  // Mates of 12 A and 12 T have 1,989 hits each on a linear run of 2,000
  // A, on either strand: the batches pass their hit budget and leave
  // pairs to the writer.
  const std::vector<test::Seq> genome = {{"a", std::string(2000, 'A'), false}};
  std::vector<DrawnPair> pairs(40, DrawnPair{std::string(12, 'A'), std::string(12, 'T')});
  PairRule rule;
  rule.maxFrag = 14;  // the downstream mate starts 0 to 2 letters on
  PairInputs(genome, pairs, 0, rule);
  std::string first;
  for (int threads : {1, 2}) {
    opt_.threads = threads;
    const RunSummary r = Run();
    ASSERT_EQ(r.outcome, RunOutcome::kDone);
    EXPECT_EQ(r.pairs.placements, 40 * (1989 + 1988 + 1987));
    EXPECT_EQ(r.pairs.mateHits[0], 40 * 1989);
    EXPECT_EQ(r.pairs.mateHits[1], 40 * 1989);
    if (threads == 1) first = PairContent(kPairsPos);
  }
  EXPECT_EQ(PairContent(kPairsPos), first);
  // The first pair's lines are the plain pairing's.
  const std::vector<DrawnPair> one(1, pairs[0]);
  const test::PairFiles want = test::ExpectedPairFiles(genome, one, 0, rule);
  EXPECT_EQ(first.substr(0, want.pos.size()), want.pos);
}

TEST_F(PairRunTest, EColiPairsAreTheMatesHitsPairedByThePlainLoop) {
  const std::string dir = test::SharedDataDir();
  if (dir.empty()) GTEST_SKIP() << "no shared genomes here";
  const std::vector<test::Seq> genome = {{"ecoli", test::ReadFile(dir + "/ecoli.txt"), true}};
  const int64_t L = static_cast<int64_t>(genome[0].letters.size());
  std::mt19937 rng(1212);
  std::vector<DrawnPair> pairs = DrawPairs(rng, genome, Orientation::kFr, 600);
  // Fragments across the origin, from either strand.
  for (int i = 0; i < 20; ++i) {
    const int frag = 200 + 10 * i;
    std::string f = genome[0].letters.substr(static_cast<size_t>(L - frag / 2)) +
                    genome[0].letters.substr(0, static_cast<size_t>(frag - frag / 2));
    if (i % 2 == 1) f = test::ReverseComplement(f);
    pairs.push_back({f.substr(0, 100), test::ReverseComplement(f.substr(f.size() - 100))});
  }
  test::WriteFile(dir_.File("ecoli.txt"), genome[0].letters);
  PairInputs(genome, pairs, 3, PairRule{});
  opt_.PthGnm = dir_.File("ecoli.txt");
  opt_.gnmLen = L;
  opt_.threads = 2;
  ASSERT_EQ(Run().outcome, RunOutcome::kDone);
  // Each mate searched alone by the engine, the hits paired by the loop.
  const std::unique_ptr<Engine> engine = test::BuiltEngine(EngineKind::kFast, genome, 2);
  ASSERT_NE(engine, nullptr);
  const std::unique_ptr<ReadSearch> search = engine->NewSearch();
  std::string want = kPairPosHeader;
  int64_t found = 0, across = 0;
  for (size_t i = 0; i < pairs.size(); ++i) {
    std::vector<Hit> hits[2];
    for (int k = 0; k < 2; ++k) {
      const std::string& m = k == 0 ? pairs[i].mate1 : pairs[i].mate2;
      ASSERT_TRUE(search->SearchRead(m.data(), static_cast<int32_t>(m.size()), 3));
      hits[k] = search->hits();
    }
    const auto got = test::OraclePairing(genome, hits[0], static_cast<int64_t>(pairs[i].mate1.size()), hits[1],
                                         static_cast<int64_t>(pairs[i].mate2.size()), PairRule{});
    if (!got.empty()) ++found;
    for (const test::OraclePlacement& p : got) {
      want += std::to_string(found) + "\tq" + std::to_string(i + 1) + "\t" + test::PlacementLine(genome, p) + "\n";
      across += p.start + p.fragment > L;
    }
  }
  EXPECT_EQ(PairContent(kPairsPos), want);
  EXPECT_EQ(across, 20);
  EXPECT_GT(found, 500);
}

}  // namespace
}  // namespace quorvane
