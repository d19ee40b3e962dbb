#include "run/run_driver.h"

#include <chrono>
#include <cstdio>
#include <memory>

#include "common/number_text.h"
#include "common/show_msg.h"
#include "run/finish_run.h"
#include "run/line_reader.h"
#include "run/read_pipeline.h"
#include "run/result_files.h"

namespace quorvane {
namespace {

// Closes a stream when the run leaves, however it leaves.
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

int64_t StreamSize(std::FILE* f) {
  if (std::fseek(f, 0, SEEK_END) != 0) return 0;
  const int64_t size = ftello(f);
  std::rewind(f);
  return size < 0 ? 0 : size;
}

// Shows the progress marks of a batch, writes its records and counts it.
bool WriteBatch(const ReadBatch& b, ResultFiles& files, RunCounters& c, RunView& view, int64_t bytesTotal,
                std::chrono::steady_clock::time_point start) {
  const auto now = std::chrono::steady_clock::now();
  for (size_t m = 0; m < b.marks.size(); ++m) {
    RunProgress p;
    p.linesRead = b.markLines[m];
    p.accepted = b.marks[m];
    p.bytesRead = b.bytesRead;
    p.bytesTotal = bytesTotal;
    p.seconds = std::chrono::duration<double>(now - start).count();
    view.SetProgressText(std::to_string(b.marks[m]), p);
  }
  c.linesRead += b.lines;
  c.shortBig += b.shortBig;
  c.accepted += static_cast<int64_t>(b.reads());
  c.found += b.found;
  c.notFound += static_cast<int64_t>(b.reads()) - b.found;
  c.hits += b.hitNu;
  c.upHits += b.upHitNu;
  c.lwHits += b.hitNu - b.upHitNu;
  files.Write(b.texts);
  return !files.failed();
}

}  // namespace

RunResult BtnGoPosClick(const RunConfig& cfg, RunView& view, Shell& shell) {
  RunResult result;
  if (view.SetStateOpen() || view.AcceptStateOpen()) {
    ShowMsg("red button");
    return result;
  }
  result.status = RunStatus::kFailed;

  FilePtr rds(std::fopen(cfg.PthRds.c_str(), "rb"));
  if (!rds) {
    ShowMsg("i can't open\n" + cfg.PthRds);
    return result;
  }
  const int64_t bytesTotal = StreamSize(rds.get());

  Engine engine(cfg.engine, cfg.threads);
  ResultFiles files(cfg);
  if (!files.OpenResFiles()) return result;

  const LoadOutcome load = engine.LoadGenome(cfg.PthGnm, cfg.gnmLen);
  if (load == LoadOutcome::kCantOpen) {
    engine.ReleaseEngine();
    files.CloseResFiles();
    return result;
  }

  RunCounters& c = result.counters;
  bool loopRan = false;
  bool ok = true;
  if (load == LoadOutcome::kOk && engine.BuildSeedIndex()) {
    loopRan = true;
    const auto start = std::chrono::steady_clock::now();
    LineReader reader(rds.get());
    ReadPipeline pipeline(engine, cfg.misNu, cfg.showRdsMis, cfg.threads);
    const ReadPipeline::End end = pipeline.Run(reader, [&](const ReadBatch& b) {
      return WriteBatch(b, files, c, view, bytesTotal, start);
    });
    if (end == ReadPipeline::End::kNoMem) {
      ShowMsg("no mem Chns, ArrMisMatches");
      ok = false;
    } else if (end == ReadPipeline::End::kReadError) {
      ShowMsg("can't read " + cfg.PthRds);
      ok = false;
    } else if (end == ReadPipeline::End::kStopped) {
      ok = false;  // a write failed; its message has been shown
    }
    const auto stop = std::chrono::steady_clock::now();
    const double seconds = std::chrono::duration<double>(stop - start).count();
    if (ok) {
      RunProgress p;
      p.linesRead = c.linesRead;
      p.accepted = c.accepted;
      p.bytesRead = reader.consumed();
      p.bytesTotal = bytesTotal;
      p.seconds = seconds;
      view.SetProgressText("inpRdsNu", p);
      c.readsIn = c.accepted - c.notFound;
      result.report = RunReport(c, cfg.ProcNm, cfg.misNu);
      files.WriteRunLog(result.report);
      result.seconds = SecondsText(seconds);
      view.SetTimeText(result.seconds);
    }
  }

  // End steps. A genome that failed to load or index leaves every counter
  // at 0 and ends like a run without found reads. A run whose results are
  // incomplete (a failed write, no memory) claims no "done" and keeps its
  // files as they are for the user to inspect.
  engine.ReleaseEngine();
  ok = files.CloseResFiles() && ok;
  rds.reset();
  view.BtnCancelClick();
  if (!ok) return result;
  view.SetGoCaption("done");
  if (!FinishRun(loopRan ? c.readsIn : 0, files.paths(), shell, view)) return result;
  if (loopRan) result.status = RunStatus::kDone;
  return result;
}

}  // namespace quorvane
