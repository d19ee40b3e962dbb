// Runs that fail, meet another run, or meet inputs that changed or that
// the result names reach never cost the user an earlier run's results or
// an input: whatever ends a run early, the results folder holds what it
// held before.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#include "run_fixture.h"

namespace quorvane {
namespace {

using test::RunTest;

const char kGenome[] = "GATTACAGCCTAGGCATTCAGGTACCGATCGTTAGCAACT";
const char kReads[] = "CAGCCTAGGCAT\nACG\nACGATCGGTACC\nCAGCCTAGGCAA\nTTTTTTTTTTTT\n";

class EarlierResultsTest : public RunTest {
 protected:
  // A good run whose files every later run of the same names must leave
  // as they are (or replace whole).
  void EarlierRun(const std::string& genome = kGenome, const std::string& reads = kReads) {
    Inputs(genome, reads, 1);
    ASSERT_EQ(Run().outcome, RunOutcome::kDone);
    before_ = Results();
    ASSERT_EQ(before_.size(), 4u);
    obs_ = test::RecordingObserver();
    shell_.calls.clear();
  }

  // The options of the good run with the genome (or the reads) read from
  // the FIFO at fifo, whose size no check measured.
  MapOptions FifoInput(bool genome, const std::string& fifo) const {
    MapOptions o = opt_;
    (genome ? o.PthGnm : o.PthRds) = fifo;
    o.gnmLen = -1;
    return o;
  }

  // The run failed with msg alone, and nothing in the folder changed.
  void ExpectRefused(const RunSummary& r, const std::string& msg) {
    EXPECT_EQ(r.outcome, RunOutcome::kFailed);
    EXPECT_EQ(obs_.msgs, std::vector<std::string>{msg});
    EXPECT_EQ(Results(), before_);
    EXPECT_TRUE(shell_.calls.empty());
    for (bool done : obs_.endSteps) EXPECT_FALSE(done);
    obs_ = test::RecordingObserver();
  }

  std::map<std::string, std::string> before_;
};

TEST_F(EarlierResultsTest, AFailedRunLeavesThemWhateverStepFailed) {
  EarlierRun();
  // A genome with a line break fails after the files were opened.
  test::WriteFile(opt_.PthGnm, std::string(kGenome) + "\n");
  ++opt_.gnmLen;
  ExpectRefused(Run(), "bad symbol='\n' in genome");
  opt_.gnmLen = 40;
  test::WriteFile(opt_.PthGnm, kGenome);

  // One result file that cannot be created.
  env_.FailOpen("MapRdsPos.txt");
  ExpectRefused(Run(), "can't open " + Res(kPos));
  env_ = test::FaultEnv();

  // A genome that cannot be opened.
  opt_.PthGnm = dir_.File("gone.txt");
  ExpectRefused(Run(), "can't open " + dir_.File("gone.txt"));
}

// Hears nothing; asks to stop once its time has come.
class LateStop final : public RunObserver {
 public:
  explicit LateStop(std::chrono::milliseconds after) : at_(std::chrono::steady_clock::now() + after) {}
  void OnMessage(const Status& s) override { msgs.push_back(s.message()); }
  void OnProgress(const RunProgress&) override {}
  void OnTime(const std::string&) override {}
  void OnEndSteps(bool) override {}
  bool StopRequested() override { return std::chrono::steady_clock::now() >= at_; }
  std::vector<std::string> msgs;

 private:
  std::chrono::steady_clock::time_point at_;
};

TEST_F(EarlierResultsTest, AFifoThatNoWriterOpensHoldsTheRunOnlyUntilItIsStopped) {
  EarlierRun();
  test::TempDir fifos;
  for (const bool genome : {true, false}) {
    SCOPED_TRACE(genome ? "genome" : "reads");
    const std::string fifo = fifos.File(genome ? "gen.txt" : "reads.txt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const MapOptions o = FifoInput(genome, fifo);
    LateStop stop(std::chrono::milliseconds(300));
    auto run = std::async(std::launch::async, [&] { return RunMapping(o, stop); });
    // Without the stop the run would wait for ever; a minute stands for it.
    ASSERT_EQ(run.wait_for(std::chrono::seconds(60)), std::future_status::ready);
    EXPECT_EQ(run.get().outcome, RunOutcome::kInterrupted);
    EXPECT_TRUE(stop.msgs.empty());
    EXPECT_EQ(Results(), before_);
  }
}

// Writes content into the FIFO at path once a reader has opened it, after
// a wait; gives up after half a minute without a reader.
void WriteLate(const std::string& path, const std::string& content) {
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  int fd = -1;
  for (int i = 0; i < 3000 && fd < 0; ++i) {
    fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (fd < 0) return;
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t w = ::write(fd, content.data() + done, content.size() - done);
    if (w <= 0) break;
    done += static_cast<size_t>(w);
  }
  ::close(fd);
}

TEST_F(EarlierResultsTest, AFifoWhoseWriterComesLateIsReadWhole) {
  EarlierRun();
  test::RecordingObserver plain;
  const int64_t found = RunMapping(opt_, plain).counters.readsIn();
  test::TempDir fifos, out;
  const std::string fifo = fifos.File("late.txt");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const bool genome : {true, false}) {
    SCOPED_TRACE(genome ? "genome" : "reads");
    std::thread writer([&] { WriteLate(fifo, genome ? kGenome : kReads); });
    MapOptions o = FifoInput(genome, fifo);
    o.DiRes = out.path();
    test::RecordingObserver obs;
    const RunSummary r = RunMapping(o, obs);
    writer.join();
    ASSERT_EQ(r.outcome, RunOutcome::kDone);
    EXPECT_EQ(r.counters.readsIn(), found);
    EXPECT_GT(found, 0);
  }
}

TEST_F(EarlierResultsTest, AGenomeThatChangedSinceItWasAcceptedIsRefused) {
  EarlierRun();
  const std::string accepted = test::ReadFile(opt_.PthGnm);
  // Grown: mapping the old prefix would give results of no genome at all.
  test::WriteFile(opt_.PthGnm, accepted + "ACGT");
  ExpectRefused(Run(), "genome file is longer than gnmLen= 40\n" + opt_.PthGnm);
  test::WriteFile(opt_.PthGnm, accepted.substr(0, 30));
  ExpectRefused(Run(), "genome file is shorter than gnmLen= 40\n" + opt_.PthGnm);
}

TEST_F(EarlierResultsTest, AResultNameThatIsAnInputIsRefusedBeforeAnythingIsWritten) {
  EarlierRun();
  // A hard link from a result name to the reads file.
  ASSERT_EQ(std::remove(Res(kRdsIn).c_str()), 0);
  ASSERT_EQ(link(opt_.PthRds.c_str(), Res(kRdsIn).c_str()), 0);
  before_ = Results();
  ExpectRefused(Run(), "result file is an input file\n" + Res(kRdsIn));
  EXPECT_EQ(test::ReadFile(opt_.PthRds), kReads);

  // A symbolic link from a result name to the genome.
  ASSERT_EQ(std::remove(Res(kRdsIn).c_str()), 0);
  ASSERT_EQ(std::remove(Res(kPos).c_str()), 0);
  ASSERT_EQ(symlink(opt_.PthGnm.c_str(), Res(kPos).c_str()), 0);
  before_ = Results();
  ExpectRefused(Run(), "result file is an input file\n" + Res(kPos));
  EXPECT_EQ(test::ReadFile(opt_.PthGnm), kGenome);

  // The SAM file named as the reads, through a link.
  ASSERT_EQ(std::remove(Res(kPos).c_str()), 0);
  ASSERT_EQ(symlink(opt_.PthRds.c_str(), dir_.File("hits.sam").c_str()), 0);
  before_ = Results();
  opt_.samPath = dir_.File("hits.sam");
  ExpectRefused(Run(), "result file is an input file\n" + opt_.samPath);
  EXPECT_EQ(test::ReadFile(opt_.PthRds), kReads);
}

TEST_F(EarlierResultsTest, WhatARunThatDiedLeftIsClearedByTheNextRun) {
  EarlierRun();
  // A run killed at once leaves its lock's file and what it had written.
  test::WriteFile(dir_.File(".lock-reads_gen_m1"), "");
  test::WriteFile(dir_.File(".part-reads_gen_m1RdsInPos.txt"), "half");
  test::WriteFile(dir_.File(".old-reads_gen_m1MapRdsPos.txt"), "former");
  EXPECT_EQ(Run().outcome, RunOutcome::kDone);
  EXPECT_TRUE(obs_.msgs.empty());
  EXPECT_EQ(Results(), before_);
}

// Stops the run at its first progress text until the test lets it go on.
class GatedObserver final : public RunObserver {
 public:
  void OnMessage(const Status& s) override { msgs.push_back(s.message()); }
  void OnProgress(const RunProgress&) override {
    if (held_) return;
    held_ = true;
    reached.set_value();
    goOn.get_future().wait();
  }
  void OnTime(const std::string&) override {}
  void OnEndSteps(bool) override {}

  std::vector<std::string> msgs;
  std::promise<void> reached, goOn;

 private:
  bool held_ = false;
};

TEST_F(EarlierResultsTest, ASecondRunOnTheSameNamesIsRefusedWhileTheFirstRuns) {
  std::mt19937 rng(5);
  const std::string genome = test::RandomLetters(rng, 5000);
  std::string reads;
  for (int i = 0; i < 3000; ++i) reads += genome.substr(static_cast<size_t>(i), 20) + "\n";
  EarlierRun(genome, reads);

  GatedObserver first;
  RunSummary firstRun;
  std::thread t([&] { firstRun = RunMapping(opt_, first); });
  first.reached.get_future().wait();
  const RunSummary second = Run();
  first.goOn.set_value();
  t.join();

  EXPECT_EQ(second.outcome, RunOutcome::kFailed);
  EXPECT_EQ(second.status.code(), Status::Code::kBusy);
  EXPECT_EQ(obs_.msgs, std::vector<std::string>{"another run writes these results\n" + dir_.File("reads_gen_m1")});
  EXPECT_EQ(firstRun.outcome, RunOutcome::kDone);
  EXPECT_TRUE(first.msgs.empty());
  // The first run's files are those of a run alone: the table once.
  EXPECT_EQ(Results(), before_);

  // Once the first run has ended, the names are free again.
  obs_ = test::RecordingObserver();
  EXPECT_EQ(Run().outcome, RunOutcome::kDone);
  EXPECT_EQ(Results(), before_);
}

}  // namespace
}  // namespace quorvane
