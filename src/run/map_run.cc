#include "run/map_run.h"

#include <chrono>
#include <memory>
#include <new>
#include <vector>

#include "common/number_text.h"
#include "io/genome_file.h"
#include "io/input_file.h"
#include "io/result_stage.h"
#include "io/text_sink.h"
#include "run/finish_run.h"
#include "run/pipeline.h"

namespace quorvane {
namespace {

// Runs a step that may allocate; memory that runs out fails the step.
template <typename F>
Status Guarded(F&& step) {
  try {
    return step();
  } catch (const std::bad_alloc&) {
    return Status::NoMemory("no mem Chns, ArrMisMatches");
  }
}

// One run, step by step; every step that fails has given its message.
class MapRun {
 public:
  MapRun(const MapOptions& o, RunObserver& obs)
      : o_(o),
        obs_(obs),
        env_(o.env != nullptr ? *o.env : *Env::Default()),
        shell_(o.shell != nullptr ? *o.shell : noShell_),
        engine_(o.engine, o.threads),
        paths_(o.DiRes, o.PthRds, o.PthGnm, o.misNu),
        stage_(env_, paths_.stem),
        text_(stage_, paths_, o.misNu, o.showRdsMis, engine_.store()),
        sinks_{&text_} {
    stage_.Protect(o.PthRds);
    stage_.Protect(o.PthGnm);
  }

  RunSummary Run() {
    if (!OpenFiles()) return sum_;
    const Status genome = LoadGenome();
    if (genome.code() == Status::Code::kCantOpen) {
      Guarded([&] { return text_.Finish(""); });
      return sum_;
    }
    // A genome that cannot be loaded or indexed fails the run, every
    // counter 0 and no report.
    const bool ok = genome.ok() && ReadLoop();
    EndSteps(ok);
    return sum_;
  }

 private:
  // Gives the message of a failure; the first one is the run's status.
  void Fail(const Status& st) {
    if (st.code() != Status::Code::kInterrupted) obs_.OnMessage(st);
    if (sum_.status.ok()) sum_.status = st;
    sum_.outcome = st.code() == Status::Code::kInterrupted ? RunOutcome::kInterrupted : RunOutcome::kFailed;
  }

  // The reads file, then the result files.
  bool OpenFiles() {
    Status st = OpenReadSource(env_, o_.PthRds, source_);
    if (!st.ok()) {
      Fail(st);
      return false;
    }
    if (!env_.GetFileSize(o_.PthRds, bytesTotal_).ok()) bytesTotal_ = -1;
    st = Guarded([&] { return text_.Open(); });
    if (!st.ok()) {
      Fail(st);
      Guarded([&] { return text_.Finish(""); });
      return false;
    }
    return true;
  }

  // The genome, its index, and the sinks' heads that depend on it.
  Status LoadGenome() {
    Reference ref;
    Status st = Guarded([&] { return ReadGenome(env_, o_.PthGnm, GenomeOptions{o_.gnmLen, o_.linear}, ref); });
    if (st.ok()) st = engine_.LoadGenome(std::move(ref));
    if (st.ok()) st = engine_.BuildSeedIndex();
    for (ResultSink* sink : sinks_) {
      if (st.ok()) st = Guarded([&] { return sink->Begin(engine_.reference()); });
    }
    if (!st.ok()) Fail(st);
    return st;
  }

  // Every read, then the report and the time.
  bool ReadLoop() {
    const auto start = std::chrono::steady_clock::now();
    Pipeline pipeline(engine_, o_.misNu, o_.threads);
    const Status st = Guarded([&] { return pipeline.Run(*source_, sinks_, obs_, bytesTotal_, sum_.counters); });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!st.ok()) {
      Fail(st);
      return false;
    }
    const RunCounters& c = sum_.counters;
    RunProgress p;
    p.text = "inpRdsNu";
    p.readsRead = c.linesRead;
    p.accepted = c.accepted;
    p.bytesRead = source_->bytesRead();
    p.bytesTotal = bytesTotal_;
    p.seconds = seconds;
    obs_.OnProgress(p);
    sum_.report = RunReport(c, o_.ProcNm, o_.misNu);
    sum_.seconds = SecondsText(seconds);
    obs_.OnTime(sum_.seconds);
    return true;
  }

  // Releases the engine, closes the files and, when they are complete,
  // puts them in place and finishes them. A run that failed or was stopped
  // claims no "done", finishes nothing and leaves the results folder as it
  // found it.
  void EndSteps(bool ok) {
    engine_.ReleaseEngine();
    Status st = Guarded([&] { return text_.Finish(ok ? sum_.report : std::string()); });
    if (st.ok() && ok) st = stage_.Commit();
    if (!st.ok()) {
      Fail(st);
      ok = false;
    }
    obs_.OnEndSteps(ok);
    if (!ok) return;
    st = Guarded([&] { return FinishRun(sum_.counters.readsIn(), text_.paths(), env_, shell_); });
    if (!st.ok()) {
      Fail(st);
      return;
    }
    sum_.outcome = RunOutcome::kDone;
  }

  const MapOptions& o_;
  RunObserver& obs_;
  Env& env_;
  NullShell noShell_;
  Shell& shell_;
  RunSummary sum_;
  std::unique_ptr<ReadSource> source_;
  int64_t bytesTotal_ = -1;  // size of the reads file, -1 for a stream
  Engine engine_;
  ResultPaths paths_;
  ResultStage stage_;  // before the sinks, which write through it
  TextSink text_;
  std::vector<ResultSink*> sinks_;
};

}  // namespace

RunSummary RunMapping(const MapOptions& options, RunObserver& obs) { return MapRun(options, obs).Run(); }

}  // namespace quorvane
