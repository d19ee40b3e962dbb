// A run over files in a temporary folder, with a view and a shell that
// record what the run does to them.
#ifndef QUORVANE_TESTS_RUN_FIXTURE_H_
#define QUORVANE_TESTS_RUN_FIXTURE_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run/result_files.h"
#include "run/run_driver.h"
#include "test_util.h"

namespace quorvane::test {

class RecordingView final : public RunView {
 public:
  bool setOpen = false;
  bool acceptOpen = false;
  std::vector<std::string> progress;
  std::vector<RunProgress> snapshots;
  std::string timeText = "<none>";
  std::string goCaption = "go";
  int cancels = 0;
  int setOpens = 0;

  bool SetStateOpen() const override { return setOpen; }
  bool AcceptStateOpen() const override { return acceptOpen; }
  void SetProgressText(const std::string& t, const RunProgress& p) override {
    progress.push_back(t);
    snapshots.push_back(p);
  }
  void SetTimeText(const std::string& t) override { timeText = t; }
  void SetGoCaption(const std::string& c) override { goCaption = c; }
  void BtnCancelClick() override { ++cancels; }
  void OpenSetState() override { ++setOpens; }
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
  // configuration up as an accepted input would.
  void Inputs(const std::string& genome, const std::string& reads, int misNu, bool showMis = false) {
    WriteFile(dir_.File("gen.txt"), genome);
    WriteFile(dir_.File("reads.txt"), reads);
    cfg_.PthGnm = dir_.File("gen.txt");
    cfg_.PthRds = dir_.File("reads.txt");
    cfg_.DiRes = dir_.path();
    cfg_.gnmLen = static_cast<int32_t>(genome.size());
    cfg_.misNu = misNu;
    cfg_.showRdsMis = showMis;
    cfg_.ProcNm = "quorvane";
  }

  RunResult Run() { return BtnGoPosClick(cfg_, view_, shell_); }

  // The path of a result file of the configured run.
  std::string Res(ResFile f) const { return ResultPaths(cfg_).path[f]; }
  std::string Content(ResFile f) const { return ReadFile(Res(f)); }

  TempDir dir_;
  RunConfig cfg_;
  RecordingView view_;
  RecordingShell shell_;
  MsgRecorder msgs_;
};

}  // namespace quorvane::test

#endif  // QUORVANE_TESTS_RUN_FIXTURE_H_
