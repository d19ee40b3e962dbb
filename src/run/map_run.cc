#include "run/map_run.h"

#include <chrono>
#include <memory>
#include <new>
#include <vector>

#include "common/number_text.h"
#include "io/genome_file.h"
#include "io/line_source.h"
#include "io/result_stage.h"
#include "io/text_sink.h"
#include "run/finish_run.h"
#include "run/pipeline.h"

namespace quorvane {
namespace {

// The run's own record of what it has told the observer.
class Steps {
 public:
  Steps(RunObserver& obs, RunSummary& sum) : obs_(obs), sum_(sum) {}

  // Gives the message of a failure; the first one is the run's status.
  void Fail(const Status& st) {
    if (st.code() != Status::Code::kInterrupted) obs_.OnMessage(st);
    if (sum_.status.ok()) sum_.status = st;
    sum_.outcome = st.code() == Status::Code::kInterrupted ? RunOutcome::kInterrupted : RunOutcome::kFailed;
  }

 private:
  RunObserver& obs_;
  RunSummary& sum_;
};

// Runs a step that may allocate; memory that runs out fails the step.
template <typename F>
Status Guarded(F&& step) {
  try {
    return step();
  } catch (const std::bad_alloc&) {
    return Status::NoMemory("no mem Chns, ArrMisMatches");
  }
}

}  // namespace

RunSummary RunMapping(const MapOptions& o, RunObserver& obs) {
  Env& env = o.env != nullptr ? *o.env : *Env::Default();
  NullShell noShell;
  Shell& shell = o.shell != nullptr ? *o.shell : noShell;
  RunSummary sum;
  Steps steps(obs, sum);

  std::unique_ptr<SequentialFile> readsFile;
  if (!env.NewSequentialFile(o.PthRds, readsFile).ok()) {
    steps.Fail(Status::CantOpen("i can't open\n" + o.PthRds));
    return sum;
  }
  int64_t bytesTotal = -1;
  if (!env.GetFileSize(o.PthRds, bytesTotal).ok()) bytesTotal = -1;
  LineSource source(std::move(readsFile), o.PthRds);

  Engine engine(o.engine, o.threads);
  const ResultPaths paths(o.DiRes, o.PthRds, o.PthGnm, o.misNu);
  ResultStage stage(env, paths.stem);
  stage.Protect(o.PthRds);
  stage.Protect(o.PthGnm);
  TextSink text(stage, paths, o.misNu, o.showRdsMis, engine.store());
  const std::vector<ResultSink*> sinks{&text};
  Status st = Guarded([&] { return text.Open(); });
  if (!st.ok()) {
    steps.Fail(st);
    Guarded([&] { return text.Finish(""); });
    return sum;
  }

  Reference ref;
  st = Guarded([&] { return ReadPlainGenome(env, o.PthGnm, o.gnmLen, ref); });
  if (st.code() == Status::Code::kCantOpen) {
    steps.Fail(st);
    Guarded([&] { return text.Finish(""); });
    return sum;
  }
  if (st.ok()) st = engine.LoadGenome(std::move(ref));
  if (st.ok()) st = engine.BuildSeedIndex();

  // A genome that cannot be loaded or indexed fails the run, every
  // counter 0 and no report.
  const bool loopRuns = st.ok();
  bool ok = loopRuns;
  if (!loopRuns) {
    steps.Fail(st);
  } else {
    const auto start = std::chrono::steady_clock::now();
    Pipeline pipeline(engine, o.misNu, o.threads);
    st = Guarded([&] { return pipeline.Run(source, sinks, obs, bytesTotal, sum.counters); });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!st.ok()) {
      steps.Fail(st);
      ok = false;
    } else {
      const RunCounters& c = sum.counters;
      RunProgress p;
      p.text = "inpRdsNu";
      p.readsRead = c.linesRead;
      p.accepted = c.accepted;
      p.bytesRead = source.bytesRead();
      p.bytesTotal = bytesTotal;
      p.seconds = seconds;
      obs.OnProgress(p);
      sum.report = RunReport(c, o.ProcNm, o.misNu);
      sum.seconds = SecondsText(seconds);
      obs.OnTime(sum.seconds);
    }
  }

  // End steps. Only complete results are put in place; a run that failed
  // or was stopped claims no "done", finishes nothing and leaves the
  // results folder as it found it.
  engine.ReleaseEngine();
  st = Guarded([&] { return text.Finish(ok ? sum.report : std::string()); });
  if (st.ok() && ok) st = stage.Commit();
  if (!st.ok()) {
    steps.Fail(st);
    ok = false;
  }
  obs.OnEndSteps(ok);
  if (!ok) return sum;
  st = Guarded([&] { return FinishRun(sum.counters.readsIn(), text.paths(), env, shell); });
  if (!st.ok()) {
    steps.Fail(st);
    return sum;
  }
  sum.outcome = RunOutcome::kDone;
  return sum;
}

}  // namespace quorvane
