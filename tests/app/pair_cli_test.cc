// quorvane-map with read pairs (-1, -2), run as a user runs it; and the
// word a run gives when no application opens its results.
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "pair_fixture.h"
#include "test_util.h"

namespace quorvane {
namespace {

using test::ReadFile;
using test::WriteFile;

struct Outcome {
  int status;
  std::string out, err;
};

class PairCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::mt19937 rng(8);
    genome_ = test::RepeatGenome(rng, 2, 1500);
    for (int i = 0; i < 30; ++i) pairs_.push_back(test::DrawPair(rng, genome_, Orientation::kFr, 50, 50, 300, 1));
    WriteFile(dir_.File("gen.fa"), test::GenomeFasta(genome_));
    WriteFile(dir_.File("m_1.fq"), test::MatesFastq(pairs_, 0));
    WriteFile(dir_.File("m_2.fq"), test::MatesFastq(pairs_, 1));
    mkdir(dir_.File("res").c_str(), 0755);
    mkdir(dir_.File("bin").c_str(), 0755);
  }

  // Runs the command with args (a shell word list) from the test folder,
  // with env (assignments) before it.
  Outcome Map(const std::string& args, const std::string& env = "") {
    const std::string cmd = "cd " + dir_.path() + " && " + env + " " QUORVANE_BINARY_DIR "/quorvane-map " + args +
                            " >" + dir_.File("stdout") + " 2>" + dir_.File("stderr");
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir_.File("stdout")), ReadFile(dir_.File("stderr"))};
  }

  std::string Res(const std::string& name) const { return dir_.File("res/m_1_gen_m1" + name); }

  // An xdg-open on a PATH of its own that exits with status.
  std::string FakeOpener(int status) {
    WriteFile(dir_.File("bin/xdg-open"), "#!/bin/sh\nexit " + std::to_string(status) + "\n");
    chmod(dir_.File("bin/xdg-open").c_str(), 0755);
    return "PATH=" + dir_.File("bin") + ":/usr/bin:/bin";
  }

  test::TempDir dir_;
  std::vector<test::Seq> genome_;
  std::vector<test::DrawnPair> pairs_;
};

TEST_F(PairCliTest, MapsPairsIntoTheirFilesAndPrintsTheReport) {
  const Outcome o = Map("-g gen.fa -1 m_1.fq -2 m_2.fq -o res -m 1 -t 2");
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err, "");
  EXPECT_EQ(o.out.rfind("program = quorvane-map\nmis = 1\nfragment = fr 0..500\ninput pairs= 30\n", 0), 0u);
  PairRule rule;
  const test::PairFiles want = test::ExpectedPairFiles(genome_, pairs_, 1, rule);
  EXPECT_EQ(ReadFile(Res("MapPairsPos.txt")), want.pos);
  EXPECT_EQ(ReadFile(Res("PairsInPos.txt")), want.in);
  EXPECT_NE(o.out.find("\npairs in= " + std::to_string(want.found) + "\n"), std::string::npos);

  // Mates 2 from standard input, other limits and the other orientations.
  const Outcome rf = Map("-g gen.fa -1 m_1.fq -2 - -o res -m 1 -I 250 -X 320 --rf -q < m_2.fq");
  EXPECT_EQ(rf.status, 0) << rf.err;
  rule.orientation = Orientation::kRf;
  rule.minFrag = 250;
  rule.maxFrag = 320;
  EXPECT_EQ(ReadFile(Res("MapPairsPos.txt")), test::ExpectedPairFiles(genome_, pairs_, 1, rule).pos);
  EXPECT_EQ(Map("-g gen.fa -1 m_1.fq -2 m_2.fq -o res -m 1 --ff -q").status, 0);
  rule = PairRule{};
  rule.orientation = Orientation::kFf;
  EXPECT_EQ(ReadFile(Res("MapPairsPos.txt")), test::ExpectedPairFiles(genome_, pairs_, 1, rule).pos);
}

TEST_F(PairCliTest, UsageErrorsAndMissingMatesAreRefusedBeforeAnything) {
  struct Case {
    const char* args;
    int status;
    const char* err;  // the start of the message
  };
  const Case cases[] = {
      {"-g gen.fa -o res", 2, "give the reads: -r READS, or -1 R1 -2 R2\n"},
      {"-g gen.fa -r m_1.fq -1 m_1.fq -2 m_2.fq -o res", 2, "--reads excludes --mates1\n"},
      {"-g gen.fa -1 m_1.fq -o res", 2, "--mates1 requires --mates2\n"},
      {"-g gen.fa -1 m_1.fq -2 m_2.fq -o res --fr --rf", 2, "--fr excludes --rf\n"},
      {"-g gen.fa -1 m_1.fq -2 m_2.fq -o res -I 400 -X 300", 2, "fragment MIN is above MAX\n"},
      {"-g gen.fa -1 m_1.fq -2 m_2.fq -o res -X 3e2", 2, "fragment MAX is not a number\n"},
      {"-g gen.fa -r m_1.fq -o res -I 100", 2, "--minins requires --mates1\n"},
      {"-g gen.fa -1 m_1.fq -2 m_2.fq -o res --show-mismatches", 2, "--mates1 excludes --show-mismatches\n"},
      {"-g gen.fa -1 m_1.fq -2 m_1.fq -o res", 2, "-1 and -2 name one file\n"},
      {"-g gen.fa -1 m_1.fq -2 nowhere.fq -o res", 1, " file of Mates 2 does not exist\n"},
      {"-g gen.fa -1 m_1.fq -2 m_2.fq --sam m_2.fq", 1, "the output file is the genome or the reads file\nm_2.fq\n"},
  };
  for (const Case& c : cases) {
    const Outcome o = Map(c.args);
    EXPECT_EQ(o.status, c.status) << c.args;
    EXPECT_EQ(o.err.substr(0, std::string(c.err).size()), c.err) << c.args;
    EXPECT_TRUE(test::FolderFiles(dir_.File("res")).empty()) << c.args;
  }
  EXPECT_EQ(ReadFile(dir_.File("m_2.fq")), test::MatesFastq(pairs_, 1));
}

TEST_F(PairCliTest, ResultsNoApplicationOpensAreNamedOnceAndTheRunStillSucceeds) {
  const Outcome failing = Map("-g gen.fa -1 m_1.fq -2 m_2.fq -o res -m 1 --open -q", FakeOpener(3));
  EXPECT_EQ(failing.status, 0);
  EXPECT_EQ(failing.err, "no application opened the result files:\nres/m_1_gen_m1MapPairs_Log.txt\n"
                         "res/m_1_gen_m1MapPairsPos.txt\n");
  const Outcome reads = Map("-g gen.fa -r m_1.fq -o res -m 1 --open -q", FakeOpener(4));
  EXPECT_EQ(reads.status, 0);
  EXPECT_EQ(reads.err, "no application opened the result files:\nres/m_1_gen_m1MapRds_Log.txt\n"
                       "res/m_1_gen_m1MapRdsPos.txt\n");
  const Outcome opened = Map("-g gen.fa -1 m_1.fq -2 m_2.fq -o res -m 1 --open -q", FakeOpener(0));
  EXPECT_EQ(opened.status, 0);
  EXPECT_EQ(opened.err, "");
  // Without --open nothing is opened, so nothing is said.
  EXPECT_EQ(Map("-g gen.fa -1 m_1.fq -2 m_2.fq -o res -m 1 -q", FakeOpener(3)).err, "");
}

}  // namespace
}  // namespace quorvane
