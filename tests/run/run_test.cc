// Whole runs: the files they leave, their counters, messages and end steps.
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/file_stem.h"
#include "run_fixture.h"

namespace quorvane {
namespace {

using test::ReadFile;
using test::RunTest;

const char kGenome[] = "GATTACAGCCTAGGCATTCAGGTACCGATCGTTAGCAACT";
const char kReads[] = "CAGCCTAGGCAT\nACG\nACGATCGGTACC\nCAGCCTAGGCAA\nTTTTTTTTTTTT\n";

const char kLogTable[] =
    "\n\nrdNom\tread\tposUpNu\tposLwNu\tposUpLwNu"
    "\n1\tCAGCCTAGGCAT\t1\t0\t1"
    "\n2\tACGATCGGTACC\t0\t1\t1"
    "\n3\tCAGCCTAGGCAA\t1\t0\t1";

std::string Report(int mis, int in, int out, int hits, int up, int lw) {
  return "program = quorvane\nmis = " + std::to_string(mis) +
         "\ninput reads= 5\ninput short and big reads out of lengthes [12,1024], = 1\naccepted reads= 4"
         "\nreads in= " + std::to_string(in) + "\nreads out= " + std::to_string(out) +
         "\nmapped pos in genome= " + std::to_string(hits) + "\nmapped posUp = " + std::to_string(up) +
         "\nmapped posLw = " + std::to_string(lw);
}

TEST_F(RunTest, WorkedRunWithReadMismatchesShown) {
  Inputs(kGenome, kReads, 1, true);
  const RunSummary r = Run();
  EXPECT_EQ(r.outcome, RunOutcome::kDone);
  EXPECT_TRUE(obs_.msgs.empty());
  EXPECT_EQ(Res(kPos), dir_.path() + "/reads_gen_m1MapRdsPos.txt");
  EXPECT_EQ(Content(kRdsOut), "TTTTTTTTTTTT\n");
  EXPECT_EQ(Content(kRdsIn), "CAGCCTAGGCAT\nACGATCGGTACC\nCAGCCTAGGCAA\n");
  EXPECT_EQ(Content(kPos),
            "rdNom\tread\treadMis\tpos\tmisNu"
            "\n1\tCAGCCTAGGCAT\tCAGCCTAGGCAT\t+6\t0"
            "\n2\tACGATCGGTACC\tACGATCGGTACC\t-32\t0"
            "\n3\tCAGCCTAGGCAA\tCAGCCTAGGCAa\t+6\t1");
  EXPECT_EQ(Content(kLog), Report(1, 3, 1, 3, 2, 1) + kLogTable);
  EXPECT_EQ(r.report, Report(1, 3, 1, 3, 2, 1));
  EXPECT_FALSE(test::PathExists(Res(kTempLog)));
  EXPECT_EQ(shell_.calls, (std::vector<std::string>{"sheet " + Res(kLog), "sheet " + Res(kPos)}));
  EXPECT_EQ(obs_.progress, std::vector<std::string>{"inpRdsNu"});
  EXPECT_EQ(obs_.endSteps, std::vector<bool>{true});
  EXPECT_EQ(obs_.timeText, r.seconds);
  EXPECT_NE(r.seconds.find_first_of(".,"), std::string::npos);
}

TEST_F(RunTest, WorkedRunWithoutTheDisplayCopyAndExact) {
  Inputs(kGenome, kReads, 1, false);
  Run();
  EXPECT_EQ(Content(kPos),
            "rdNom\tread\tpos\tmisNu"
            "\n1\tCAGCCTAGGCAT\t+6\t0"
            "\n2\tACGATCGGTACC\t-32\t0"
            "\n3\tCAGCCTAGGCAA\t+6\t1");

  Inputs(kGenome, kReads, 0, true);
  Run();
  EXPECT_EQ(Content(kPos), "rdNom\tread\tpos\n1\tCAGCCTAGGCAT\t+6\n2\tACGATCGGTACC\t-32");
  EXPECT_EQ(Content(kRdsOut), "CAGCCTAGGCAA\nTTTTTTTTTTTT\n");
  EXPECT_EQ(Content(kRdsIn), "CAGCCTAGGCAT\nACGATCGGTACC\n");
  EXPECT_EQ(Content(kLog), Report(0, 2, 2, 2, 1, 1) +
                               "\n\nrdNom\tread\tposUpNu\tposLwNu\tposUpLwNu"
                               "\n1\tCAGCCTAGGCAT\t1\t0\t1\n2\tACGATCGGTACC\t0\t1\t1");
  // The run with misNu 1 left its own files beside.
  EXPECT_TRUE(test::PathExists(dir_.File("reads_gen_m1MapRdsPos.txt")));
}

TEST_F(RunTest, ALinearPlainGenomeHasNoHitAcrossItsEnds) {
  // Across the origin on either strand, one of them with a mismatch, and
  // one read wholly inside the genome.
  const char reads[] = "AGCAACTGATTA\nTAATCAGTTGCT\nAGCAACTGATTC\nCAGCCTAGGCAT\n";
  for (int misNu = 0; misNu <= 3; misNu += 3) {
    Inputs(kGenome, reads, misNu);
    ASSERT_EQ(Run().outcome, RunOutcome::kDone);
    EXPECT_NE(Content(kPos).find("AGCAACTGATTA\t+34"), std::string::npos) << Content(kPos);

    opt_.linear = true;
    obs_ = test::RecordingObserver();
    const RunSummary r = Run();
    EXPECT_EQ(r.outcome, RunOutcome::kDone);
    EXPECT_TRUE(obs_.msgs.empty());
    EXPECT_EQ(Content(kRdsIn), "CAGCCTAGGCAT\n");
    EXPECT_EQ(Content(kRdsOut), "AGCAACTGATTA\nTAATCAGTTGCT\nAGCAACTGATTC\n");
    EXPECT_EQ(Content(kPos), misNu == 0 ? "rdNom\tread\tpos\n1\tCAGCCTAGGCAT\t+6"
                                        : "rdNom\tread\tpos\tmisNu\n1\tCAGCCTAGGCAT\t+6\t0");
    opt_.linear = false;
  }
}

TEST_F(RunTest, DisplayCopyIgnoresCaseAndMarksUncodedLetters) {
  std::string genome = kGenome;
  for (char& c : genome) c = static_cast<char>(std::tolower(c));
  Inputs(genome, "CAGCCTAGGCAA\nCAGCNTAGGCAT\n", 1, true);
  Run();
  EXPECT_EQ(Content(kPos),
            "rdNom\tread\treadMis\tpos\tmisNu"
            "\n1\tCAGCCTAGGCAA\tCAGCCTAGGCAa\t+6\t1"
            "\n2\tCAGCNTAGGCAT\tCAGCnTAGGCAT\t+6\t1");
}

TEST_F(RunTest, MissingReadsFileOrResultsFolder) {
  Inputs(kGenome, kReads, 1);
  opt_.PthRds = dir_.File("nothing.txt");
  EXPECT_EQ(Run().outcome, RunOutcome::kFailed);
  EXPECT_EQ(obs_.msgs, std::vector<std::string>{"i can't open\n" + dir_.File("nothing.txt")});

  obs_.msgs.clear();
  Inputs(kGenome, kReads, 1);
  opt_.DiRes = dir_.File("no-such-folder");
  EXPECT_EQ(Run().outcome, RunOutcome::kFailed);
  EXPECT_EQ(obs_.msgs, std::vector<std::string>{"can't open " + Res(kRdsOut)});
  EXPECT_TRUE(obs_.endSteps.empty());
}

TEST_F(RunTest, AGenomeThatCannotBeUsedLeavesNoFile) {
  Inputs(kGenome, kReads, 1);
  opt_.PthGnm = dir_.File("gone.txt");
  EXPECT_EQ(Run().outcome, RunOutcome::kFailed);
  EXPECT_EQ(obs_.msgs, std::vector<std::string>{"can't open " + dir_.File("gone.txt")});
  EXPECT_TRUE(obs_.endSteps.empty());

  // A genome with another symbol reaches the end steps, and claims nothing.
  obs_ = test::RecordingObserver();
  Inputs(std::string(kGenome) + "\n", kReads, 1);
  EXPECT_EQ(Run().outcome, RunOutcome::kFailed);
  EXPECT_EQ(obs_.msgs, std::vector<std::string>{"bad symbol='\n' in genome"});
  EXPECT_EQ(obs_.endSteps, std::vector<bool>{false});
  EXPECT_EQ(obs_.timeText, "<none>");

  EXPECT_TRUE(Results().empty());
  EXPECT_TRUE(shell_.calls.empty());
}

TEST_F(RunTest, RunWithoutFoundReadsKeepsOnlyTheLog) {
  Inputs(kGenome, "TTTTTTTTTTTT\nAAAAAAAAAAAAAAAA\n", 2);
  EXPECT_EQ(Run().outcome, RunOutcome::kDone);
  const std::string log = Content(kLog);
  EXPECT_NE(log.find("\nreads in= 0\n"), std::string::npos);
  EXPECT_EQ(log.substr(log.rfind('\n') + 1), "mapped posLw = 0");
  for (ResFile f : {kRdsOut, kRdsIn, kPos, kTempLog}) EXPECT_FALSE(test::PathExists(Res(f)));
  EXPECT_EQ(shell_.calls, std::vector<std::string>{"open " + Res(kLog)});
}

TEST_F(RunTest, LinesAreFilteredByLengthAndLineEnds) {
  const std::string g = kGenome;
  const std::string r12 = g.substr(3, 12), r16 = g.substr(10, 16);
  std::string genome;
  std::mt19937 rng(7);
  genome = g + test::RandomLetters(rng, 2000);
  // An empty line, 11 letters, 12, 1024, 1025, an over-long line, then
  // reads that must still be searched; CR LF and a last line without LF.
  const std::string r1024 = genome.substr(0, 1024), r1025 = genome.substr(0, 1025);
  const std::string reads = "\n" + g.substr(0, 11) + "\n" + r12 + "\r\n" + r1024 + "\n" + r1025 + "\n" +
                            std::string(5000, 'A') + "\r\n" + r16 + "\r\n" + r12;
  Inputs(genome, reads, 0);
  const RunSummary r = Run();
  EXPECT_EQ(r.outcome, RunOutcome::kDone);
  EXPECT_EQ(r.counters.linesRead, 8);
  EXPECT_EQ(r.counters.shortBig, 4);
  EXPECT_EQ(r.counters.accepted, 4);
  EXPECT_EQ(r.counters.readsIn(), 4);
  EXPECT_EQ(Content(kRdsIn), r12 + "\n" + r1024 + "\n" + r16 + "\n" + r12 + "\n");
  const std::string head = "rdNom\tread\tpos\n1\t" + r12 + "\t+4\n";
  EXPECT_EQ(Content(kPos).substr(0, head.size()), head);
}

TEST_F(RunTest, ProgressEveryThousandLines) {
  std::mt19937 rng(8);
  const std::string genome = test::RandomLetters(rng, 5000);
  std::string reads;
  for (int i = 0; i < 2500; ++i) reads += genome.substr(i, 20) + "\n";
  Inputs(genome, reads, 0);
  Run();
  EXPECT_EQ(obs_.progress, (std::vector<std::string>{"999", "1999", "inpRdsNu"}));
  EXPECT_EQ(obs_.snapshots[0].readsRead, 1000);
  EXPECT_EQ(obs_.snapshots.back().bytesRead, static_cast<int64_t>(reads.size()));
  EXPECT_EQ(obs_.snapshots.back().bytesTotal, static_cast<int64_t>(reads.size()));
}

TEST_F(RunTest, AResultNameThatIsALinkIsReplacedNotWrittenThrough) {
  Inputs(kGenome, kReads, 1);
  test::WriteFile(dir_.File("elsewhere.txt"), "kept");
  ASSERT_EQ(symlink(dir_.File("elsewhere.txt").c_str(), Res(kPos).c_str()), 0);
  ASSERT_EQ(symlink("/dev/full", Res(kRdsIn).c_str()), 0);
  EXPECT_EQ(Run().outcome, RunOutcome::kDone);
  EXPECT_TRUE(obs_.msgs.empty());
  EXPECT_EQ(test::ReadFile(dir_.File("elsewhere.txt")), "kept");
  EXPECT_EQ(Content(kRdsIn), "CAGCCTAGGCAT\nACGATCGGTACC\nCAGCCTAGGCAA\n");
  EXPECT_EQ(Content(kPos), "rdNom\tread\tpos\tmisNu\n1\tCAGCCTAGGCAT\t+6\t0\n2\tACGATCGGTACC\t-32\t0\n3\tCAGCCTAGGCAA\t+6\t1");
}

TEST_F(RunTest, ResultsAreTheSameForAnyNumberOfThreads) {
  std::mt19937 rng(10);
  const std::string genome = test::RandomLetters(rng, 20000);
  std::string reads;
  std::uniform_int_distribution<int> start(0, 19000), len(5, 120), coin(0, 3);
  for (int i = 0; i < 5000; ++i) {
    std::string rd = genome.substr(start(rng), len(rng));
    if (coin(rng) == 0 && rd.size() > 3) rd[2] = rd[2] == 'A' ? 'C' : 'A';
    if (coin(rng) == 1) rd = test::ReverseComplement(rd);
    reads += rd + "\n";
  }
  std::vector<std::string> first;
  for (int threads : {1, 2, 3}) {
    Inputs(genome, reads, 1, true);
    opt_.threads = threads;
    ASSERT_EQ(Run().outcome, RunOutcome::kDone);
    std::vector<std::string> files;
    for (ResFile f : {kRdsOut, kRdsIn, kLog, kPos}) files.push_back(Content(f));
    if (first.empty()) {
      first = files;
      EXPECT_GT(files[3].size(), 100000u);
    } else {
      EXPECT_EQ(files, first) << threads << " threads";
    }
  }
  // Three runs, the same progress texts each time.
  ASSERT_EQ(obs_.progress.size() % 3, 0u);
  const size_t n = obs_.progress.size() / 3;
  EXPECT_EQ(n, 6u);
  for (size_t i = 0; i < n; ++i) {
    EXPECT_EQ(obs_.progress[i], obs_.progress[n + i]);
    EXPECT_EQ(obs_.progress[i], obs_.progress[2 * n + i]);
  }
}

TEST(FileStemTest, NamesAndPrefixes) {
  EXPECT_EQ(FileStem("/x/a.b.c"), "a");
  EXPECT_EQ(FileStem("/x/sample"), "sample");
  EXPECT_EQ(FileStem("/x/.hidden"), "");
  EXPECT_EQ(FileStem("plain.txt"), "plain");
  EXPECT_EQ(ResultPrefix("/data/sample.reads.txt", "/g/chr21.txt", 2), "/sample_chr21_m2");
  EXPECT_EQ(ResultPrefix("/data/.reads", "/g/chr21.txt", 0), "/_chr21_m0");
  EXPECT_EQ(ResultPaths("/", "/r.txt", "/g.txt", 0).path[kLog], "//r_g_m0MapRds_Log.txt");
}

}  // namespace
}  // namespace quorvane
