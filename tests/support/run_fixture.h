// A run over files in a temporary folder, with an observer and a shell
// that record what the run tells and does.
#ifndef QUORVANE_TESTS_RUN_FIXTURE_H_
#define QUORVANE_TESTS_RUN_FIXTURE_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fault_env.h"
#include "writers/text_sink.h"
#include "run/map_run.h"
#include "test_util.h"

namespace quorvane::test {

class RecordingObserver final : public RunObserver {
 public:
  std::vector<std::string> msgs;
  std::vector<std::string> progress;
  std::vector<RunProgress> snapshots;
  std::string timeText = "<none>";
  std::vector<bool> endSteps;  // the done flag of every end-steps call
  int stopAfterProgress = -1;  // asks to stop once this many progress texts came

  void OnMessage(const Status& s) override { msgs.push_back(s.message()); }
  void OnProgress(const RunProgress& p) override {
    progress.push_back(p.text);
    snapshots.push_back(p);
  }
  void OnTime(const std::string& t) override { timeText = t; }
  void OnEndSteps(bool done) override { endSteps.push_back(done); }
  bool StopRequested() override {
    return stopAfterProgress >= 0 && static_cast<int>(progress.size()) >= stopAfterProgress;
  }
};

class RecordingShell final : public Shell {
 public:
  std::vector<std::string> calls;  // "open <path>" or "sheet <path>"
  void OpenDocument(const std::string& p) override { calls.push_back("open " + p); }
  void OpenInSpreadsheet(const std::string& p) override { calls.push_back("sheet " + p); }
};

class RunTest : public ::testing::Test {
 protected:
  // Writes the genome and the reads into the temporary folder and sets the
  // options up as an accepted input would.
  void Inputs(const std::string& genome, const std::string& reads, int misNu, bool showMis = false) {
    WriteFile(dir_.File("gen.txt"), genome);
    WriteFile(dir_.File("reads.txt"), reads);
    opt_.PthGnm = dir_.File("gen.txt");
    opt_.PthRds = dir_.File("reads.txt");
    opt_.DiRes = dir_.path();
    opt_.gnmLen = static_cast<int64_t>(genome.size());
    opt_.misNu = misNu;
    opt_.showRdsMis = showMis;
    opt_.ProcNm = "quorvane";
    opt_.shell = &shell_;
    opt_.env = &env_;
  }

  RunSummary Run() { return RunMapping(opt_, obs_); }

  // The path of a result file of the configured run.
  std::string Res(ResFile f) const { return ResultPaths(opt_.DiRes, opt_.PthRds, opt_.PthGnm, opt_.misNu).path[f]; }
  std::string Content(ResFile f) const { return ReadFile(Res(f)); }

  // Every file of the results folder but the two inputs, hidden ones
  // included: what an earlier run left there.
  std::map<std::string, std::string> Results() const {
    auto files = FolderFiles(dir_.path());
    files.erase("gen.txt");
    files.erase("reads.txt");
    return files;
  }

  TempDir dir_;
  MapOptions opt_;
  RecordingObserver obs_;
  RecordingShell shell_;
  FaultEnv env_;
};

}  // namespace quorvane::test

#endif  // QUORVANE_TESTS_RUN_FIXTURE_H_
