// The SAM file of small worked runs, record by record; and how a run with
// a SAM file ends when something fails.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "common/file_stem.h"
#include "run_fixture.h"
#include "sam_reader.h"

// htslib's BGZF close gives up at a failed write without freeing its
// buffers: the BAM file on a full disk leaks them, once, in htslib.
extern "C" const char* __lsan_default_suppressions() { return "leak:libhts.so\n"; }

namespace quorvane {
namespace {

using test::ReadFile;
using test::RunTest;
using test::WriteFile;

// A circular sequence, and a linear one holding a copy of its first 22
// letters with an N in place of its 15th.
const char kGenome[] =
    ">chrA\nGATTACAGCCTAGGCATTCAGGTACCGATCGTTAGCAACT\n"
    ">pl topology=linear\nTTTTTTTTTTGATTACAGCCTAGGNATTCAGGCCCCC\n";

const char kHeader[] =
    "@HD\tVN:1.6\tSO:unsorted\tGO:query\n"
    "@SQ\tSN:chrA\tLN:40\tTP:circular\n"
    "@SQ\tSN:pl\tLN:37\n"
    "@PG\tID:quorvane\tPN:quorvane\tVN:" QUORVANE_VERSION "\tCL:quorvane-map -g 'my genome.fa'\n";

class SamOutputTest : public RunTest {
 protected:
  void SetUp() override {
    opt_.commandLine = "quorvane-map -g 'my genome.fa'";
  }
  // Maps reads against kGenome with misNu 1 into out.sam only.
  RunSummary MapSam(const std::string& reads) {
    Inputs(kGenome, reads, 1);
    opt_.gnmLen = -1;
    opt_.DiRes.clear();
    opt_.samPath = dir_.File("out.sam");
    return Run();
  }
  std::string Sam() { return ReadFile(opt_.samPath); }
  // Every file in the test folder but the inputs.
  std::vector<std::string> Outputs() {
    std::vector<std::string> v;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
      const std::string n = e.path().filename().string();
      if (n != "gen.txt" && n != "reads.txt") v.push_back(n);
    }
    std::sort(v.begin(), v.end());
    return v;
  }
};

TEST_F(SamOutputTest, FastqReadsOnACircularAndALinearSequence) {
  const std::string fastq =
      "@tie first\nGATTACAGCCTA\n+\nABCDEFGHIJKL\n"      // exact on both sequences
      "@lead\nCCTAGGCATTCA\n+\nIIIIIIIIIIII\n"           // exact on chrA, over the N of pl
      "@nn\nCCTAGGNATTCA\n+\nIIIIIIIIIIII\n"             // an N on the N of pl: a mismatch too
      "@across\nAGCAACTGATTA\n+\n!!!!!!!!!!!!\n"         // chrA's last 7 letters, then its first 5
      "@acrossC\nTGTAATCAGTTG\n+\nabcdefghijkl\n"        // the reverse complement of 12 letters across
      "@mis\nTACCGATCGTTAGCTACT\n+\n0123456789:;<=>?@A\n"  // one mismatch, nothing else near
      "@none\nACACACACACACACAC\n+\nIIIIIIIIIIIIIIII\n"
      "@short\nACGT\n+\n##$$\n";
  const RunSummary r = MapSam(fastq);
  ASSERT_EQ(r.outcome, RunOutcome::kDone) << (obs_.msgs.empty() ? "" : obs_.msgs[0]);
  EXPECT_EQ(Sam(), std::string(kHeader) +
                       "tie\t0\tchrA\t1\t0\t12M\t*\t0\t0\tGATTACAGCCTA\tABCDEFGHIJKL\tNM:i:0\tMD:Z:12\tNH:i:2\tHI:i:1\n"
                       "tie\t256\tpl\t11\t0\t12M\t*\t0\t0\tGATTACAGCCTA\tABCDEFGHIJKL\tNM:i:0\tMD:Z:12\tNH:i:2\tHI:i:2\n"
                       // The primary hit comes second in the position file's order.
                       "lead\t256\tpl\t19\t0\t12M\t*\t0\t0\tCCTAGGCATTCA\tIIIIIIIIIIII\tNM:i:1\tMD:Z:6N5\tNH:i:2\tHI:i:1\n"
                       "lead\t0\tchrA\t9\t20\t12M\t*\t0\t0\tCCTAGGCATTCA\tIIIIIIIIIIII\tNM:i:0\tMD:Z:12\tNH:i:2\tHI:i:2\n"
                       "nn\t0\tpl\t19\t0\t12M\t*\t0\t0\tCCTAGGNATTCA\tIIIIIIIIIIII\tNM:i:1\tMD:Z:6N5\tNH:i:2\tHI:i:1\n"
                       "nn\t256\tchrA\t9\t0\t12M\t*\t0\t0\tCCTAGGNATTCA\tIIIIIIIIIIII\tNM:i:1\tMD:Z:6C5\tNH:i:2\tHI:i:2\n"
                       "across\t0\tchrA\t34\t40\t12M\t*\t0\t0\tAGCAACTGATTA\t!!!!!!!!!!!!\tNM:i:0\tMD:Z:12\tNH:i:1\tHI:i:1\n"
                       "acrossC\t16\tchrA\t36\t40\t12M\t*\t0\t0\tCAACTGATTACA\tlkjihgfedcba\tNM:i:0\tMD:Z:12\tNH:i:1\t"
                       "HI:i:1\n"
                       "mis\t0\tchrA\t23\t20\t18M\t*\t0\t0\tTACCGATCGTTAGCTACT\t0123456789:;<=>?@A\tNM:i:1\tMD:Z:14A3\t"
                       "NH:i:1\tHI:i:1\n"
                       "none\t4\t*\t0\t0\t*\t*\t0\t0\tACACACACACACACAC\tIIIIIIIIIIIIIIII\n"
                       "short\t4\t*\t0\t0\t*\t*\t0\t0\tACGT\t##$$\tYF:Z:LN\n");
  EXPECT_EQ(Outputs(), std::vector<std::string>{"out.sam"});

  opt_.samUnaligned = false;
  ASSERT_EQ(Run().outcome, RunOutcome::kDone);
  EXPECT_EQ(Sam().find("\t4\t*"), std::string::npos);
  EXPECT_NE(Sam().find("\nmis\t0\t"), std::string::npos);
}

TEST_F(SamOutputTest, PlainReadsAreNamedByTheirLine) {
  const RunSummary r = MapSam("GATTACAGCCTAGGC\n\nACG\n" + std::string(2000, 'C') + "\nCCTAGGCATTCA\n");
  ASSERT_EQ(r.outcome, RunOutcome::kDone);
  EXPECT_EQ(Sam(), std::string(kHeader) +
                       "1\t0\tchrA\t1\t20\t15M\t*\t0\t0\tGATTACAGCCTAGGC\t*\tNM:i:0\tMD:Z:15\tNH:i:2\tHI:i:1\n"
                       "1\t256\tpl\t11\t0\t15M\t*\t0\t0\tGATTACAGCCTAGGC\t*\tNM:i:1\tMD:Z:14N0\tNH:i:2\tHI:i:2\n"
                       "2\t4\t*\t0\t0\t*\t*\t0\t0\t*\t*\tYF:Z:LN\n"
                       "3\t4\t*\t0\t0\t*\t*\t0\t0\tACG\t*\tYF:Z:LN\n"
                       "4\t4\t*\t0\t0\t*\t*\t0\t0\t*\t*\tYF:Z:LN\n"
                       "5\t256\tpl\t19\t0\t12M\t*\t0\t0\tCCTAGGCATTCA\t*\tNM:i:1\tMD:Z:6N5\tNH:i:2\tHI:i:1\n"
                       "5\t0\tchrA\t9\t20\t12M\t*\t0\t0\tCCTAGGCATTCA\t*\tNM:i:0\tMD:Z:12\tNH:i:2\tHI:i:2\n");
}

// Enough reads, found and not, that the records pass every buffer.
std::string ManyReads(const std::string& genome, int n) {
  std::mt19937 rng(21);
  std::string reads;
  for (int i = 0; i < n; ++i) {
    const size_t at = static_cast<size_t>(i) % (genome.size() - 40);
    reads += (i % 3 == 0 ? test::RandomLetters(rng, 30) : genome.substr(at, 30)) + "\n";
  }
  return reads;
}

TEST_F(SamOutputTest, RecordsAreTheSameForAnyThreads) {
  std::mt19937 rng(22);
  const std::string genome = test::RandomLetters(rng, 20000);
  Inputs(genome, ManyReads(genome, 20000), 2);
  std::string first;
  for (int threads : {1, 2, 4}) {
    opt_.threads = threads;
    opt_.samPath = dir_.File("t" + std::to_string(threads) + ".bam");
    ASSERT_EQ(Run().outcome, RunOutcome::kDone);
    const std::string lines = test::SamLines(test::ReadSam(opt_.samPath));
    if (first.empty()) first = lines;
    EXPECT_EQ(lines, first) << threads;
  }
  EXPECT_GT(first.size(), size_t{1} << 20);
}

TEST_F(SamOutputTest, ReadsWithVeryManyHitsKeepEveryRecordInOrder) {
  // 10,000 hits a read, written in parts beside the searching threads'
  // records, between reads that have none.
  std::string reads;
  for (int i = 0; i < 12; ++i) reads += i % 4 == 3 ? "CCCCCCCCCCCC\n" : "AAAAAAAAAAAA\n";
  Inputs(std::string(10000, 'A'), reads, 0);
  opt_.DiRes.clear();
  std::string first;
  for (int threads : {1, 2}) {
    opt_.threads = threads;
    opt_.samPath = dir_.File("t" + std::to_string(threads) + ".bam");
    ASSERT_EQ(Run().outcome, RunOutcome::kDone);
    const test::SamContent sam = test::ReadSam(opt_.samPath);
    ASSERT_EQ(sam.recs.size(), 9u * 10000 + 3);
    size_t at = 0;
    for (int i = 0; i < 12; ++i) {
      const std::string name = std::to_string(i + 1);
      if (i % 4 == 3) {
        EXPECT_EQ(sam.recs[at].qname, name);
        EXPECT_EQ(sam.recs[at++].flag, 4);
        continue;
      }
      int primary = 0;
      for (int hi = 1; hi <= 10000; ++hi, ++at) {
        ASSERT_EQ(sam.recs[at].qname, name);
        ASSERT_EQ(sam.recs[at].tags.at("HI"), std::to_string(hi));
        ASSERT_EQ(sam.recs[at].tags.at("NH"), "10000");
        primary += (sam.recs[at].flag & 256) == 0;
      }
      EXPECT_EQ(primary, 1);
    }
    const std::string lines = test::SamLines(sam);
    if (first.empty()) first = lines;
    EXPECT_EQ(lines, first) << threads;
  }
}

TEST_F(SamOutputTest, AFullDiskFailsTheRunOnce) {
  std::mt19937 rng(23);
  const std::string genome = test::RandomLetters(rng, 5000);
  ASSERT_EQ(symlink("/dev/full", dir_.File("full.bam").c_str()), 0);
  for (const std::string& name : {std::string("/dev/full"), dir_.File("full.bam")}) {
    for (int n : {3, 20000}) {  // at the close, or on the way
      Inputs(genome, ManyReads(genome, n), 1);
      opt_.samPath = name;
      obs_ = test::RecordingObserver();
      const RunSummary r = Run();
      EXPECT_EQ(r.outcome, RunOutcome::kFailed);
      EXPECT_EQ(obs_.msgs, std::vector<std::string>{"can't write " + name}) << n;
      EXPECT_EQ(obs_.endSteps, std::vector<bool>{false});
      EXPECT_TRUE(shell_.calls.empty());
    }
  }
  struct stat st {};
  ASSERT_EQ(lstat(dir_.File("full.bam").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));  // written through, never replaced
}

TEST_F(SamOutputTest, ARunThatFailsLeavesTheEarlierFileAsItWas) {
  std::mt19937 rng(24);
  const std::string genome = test::RandomLetters(rng, 5000);
  const std::string reads = ManyReads(genome, 20000);
  const std::string path = dir_.File("out.sam");
  const std::string five = ResultPrefix(dir_.File("reads.txt"), dir_.File("gen.txt"), 1).substr(1);
  auto fresh = [&] {
    WriteFile(path, "earlier results\n");
    Inputs(genome, reads, 1);
    opt_.samPath = path;
    obs_ = test::RecordingObserver();
    env_ = test::FaultEnv();
  };
  auto unchanged = [&](const std::string& why) {
    EXPECT_EQ(ReadFile(path), "earlier results\n") << why;
    for (const std::string& f : Outputs()) EXPECT_EQ(f.find(".tmp"), std::string::npos) << why << ": " << f;
  };
  // Another result file fails.
  fresh();
  env_.FailWriteAfter("MapRdsPos.txt", 1000);
  EXPECT_EQ(Run().outcome, RunOutcome::kFailed);
  unchanged("a full disk elsewhere");
  // The run is stopped.
  fresh();
  obs_.stopAfterProgress = 2;
  EXPECT_EQ(Run().outcome, RunOutcome::kInterrupted);
  unchanged("stopped");
  // The genome cannot be read.
  fresh();
  WriteFile(dir_.File("gen.txt"), "GATTACA\nGATTACA");
  EXPECT_EQ(Run().outcome, RunOutcome::kFailed);
  unchanged("a bad genome");
  // The file cannot take its name.
  fresh();
  env_.FailRename("out.sam");
  EXPECT_EQ(Run().outcome, RunOutcome::kFailed);
  EXPECT_EQ(obs_.msgs, std::vector<std::string>{"can't write " + path});
  unchanged("a failed rename");
  // A folder that does not exist: nothing is read.
  fresh();
  opt_.samPath = dir_.File("none/out.sam");
  EXPECT_EQ(Run().outcome, RunOutcome::kFailed);
  EXPECT_EQ(obs_.msgs, std::vector<std::string>{"can't open " + opt_.samPath});
  EXPECT_TRUE(obs_.progress.empty());
  // And then it succeeds, beside the five files.
  fresh();
  ASSERT_EQ(Run().outcome, RunOutcome::kDone);
  EXPECT_EQ(ReadFile(path).substr(0, 4), "@HD\t");
  EXPECT_EQ(Outputs(), (std::vector<std::string>{"out.sam", five + "MapRdsPos.txt", five + "MapRds_Log.txt",
                                                 five + "RdsInPos.txt", five + "RdsOutPos.txt"}));
  // Made as any new file of the user's.
  const mode_t mask = umask(0);
  umask(mask);
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
}

}  // namespace
}  // namespace quorvane
