// Runs whose files fail them: every failure gives its message, ends the run
// as failed, never claims "done" over results that are incomplete, and
// leaves the results of an earlier run of the same names as they were.
#include <gtest/gtest.h>

#include "run_fixture.h"

namespace quorvane {
namespace {

using test::RunTest;

class RunFaultTest : public RunTest, public ::testing::WithParamInterface<int> {
 protected:
  // An earlier run of the same names over the first reads, then inputs
  // with enough reads, with hits and without, that every file gets
  // records beyond any buffer.
  void SetUp() override {
    std::mt19937 rng(21);
    const std::string genome = test::RandomLetters(rng, 30000);
    std::string reads;
    for (int i = 0; i < 40000; ++i) {
      reads += (i % 3 == 0 ? test::RandomLetters(rng, 30) : genome.substr(static_cast<size_t>(i % 29000), 30)) + "\n";
    }
    Inputs(genome, reads.substr(0, 31 * 500), 1);
    opt_.threads = GetParam();
    ASSERT_EQ(Run().outcome, RunOutcome::kDone);
    earlier_ = Results();
    ASSERT_EQ(earlier_.size(), 4u);
    Inputs(genome, reads, 1);
    Fresh();
  }
  // Observer, shell and file system as new, for one more run.
  void Fresh() {
    obs_ = test::RecordingObserver();
    shell_.calls.clear();
    env_ = test::FaultEnv();
  }
  // The run failed with msg, before its end steps or at them, and left
  // the earlier results.
  void ExpectFailed(const RunSummary& r, const std::string& msg) {
    EXPECT_EQ(r.outcome, RunOutcome::kFailed);
    ASSERT_FALSE(obs_.msgs.empty());
    EXPECT_EQ(obs_.msgs.front(), msg);
    EXPECT_EQ(r.status.message(), msg);
    for (bool done : obs_.endSteps) EXPECT_FALSE(done);
    EXPECT_TRUE(shell_.calls.empty());
    EXPECT_EQ(Results(), earlier_);
  }

  std::map<std::string, std::string> earlier_;
};

TEST_P(RunFaultTest, AResultFileThatCannotBeCreated) {
  for (int f = 0; f < kResFiles; ++f) {
    Fresh();
    env_.FailOpen(kResFileNames[f]);
    ExpectFailed(Run(), "can't open " + Res(static_cast<ResFile>(f)));
    EXPECT_TRUE(obs_.endSteps.empty());
  }
}

TEST_P(RunFaultTest, ADiskThatFillsUpAtAnyFile) {
  for (int f = 0; f < kResFiles; ++f) {
    Fresh();
    env_.FailWriteAfter(kResFileNames[f], 100);
    const RunSummary r = Run();
    ExpectFailed(r, "can't write " + Res(static_cast<ResFile>(f)));
    EXPECT_EQ(obs_.msgs.size(), 1u) << "one message per failure";
    EXPECT_EQ(obs_.endSteps, std::vector<bool>{false});
    EXPECT_TRUE(r.report.empty() || f == kLog);
  }
}

TEST_P(RunFaultTest, AFailedClose) {
  for (int f = 0; f < kResFiles; ++f) {
    Fresh();
    env_.FailClose(kResFileNames[f]);
    ExpectFailed(Run(), "can't write " + Res(static_cast<ResFile>(f)));
    EXPECT_EQ(obs_.endSteps, std::vector<bool>{false});
  }
}

TEST_P(RunFaultTest, AResultThatCannotBeMovedIntoPlace) {
  // The files before it were in place already: they go back.
  for (int f = 0; f < kResFiles; ++f) {
    Fresh();
    env_.FailRename(kResFileNames[f]);
    ExpectFailed(Run(), "can't write " + Res(static_cast<ResFile>(f)));
    EXPECT_EQ(obs_.endSteps, std::vector<bool>{false});
  }
}

TEST_P(RunFaultTest, AReadsFileThatFailsToRead) {
  env_.FailReadAfter("reads.txt", 300000);
  const RunSummary r = Run();
  ExpectFailed(r, "can't read " + opt_.PthRds);
  EXPECT_EQ(obs_.endSteps, std::vector<bool>{false});
  EXPECT_GT(r.counters.linesRead, 0);
  EXPECT_LT(r.counters.linesRead, 40000);
  EXPECT_TRUE(r.report.empty());
  EXPECT_EQ(obs_.timeText, "<none>");
}

TEST_P(RunFaultTest, MemoryThatRunsOutInTheReadLoop) {
  env_.ThrowOnWriteAfter("MapRdsPos.txt", 200000);
  ExpectFailed(Run(), "no mem Chns, ArrMisMatches");
  EXPECT_EQ(obs_.endSteps, std::vector<bool>{false});
}

TEST_P(RunFaultTest, ATableThatCannotBeMovedIntoTheLog) {
  // The run itself is complete and in place; only its last action fails.
  env_.FailReadAfter("MapTempLog.txt", 1000);
  const RunSummary r = Run();
  EXPECT_EQ(r.outcome, RunOutcome::kFailed);
  EXPECT_EQ(obs_.msgs, std::vector<std::string>{"can't read " + Res(kTempLog)});
  EXPECT_EQ(obs_.endSteps, std::vector<bool>{true});
  EXPECT_TRUE(test::PathExists(Res(kTempLog)));
  EXPECT_NE(Results(), earlier_);
  EXPECT_TRUE(shell_.calls.empty());
}

TEST_P(RunFaultTest, AStopAskedForEndsTheRunAtTheNextBatch) {
  obs_.stopAfterProgress = 1;
  const RunSummary r = Run();
  EXPECT_EQ(r.outcome, RunOutcome::kInterrupted);
  EXPECT_EQ(r.status.code(), Status::Code::kInterrupted);
  EXPECT_TRUE(obs_.msgs.empty());
  EXPECT_EQ(obs_.endSteps, std::vector<bool>{false});
  EXPECT_LT(r.counters.linesRead, 40000);
  EXPECT_TRUE(shell_.calls.empty());
  EXPECT_EQ(Results(), earlier_);
}

INSTANTIATE_TEST_SUITE_P(Threads, RunFaultTest, ::testing::Values(1, 2),
                         [](const auto& info) { return std::to_string(info.param) + "Threads"; });

}  // namespace
}  // namespace quorvane
