// quorvane-map --sam, run as a user runs it: to a file, to standard output,
// into a pipe whose reader stops early.
#include <sys/stat.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "sam_reader.h"
#include "test_util.h"

namespace quorvane {
namespace {

using test::PathExists;
using test::ReadFile;
using test::WriteFile;

struct Outcome {
  int status;
  std::string out, err;
};

const char kMap[] = QUORVANE_BINARY_DIR "/quorvane-map";

class SamCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_.File("gen.txt"), "GATTACAGCCTAGGCATTCAGGTACCGATCGTTAGCAACT");
    WriteFile(dir_.File("reads.txt"), "CAGCCTAGGCAT\nACG\nACGATCGGTACC\nCAGCCTAGGCAA\nTTTTTTTTTTTT\n");
    mkdir(dir_.File("res").c_str(), 0755);
  }

  // Runs a bash command line from the test folder, the program as $Q.
  Outcome Shell(const std::string& line) {
    const std::string cmd = "cd " + dir_.path() + " && Q=" + kMap + " bash -c '" + line + "' >" +
                            dir_.File("stdout") + " 2>" + dir_.File("stderr");
    const int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFile(dir_.File("stdout")), ReadFile(dir_.File("stderr"))};
  }
  Outcome Map(const std::string& args) { return Shell("$Q " + args); }

  test::TempDir dir_;
};

TEST_F(SamCliTest, SamOnStandardOutputTheReportOnStandardError) {
  const Outcome o = Map("-g gen.txt -r reads.txt --sam - -m 1 -t 2");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out.substr(0, o.out.find("\tCL:")),
            "@HD\tVN:1.6\tSO:unsorted\tGO:query\n@SQ\tSN:gen\tLN:40\tTP:circular\n"
            "@PG\tID:quorvane-map\tPN:quorvane-map\tVN:" QUORVANE_VERSION);
  EXPECT_NE(o.out.find(std::string("\tCL:") + kMap + " -g gen.txt -r reads.txt --sam - -m 1 -t 2\n"),
            std::string::npos);
  EXPECT_NE(o.out.find("\n3\t16\tgen\t21\t40\t12M\t"), std::string::npos) << o.out;
  EXPECT_NE(o.out.find("\n2\t4\t*\t0\t0\t*\t*\t0\t0\tACG\t*\tYF:Z:LN\n"), std::string::npos);
  EXPECT_EQ(o.err.substr(0, 22), "program = quorvane-map");
  EXPECT_NE(o.err.find("\nseconds = "), std::string::npos);

  // Beside the five files, as BAM, without the unmapped reads.
  const Outcome both = Map("-g gen.txt -r reads.txt -o res --sam out.bam --no-unal -m 1 -q");
  ASSERT_EQ(both.status, 0) << both.err;
  EXPECT_EQ(both.out + both.err, "");
  EXPECT_TRUE(PathExists(dir_.File("res/reads_gen_m1MapRdsPos.txt")));
  const test::SamContent bam = test::ReadSam(dir_.File("out.bam"));
  ASSERT_EQ(bam.recs.size(), 3u);
  EXPECT_EQ(bam.recs[2].line, "4\t0\tgen\t6\t20\t12M\t*\t0\t0\tCAGCCTAGGCAA\t*\tNM:i:1\tMD:Z:11T0\tNH:i:1\tHI:i:1");
}

TEST_F(SamCliTest, UncompressedBamForAPipe) {
  std::mt19937 rng(32);
  const std::string genome = test::RandomLetters(rng, 20000);
  std::string reads;
  for (size_t i = 0; i < 5000; ++i) reads += genome.substr(i % 19900, 50) + "\n";
  WriteFile(dir_.File("gen.txt"), genome);
  WriteFile(dir_.File("reads.txt"), reads);
  Outcome o = Map("-g gen.txt -r reads.txt -m 1 -t 2 --sam out.bam -q");
  ASSERT_EQ(o.status, 0) << o.err;
  o = Shell("$Q -g gen.txt -r reads.txt -m 1 -t 2 --sam - -u >piped.bam");
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.err.substr(0, 22), "program = quorvane-map");
  o = Map("-g gen.txt -r reads.txt -m 1 -t 1 --sam stored.bam -u -q");
  ASSERT_EQ(o.status, 0) << o.err;
  const std::string lines = test::SamLines(test::ReadSam(dir_.File("out.bam")));
  EXPECT_EQ(test::SamLines(test::ReadSam(dir_.File("piped.bam"))), lines);
  EXPECT_EQ(test::SamLines(test::ReadSam(dir_.File("stored.bam"))), lines);
  EXPECT_GT(ReadFile(dir_.File("stored.bam")).size(), 2 * ReadFile(dir_.File("out.bam")).size());
  // -u makes BAM only.
  o = Map("-g gen.txt -r reads.txt --sam out.sam -u");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err, "-u writes BAM: give --sam - or a FILE ending in .bam\n");
  EXPECT_FALSE(PathExists(dir_.File("out.sam")));
  EXPECT_EQ(Map("-g gen.txt -r reads.txt -o res -u").status, 2);
}

TEST_F(SamCliTest, WhatTheSamOptionsRefuse) {
  Outcome o = Map("-g gen.txt -r reads.txt");
  EXPECT_EQ(o.status, 2);
  EXPECT_EQ(o.err, "give -o RESULTS_DIR, --sam FILE or both\n");
  EXPECT_EQ(Map("-g gen.txt -r reads.txt -o res --no-unal").status, 2);
  o = Map("-g gen.txt -r reads.txt --sam out.cram");
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("CRAM"), std::string::npos);
  o = Map("-g gen.txt -r reads.txt --sam ./reads.txt");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "the output file is the genome or the reads file\n./reads.txt\n");
  EXPECT_EQ(ReadFile(dir_.File("reads.txt")).substr(0, 12), "CAGCCTAGGCAT");
  o = Map("-g gen.txt -r reads.txt --sam nowhere/out.sam");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "can't open nowhere/out.sam\n");
  o = Map("-g gen.txt -r reads.txt --sam - > /dev/full");
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "can't write standard output\n");
}

TEST_F(SamCliTest, AReaderThatStopsEarlyEndsTheRunQuietly) {
  std::mt19937 rng(31);
  const std::string genome = test::RandomLetters(rng, 20000);
  std::string reads;
  for (size_t i = 0; i < 40000; ++i) reads += genome.substr(i % 19900, 50) + "\n";
  WriteFile(dir_.File("gen.txt"), genome);
  WriteFile(dir_.File("reads.txt"), reads);
  for (const std::string& more : {std::string(""), std::string(" -o res -t 2")}) {
    const Outcome o = Shell("$Q -g gen.txt -r reads.txt --sam - -m 2" + more +
                            " | head -n 3 >/dev/null; echo ${PIPESTATUS[0]}");
    EXPECT_EQ(o.out, "141\n") << more;  // ended by SIGPIPE, as a pipeline expects
    EXPECT_EQ(o.err, "") << more;
  }
  // The five files claim nothing: none is put in place.
  EXPECT_TRUE(test::FolderFiles(dir_.File("res")).empty());
  // The report alone into a closed pipe ends the same way.
  const Outcome report = Shell("$Q -g gen.txt -r reads.txt -o res -m 0 | (exec 0<&-; sleep 0); echo ${PIPESTATUS[0]}");
  EXPECT_TRUE(report.out == "141\n" || report.out == "0\n") << report.out;
  EXPECT_EQ(report.err, "");
}

TEST_F(SamCliTest, SamOnStandardOutputIsRefusedWhileAnotherRunWritesTheSameResults) {
  // The first run holds the lock of its results while it waits for its
  // genome from a FIFO; a second run of the same names (the same stems in
  // another folder) is refused before it writes a byte of SAM.
  ASSERT_EQ(mkfifo(dir_.File("gen.fifo").c_str(), 0600), 0);
  mkdir(dir_.File("sub").c_str(), 0755);
  WriteFile(dir_.File("sub/gen.txt"), ReadFile(dir_.File("gen.txt")));
  const Outcome o = Shell(
      "$Q -g gen.fifo -r reads.txt -o res --sam - -m 1 -q >first.sam 2>first.err & "
      "for i in $(seq 200); do [ -e res/.lock-reads_gen_m1 ] && break; sleep 0.05; done; "
      "$Q -g sub/gen.txt -r reads.txt -o res --sam - -m 1 -q >second.sam 2>second.err; echo second $?; "
      "cat gen.txt >gen.fifo; wait $!; echo first $?");
  EXPECT_EQ(o.out, "second 1\nfirst 0\n") << o.err;
  EXPECT_EQ(ReadFile(dir_.File("second.sam")), "");
  EXPECT_EQ(ReadFile(dir_.File("second.err")), "another run writes these results\nres/reads_gen_m1\n");
  EXPECT_EQ(ReadFile(dir_.File("first.err")), "");
  EXPECT_NE(ReadFile(dir_.File("first.sam")).find("\n3\t16\tgen\t21\t40\t12M\t"), std::string::npos);
  EXPECT_TRUE(PathExists(dir_.File("res/reads_gen_m1MapRdsPos.txt")));
  EXPECT_FALSE(PathExists(dir_.File("res/.lock-reads_gen_m1")));
}

}  // namespace
}  // namespace quorvane
