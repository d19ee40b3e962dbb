// Whole runs over FASTA genomes and FASTQ reads: the same files as the
// plain formats give, a column for the sequence where there are several,
// and no result counted past a malformed record.
#include <gtest/gtest.h>

#include <sstream>

#include "brute_force.h"
#include "run_fixture.h"

namespace quorvane {
namespace {

using test::RunTest;

std::string Fasta(const std::vector<test::Seq>& seqs, size_t width = 60) {
  std::string out;
  for (const test::Seq& s : seqs) {
    out += ">" + s.name + (s.circular ? "" : " topology=linear") + "\n";
    for (size_t at = 0; at < s.letters.size(); at += width) out += s.letters.substr(at, width) + "\n";
  }
  return out;
}

std::string Fastq(const std::vector<std::string>& reads) {
  std::string out;
  for (size_t i = 0; i < reads.size(); ++i) {
    out += "@read" + std::to_string(i) + " x\n" + reads[i] + "\n+\n" + std::string(reads[i].size(), 'F') + "\n";
  }
  return out;
}

class RunFormatsTest : public RunTest {
 protected:
  // The four files a run with found reads keeps.
  std::vector<std::string> Files() {
    std::vector<std::string> v;
    for (ResFile f : {kRdsOut, kRdsIn, kLog, kPos}) v.push_back(Content(f));
    return v;
  }
  // Reads drawn from genome's strands, with a few changes, some nowhere.
  std::vector<std::string> Draw(const std::string& genome, int n, std::mt19937& rng) {
    std::vector<std::string> reads;
    std::uniform_int_distribution<size_t> len(8, 120), coin(0, 9);
    const std::string rc = test::ReverseComplement(genome);
    for (int i = 0; i < n; ++i) {
      const size_t l = len(rng);
      std::uniform_int_distribution<size_t> at(0, genome.size() - l);
      std::string r = (coin(rng) < 5 ? genome : rc).substr(at(rng), l);
      if (coin(rng) < 3) r[coin(rng) % l] = 'A';
      if (coin(rng) == 0) r = test::RandomLetters(rng, l);
      reads.push_back(r);
    }
    return reads;
  }
};

TEST_F(RunFormatsTest, FastaAndFastqCompressedOrNotGiveThePlainFiles) {
  std::mt19937 rng(5);
  const std::string genome = test::RandomLetters(rng, 20000);
  const std::vector<std::string> reads = Draw(genome, 3000, rng);
  std::string plain;
  for (const std::string& r : reads) plain += r + "\n";
  Inputs(genome, plain, 2, true);
  ASSERT_EQ(Run().outcome, RunOutcome::kDone);
  const std::vector<std::string> want = Files();
  EXPECT_GT(want[3].size(), 10000u);

  // The same names, so that the result files carry the same prefix.
  test::WriteGzip(opt_.PthRds, Fastq(reads));
  test::WriteBgzf(opt_.PthGnm, Fasta({{"gen", genome, true}}));
  opt_.gnmLen = -1;
  obs_ = test::RecordingObserver();
  const RunSummary r = Run();
  ASSERT_EQ(r.outcome, RunOutcome::kDone) << r.status.message();
  EXPECT_EQ(Files(), want);
  EXPECT_EQ(obs_.snapshots.back().bytesTotal, static_cast<int64_t>(test::ReadFile(opt_.PthRds).size()));
}

TEST_F(RunFormatsTest, SeveralSequencesNameEachHitsSequence) {
  // Two sequences with the same 20 letters near their ends.
  const std::string a = "CCCCCCCCCCGATTACAGCCTAGGCATTCAGGCCCCC", b = "GGGGGATTACAGCCTAGGCATTCAGGGGGG";
  Inputs(Fasta({{"chrA", a, true}, {"pB", b, false}}), "GATTACAGCCTAGGCATTCA\n", 0);
  opt_.gnmLen = -1;
  ASSERT_EQ(Run().outcome, RunOutcome::kDone);
  EXPECT_EQ(Content(kPos),
            "rdNom\tread\tseqName\tpos\n1\tGATTACAGCCTAGGCATTCA\tchrA\t+11\n1\tGATTACAGCCTAGGCATTCA\tpB\t+5");
  EXPECT_NE(Content(kLog).find("\n1\tGATTACAGCCTAGGCATTCA\t2\t0\t2"), std::string::npos);
  opt_.misNu = 1;
  opt_.showRdsMis = true;
  ASSERT_EQ(Run().outcome, RunOutcome::kDone);
  EXPECT_EQ(Content(kPos).substr(0, Content(kPos).find('\n')), "rdNom\tread\treadMis\tseqName\tpos\tmisNu");
}

TEST_F(RunFormatsTest, AMalformedRecordEndsTheRunWithNothingCountedPastIt) {
  std::mt19937 rng(6);
  const std::string genome = test::RandomLetters(rng, 5000);
  std::vector<std::string> reads = Draw(genome, 2500, rng);
  std::string fastq = Fastq(reads);
  fastq += "@bad\nACGTACGTACGTACGT\n+\nFFFF\n" + Fastq({genome.substr(0, 30)});
  Inputs(genome, fastq, 1);
  const RunSummary r = Run();
  EXPECT_EQ(r.outcome, RunOutcome::kFailed);
  EXPECT_EQ(obs_.msgs, std::vector<std::string>{"malformed FASTQ record 2501 at line 10001 of " + opt_.PthRds +
                                                ": a quality string of another length than its 16 letters"});
  EXPECT_EQ(r.counters.linesRead, 2500);
  EXPECT_EQ(obs_.endSteps, std::vector<bool>{false});
  EXPECT_TRUE(r.report.empty());
}

// The run's hits as (read, seqName, pos, mis), from its position file.
std::vector<std::string> PosHits(const std::string& pos, const std::vector<std::string>& reads) {
  std::vector<std::string> out;
  std::istringstream in(pos);
  std::string line;
  std::getline(in, line);  // header
  size_t next = 0, current = 0;
  std::string nom;
  while (std::getline(in, line)) {
    std::vector<std::string> f;
    std::istringstream fs(line);
    for (std::string x; std::getline(fs, x, '\t');) f.push_back(x);
    if (f[0] != nom) {
      while (reads[next] != f[1]) ++next;  // found reads come in file order
      current = next++;
      nom = f[0];
    }
    out.push_back(std::to_string(current) + " " + f[2] + " " + f[3] + " " + f[4]);
  }
  return out;
}

TEST_F(RunFormatsTest, WholeRunsMatchTheBruteForceScanOnSeveralSequences) {
  std::mt19937 rng(7);
  for (EngineKind kind : {EngineKind::kReference, EngineKind::kFast}) {
    for (int round = 0; round < 3; ++round) {
      std::vector<test::Seq> seqs;
      std::string all;
      for (int s = 0; s < 3; ++s) {
        std::string l = test::RandomLetters(rng, 300 + 700 * static_cast<size_t>(s));
        l.replace(100, 30, std::string(30, 'N'));
        seqs.push_back({"s" + std::to_string(s), l, (round + s) % 2 == 0});
        all += l;
      }
      const std::vector<std::string> reads = Draw(all, 400, rng);
      Inputs(Fasta(seqs, 77), Fastq(reads), 2);
      opt_.gnmLen = -1;
      opt_.engine = kind;
      ASSERT_EQ(Run().outcome, RunOutcome::kDone);
      std::vector<std::string> want;
      for (size_t i = 0; i < reads.size(); ++i) {
        if (reads[i].size() < 12) continue;
        for (const Hit& h : test::BruteForceHits(seqs, reads[i], 2)) {
          const int32_t len = static_cast<int32_t>(seqs[h.seq].letters.size());
          const int32_t p = HitPos(h, len);
          want.push_back(std::to_string(i) + " " + seqs[h.seq].name + " " + (p > 0 ? "+" : "") + std::to_string(p) +
                         " " + std::to_string(h.mis));
        }
      }
      ASSERT_GT(want.size(), 100u);
      EXPECT_EQ(PosHits(Content(kPos), reads), want) << "round " << round;
    }
  }
}

TEST_F(RunFormatsTest, EColiAndLambdaAsTwoRecords) {
  const std::string data = test::SharedDataDir();
  if (data.empty()) GTEST_SKIP() << "../shared/data is absent";
  const std::string ecoli = test::ReadFile(data + "/ecoli.txt"), lambda = test::ReadFile(data + "/lambda.txt");
  const std::string acrossEcoli = ecoli.substr(ecoli.size() - 40) + ecoli.substr(0, 60);
  const std::string acrossLambda = lambda.substr(lambda.size() - 40) + lambda.substr(0, 60);
  const std::string acrossJoin = ecoli.substr(ecoli.size() - 50) + lambda.substr(0, 50);
  Inputs(Fasta({{"ecoli", ecoli, true}, {"lambda", lambda, false}}),
         acrossEcoli + "\n" + acrossLambda + "\n" + acrossJoin + "\n" + test::ReverseComplement(acrossEcoli) + "\n", 0);
  opt_.gnmLen = -1;
  const RunSummary r = Run();
  ASSERT_EQ(r.outcome, RunOutcome::kDone);
  EXPECT_EQ(Content(kRdsIn), acrossEcoli + "\n" + test::ReverseComplement(acrossEcoli) + "\n");
  EXPECT_EQ(Content(kRdsOut), acrossLambda + "\n" + acrossJoin + "\n");
  const std::string pos = Content(kPos);
  EXPECT_NE(pos.find("\tecoli\t+" + std::to_string(ecoli.size() - 39)), std::string::npos);
  EXPECT_EQ(pos.find("\tlambda\t"), std::string::npos);
}

}  // namespace
}  // namespace quorvane
