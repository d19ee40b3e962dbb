// The quorvane-map command, run as a user runs it.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "test_util.h"

namespace quorvane {
namespace {

using test::FolderFiles;
using test::PathExists;
using test::ReadFile;
using test::WriteFile;

struct Outcome {
  int status;
  std::string out, err;
};

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_.File("gen.txt"), "GATTACAGCCTAGGCATTCAGGTACCGATCGTTAGCAACT");
    WriteFile(dir_.File("reads.txt"), "CAGCCTAGGCAT\nACG\nACGATCGGTACC\nCAGCCTAGGCAA\nTTTTTTTTTTTT\n");
    mkdir(dir_.File("res").c_str(), 0755);
  }

  // Runs the command with args (a shell word list) from the test folder.
  Outcome Map(const std::string& args) {
    const std::string cmd = "cd " + dir_.path() + " && " + QUORVANE_BINARY_DIR "/quorvane-map " + args +
                            " >" + dir_.File("stdout") + " 2>" + dir_.File("stderr");
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir_.File("stdout")), ReadFile(dir_.File("stderr"))};
  }

  std::string Res(const std::string& name) const { return dir_.File("res/reads_gen_m1" + name); }

  test::TempDir dir_;
};

TEST_F(CliTest, ASavedIndexMapsAsItsGenome) {
  const Outcome made = Map("index gen.txt -o gen.qvi -t 2");
  EXPECT_EQ(made.status, 0) << made.err;
  EXPECT_EQ(made.out.substr(0, 25), "saved index gen.qvi: 40 l");
  ASSERT_EQ(Map("-g gen.txt -r reads.txt -o res -m 1 -q").status, 0);
  const auto fromGenome = FolderFiles(dir_.File("res"));
  const Outcome fromIndex = Map("-g gen.qvi -r reads.txt -o res -m 1 -q");
  EXPECT_EQ(fromIndex.status, 0) << fromIndex.err;
  EXPECT_EQ(FolderFiles(dir_.File("res")), fromGenome);

  // Usage errors exit 2; a genome that cannot be indexed, or an index
  // written over its own genome, 1 with the message.
  EXPECT_EQ(Map("index gen.txt").status, 2);
  EXPECT_EQ(Map("index -o x.qvi").status, 2);
  const Outcome missing = Map("index nowhere.fa -o x.qvi");
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "can't open nowhere.fa\n");
  const Outcome self = Map("index gen.txt -o gen.txt");
  EXPECT_EQ(self.status, 1);
  EXPECT_EQ(self.err, "the index file is the genome file\ngen.txt\n");
  EXPECT_FALSE(PathExists(dir_.File("x.qvi")));
}

TEST_F(CliTest, VerifyChecksASavedIndexWhole) {
  ASSERT_EQ(Map("index gen.txt -o gen.qvi -q").status, 0);
  const Outcome whole = Map("index --verify gen.qvi");
  EXPECT_EQ(whole.status, 0) << whole.err;
  EXPECT_EQ(whole.err, "");
  EXPECT_EQ(whole.out.substr(0, 21), "saved index gen.qvi\n ");
  EXPECT_NE(whole.out.find("\n  contexts: 1 block, whole\n"), std::string::npos) << whole.out;
  EXPECT_EQ(whole.out.substr(whole.out.size() - 22), "\nsaved index is whole\n");
  EXPECT_EQ(Map("index --verify gen.qvi -q").out, "");

  // One byte of the letters changed: what was found, the message, 1.
  std::string bytes = ReadFile(dir_.File("gen.qvi"));
  const size_t at = bytes.find("GATTACAGCC");
  ASSERT_NE(at, std::string::npos);
  bytes[at] = 'C';
  WriteFile(dir_.File("gen.qvi"), bytes);
  const Outcome damaged = Map("index --verify gen.qvi");
  EXPECT_EQ(damaged.status, 1);
  EXPECT_NE(damaged.out.find("\n  letters: 1 block, 1 damaged: block 1\n"), std::string::npos) << damaged.out;
  EXPECT_EQ(damaged.out.find("is whole"), std::string::npos);
  EXPECT_EQ(damaged.err, "saved index is damaged: block 1 of its letters does not match its checksum: make it again "
                         "with quorvane-map index\ngen.qvi\n");
  const Outcome run = Map("-g gen.qvi -r reads.txt -o res -m 1 -q");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, damaged.err);
  EXPECT_TRUE(FolderFiles(dir_.File("res")).empty());

  // --verify stands alone.
  EXPECT_EQ(Map("index gen.txt --verify gen.qvi").status, 2);
  EXPECT_EQ(Map("index --verify missing.qvi").err, "can't open missing.qvi\n");
}

TEST_F(CliTest, MapsAndPrintsTheReport) {
  const Outcome o = Map("-g gen.txt -r reads.txt -o res -m 1 --show-mismatches -t 2");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out.substr(0, 30), "program = quorvane-map\nmis = 1");
  EXPECT_NE(o.out.find("\nmapped posLw = 1\nseconds = "), std::string::npos);
  EXPECT_EQ(ReadFile(Res("MapRdsPos.txt")),
            "rdNom\tread\treadMis\tpos\tmisNu\n1\tCAGCCTAGGCAT\tCAGCCTAGGCAT\t+6\t0"
            "\n2\tACGATCGGTACC\tACGATCGGTACC\t-32\t0\n3\tCAGCCTAGGCAA\tCAGCCTAGGCAa\t+6\t1");
  EXPECT_FALSE(PathExists(Res("MapTempLog.txt")));

  const Outcome quiet = Map("-g gen.txt -r reads.txt -o res -m 1 -q --engine reference -t 1");
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.out + quiet.err, "");
  EXPECT_EQ(ReadFile(Res("MapRdsPos.txt")),
            "rdNom\tread\tpos\tmisNu\n1\tCAGCCTAGGCAT\t+6\t0\n2\tACGATCGGTACC\t-32\t0\n3\tCAGCCTAGGCAA\t+6\t1");
}

TEST_F(CliTest, UsageErrorsExitWithTwo) {
  EXPECT_EQ(Map("").status, 2);
  EXPECT_EQ(Map("-g gen.txt -r reads.txt").status, 2);
  EXPECT_EQ(Map("-g gen.txt -r reads.txt -o res --bogus").status, 2);
  EXPECT_EQ(Map("-g gen.txt -r reads.txt -o res -t 0").status, 2);
  const Outcome big = Map("-g gen.txt -r reads.txt -o res -m 4");
  EXPECT_EQ(big.status, 2);
  EXPECT_EQ(big.err, "misNu is big\n");
  const Outcome bad = Map("-g gen.txt -r reads.txt -o res -m 12");
  EXPECT_EQ(bad.status, 2);
  EXPECT_EQ(bad.err, "uknown misNu value\n");
  EXPECT_FALSE(PathExists(dir_.File("res/reads_gen_m4MapRds_Log.txt")));

  const Outcome help = Map("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--genome"), std::string::npos);
  const Outcome version = Map("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_NE(version.out.find("quorvane-map "), std::string::npos);
}

TEST_F(CliTest, FailedChecksExitWithOne) {
  Outcome o = Map("-g none.txt -r reads.txt -o res");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, " file of Genome does not exist\n");
  o = Map("-g gen.txt -r none.txt -o res");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, " file of Reads does not exist\n");
  o = Map("-g gen.txt -r reads.txt -o nowhere");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, " dir of Results does not exist\n");
  WriteFile(dir_.File("oneline.txt"), "ACGTACGTACGTACGT");
  o = Map("-g gen.txt -r oneline.txt -o res");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "separator of reads '\\n' not found\n");
  EXPECT_EQ(o.out, "");
}

TEST_F(CliTest, AGenomeWithALineBreakLeavesNoFile) {
  WriteFile(dir_.File("gen.txt"), "GATTACAGCCTAGGCATTCAGGTACCGATCGTTAGCAACT\n");
  const Outcome o = Map("-g gen.txt -r reads.txt -o res -m 1");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "bad symbol='\n' in genome\n");
  EXPECT_TRUE(FolderFiles(dir_.File("res")).empty());
}

TEST_F(CliTest, AFullDiskFailsTheRunAndLeavesTheEarlierResults) {
  std::string reads;
  for (int i = 0; i < 300; ++i) reads += "CAGCCTAGGCAT\nTTTTTTTTTTTT\n";
  WriteFile(dir_.File("reads.txt"), reads);
  ASSERT_EQ(Map("-g gen.txt -r reads.txt -o res -m 1 -q").status, 0);
  const auto earlier = FolderFiles(dir_.File("res"));
  // Files may grow to 1 KiB: the write past it fails as on a full disk.
  const std::string cmd = "cd " + dir_.path() + " && trap '' XFSZ && ulimit -f 2 && " + QUORVANE_BINARY_DIR +
                          "/quorvane-map -g gen.txt -r reads.txt -o res -m 1 >stdout 2>stderr";
  const int raw = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 1);
  EXPECT_EQ(ReadFile(dir_.File("stderr")), "can't write res/reads_gen_m1RdsOutPos.txt\n");
  EXPECT_EQ(FolderFiles(dir_.File("res")), earlier);
}

TEST_F(CliTest, MessyReadsFiles) {
  // CR LF line ends, an over-long line and the reads after it.
  WriteFile(dir_.File("reads.txt"), "CAGCCTAGGCAT\r\n" + std::string(3000, 'C') + "\r\nACGATCGGTACC\r\nTTTTTTTTTTTT");
  Outcome o = Map("-g gen.txt -r reads.txt -o res -m 1");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(o.out.find("input reads= 4\ninput short and big reads out of lengthes [12,1024], = 1\n"
                       "accepted reads= 3\nreads in= 2\nreads out= 1\n"),
            std::string::npos)
      << o.out;
  EXPECT_EQ(ReadFile(Res("RdsInPos.txt")), "CAGCCTAGGCAT\nACGATCGGTACC\n");

  // No read found: only the log stays, and the command still succeeds.
  WriteFile(dir_.File("reads.txt"), "TTTTTTTTTTTT\n");
  o = Map("-g gen.txt -r reads.txt -o res -m 1");
  EXPECT_EQ(o.status, 0);
  EXPECT_NE(o.out.find("reads in= 0"), std::string::npos);
  EXPECT_TRUE(PathExists(Res("MapRds_Log.txt")));
  EXPECT_FALSE(PathExists(Res("RdsOutPos.txt")));
}

TEST_F(CliTest, ReadsFromStandardInputAPipeOrAProcessSubstitution) {
  WriteFile(dir_.File("reads.fq"), "@a\nCAGCCTAGGCAT\n+\nIIIIIIIIIIII\n@b\nACGATCGGTACC\n+\nIIIIIIIIIIII\n");
  test::WriteGzip(dir_.File("reads.fq.gz"), ReadFile(dir_.File("reads.fq")));
  const std::string want = "rdNom\tread\tpos\n1\tCAGCCTAGGCAT\t+6\n2\tACGATCGGTACC\t-32";
  Outcome o = Map("-g gen.txt -r - -o res -m 0 < reads.fq");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(ReadFile(dir_.File("res/stdin_gen_m0MapRdsPos.txt")), want);
  o = Map("-g gen.txt -r - -o res -m 0 -q < reads.fq.gz");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(ReadFile(dir_.File("res/stdin_gen_m0MapRdsPos.txt")), want);
  // Through bash, which gives the reads as /dev/fd/NN.
  const std::string cmd = "cd " + dir_.path() + " && bash -c '" QUORVANE_BINARY_DIR
                          "/quorvane-map -g gen.txt -r <(zcat reads.fq.gz) -o res -m 0 -q' 2>" + dir_.File("stderr");
  ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadFile(dir_.File("stderr"));
  bool found = false;
  for (int fd = 0; fd < 256 && !found; ++fd) {
    const std::string f = dir_.File("res/" + std::to_string(fd) + "_gen_m0MapRdsPos.txt");
    if (PathExists(f)) {
      found = true;
      EXPECT_EQ(ReadFile(f), want);
    }
  }
  EXPECT_TRUE(found);
}

TEST_F(CliTest, FastaGenomesAndTheirTopology) {
  // The worked genome's last 7 letters then its first 5: found only while
  // the genome is circular.
  WriteFile(dir_.File("g.fa"), ">gen\nGATTACAGCCTAGGCATTCAGG\nTACCGATCGTTAGCAACT\n");
  WriteFile(dir_.File("r.txt"), "AGCAACTGATTA\n");
  Outcome o = Map("-g g.fa -r r.txt -o res -m 0 -q");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(ReadFile(dir_.File("res/r_g_m0MapRdsPos.txt")), "rdNom\tread\tpos\n1\tAGCAACTGATTA\t+34");
  o = Map("-g g.fa -r r.txt -o res -m 0 -q --linear");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_FALSE(PathExists(dir_.File("res/r_g_m0MapRdsPos.txt")));
  EXPECT_NE(ReadFile(dir_.File("res/r_g_m0MapRds_Log.txt")).find("reads out= 1"), std::string::npos);
  WriteFile(dir_.File("bad.fa"), ">gen\nGATTAC\tAGC\x7f\n");
  o = Map("-g bad.fa -r r.txt -o res -m 0 -q");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "bad symbol='\\x7F' at position 10 of sequence gen in genome\nbad.fa\n");
}

TEST_F(CliTest, LinearAppliesToAPlainGenomeToo) {
  // The genome's last 7 letters then its first 5, on either strand: found
  // across the origin of the circle, nowhere on the linear sequence.
  WriteFile(dir_.File("r.txt"), "AGCAACTGATTA\nTAATCAGTTGCT\nCAGCCTAGGCAT\n");
  Outcome o = Map("-g gen.txt -r r.txt -o res -m 0 -q");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(ReadFile(dir_.File("res/r_gen_m0MapRdsPos.txt")),
            "rdNom\tread\tpos\n1\tAGCAACTGATTA\t+34\n2\tTAATCAGTTGCT\t-5\n3\tCAGCCTAGGCAT\t+6");
  o = Map("-g gen.txt -r r.txt -o res -m 0 -q --linear --sam - --no-unal");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(ReadFile(dir_.File("res/r_gen_m0MapRdsPos.txt")), "rdNom\tread\tpos\n1\tCAGCCTAGGCAT\t+6");
  EXPECT_NE(ReadFile(dir_.File("res/r_gen_m0MapRds_Log.txt")).find("reads in= 1\nreads out= 2\n"), std::string::npos);
  // The SAM header no longer calls the sequence circular.
  EXPECT_NE(o.out.find("@SQ\tSN:gen\tLN:40\n"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("\n3\t0\tgen\t6\t"), std::string::npos) << o.out;
  EXPECT_EQ(o.out.find("\n1\t"), std::string::npos) << o.out;
}

TEST_F(CliTest, AReportThatCannotBeWrittenFailsTheRun) {
  const std::string cmd = "cd " + dir_.path() + " && " + QUORVANE_BINARY_DIR "/quorvane-map " +
                          "-g gen.txt -r reads.txt -o res -m 1 >/dev/full 2>" + dir_.File("stderr");
  const int raw = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(raw));
  EXPECT_EQ(WEXITSTATUS(raw), 1);
  EXPECT_EQ(ReadFile(dir_.File("stderr")), "can't write standard output\n");
}

// A run that reads its reads from a pipe the test feeds, so that it is
// still running when the signal comes.
class CliSignalTest : public CliTest {
 protected:
  // Maps the reads of standard input; the results are named as those of
  // "stdin.txt".
  void Start() {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pid_ = fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      dup2(fds[0], 0);
      close(fds[0]);
      close(fds[1]);
      const int err = open(dir_.File("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(err, 2);
      dup2(err, 1);
      if (chdir(dir_.path().c_str()) != 0) _exit(99);
      execl(QUORVANE_BINARY_DIR "/quorvane-map", "quorvane-map", "-g", "gen.txt", "-r", "/dev/stdin", "-o", "res",
            "-m", "1", "-t", "2", static_cast<char*>(nullptr));
      _exit(98);
    }
    close(fds[0]);
    feed_ = fds[1];
  }

  // Writes more reads into the pipe; false once the run no longer reads.
  bool Feed() {
    std::string chunk;
    for (int i = 0; i < 500; ++i) chunk += "CAGCCTAGGCAT\nACGATCGGTACC\nTTTTTTTTTTTT\n";
    return write(feed_, chunk.data(), chunk.size()) == static_cast<ssize_t>(chunk.size());
  }

  // Feeds the run until the results folder shows it at work, sends sig,
  // feeds it until it ends and returns its wait status.
  int InterruptWith(int sig) {
    const auto earlier = FolderFiles(dir_.File("res"));
    Start();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (FolderFiles(dir_.File("res")) == earlier && std::chrono::steady_clock::now() < until) {
      Feed();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid_, sig);
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
      if (std::chrono::steady_clock::now() > until) kill(pid_, SIGKILL);
      Feed();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    close(feed_);
    return status;
  }

  void SetUp() override {
    CliTest::SetUp();
    std::signal(SIGPIPE, SIG_IGN);
    WriteFile(dir_.File("stdin.txt"), "CAGCCTAGGCAT\nCAGCCTAGGCAA\n");
    ASSERT_EQ(Map("-g gen.txt -r stdin.txt -o res -m 1").status, 0);
  }
  void TearDown() override { std::signal(SIGPIPE, SIG_DFL); }

  pid_t pid_ = -1;
  int feed_ = -1;
};

TEST_F(CliSignalTest, AnInterruptedRunLeavesTheEarlierResultsAndSaysSo) {
  const auto earlier = FolderFiles(dir_.File("res"));
  ASSERT_EQ(earlier.size(), 4u);
  for (const int sig : {SIGINT, SIGTERM}) {
    const int status = InterruptWith(sig);
    ASSERT_TRUE(WIFEXITED(status)) << "killed by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 128 + sig);
    EXPECT_EQ(FolderFiles(dir_.File("res")), earlier);
  }
}

}  // namespace
}  // namespace quorvane
