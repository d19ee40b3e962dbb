#include "run/map_run.h"

#include <chrono>
#include <memory>
#include <new>
#include <optional>
#include <vector>

#include "common/number_text.h"
#include "readers/genome_file.h"
#include "readers/input_file.h"
#include "writers/result_stage.h"
#include "saved_index/index_reader.h"
#include "writers/sam_sink.h"
#include "writers/text_sink.h"
#include "readers/mates_source.h"
#include "run/finish_run.h"
#include "run/pair_pipeline.h"
#include "run/pipeline.h"
#include "writers/pair_text_sink.h"

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
        pairs_(!o.PthRds2.empty()) {
    // The result files' sink comes first: it takes the lock of the
    // results' names when it opens, before the SAM sink writes a byte
    // anywhere, so that SAM on standard output is refused along with the
    // result files while another run writes them.
    if (!o.DiRes.empty() && pairs_) {
      const PairResultPaths paths(o.DiRes, o.PthRds, o.PthGnm, o.misNu);
      stage_.emplace(env_, paths.stem);
      pairText_.emplace(*stage_, paths);
      pairSinks_.push_back(&*pairText_);
      outputs_.push_back(&*pairText_);
    } else if (!o.DiRes.empty()) {
      const ResultPaths paths(o.DiRes, o.PthRds, o.PthGnm, o.misNu);
      stage_.emplace(env_, paths.stem);
      text_.emplace(*stage_, paths, o.misNu, o.showRdsMis, engine_.store());
      sinks_.push_back(&*text_);
      outputs_.push_back(&*text_);
    }
    if (stage_) {
      stage_->Protect(o.PthRds);
      if (pairs_) stage_->Protect(o.PthRds2);
      stage_->Protect(o.PthGnm);
    }
    if (!o.samPath.empty()) {
      SamSettings s;
      s.path = o.samPath;
      s.unaligned = o.samUnaligned;
      s.uncompressed = o.samUncompressed;
      s.misNu = o.misNu;
      s.program = SamProgram{o.ProcNm, QUORVANE_VERSION, o.commandLine};
      sam_.emplace(env_, std::move(s));
      if (pairs_) {
        pairSinks_.push_back(&*sam_);
      } else {
        sinks_.push_back(&*sam_);
      }
      outputs_.push_back(&*sam_);
    }
  }

  RunSummary Run() {
    if (!OpenFiles()) return sum_;
    const Status genome = LoadGenome();
    if (genome.code() == Status::Code::kCantOpen) {
      FinishSinks("");
      return sum_;
    }
    // A genome that cannot be loaded or indexed fails the run, every
    // counter 0 and no report. A sink that cannot write its head fails the
    // run as any failed write.
    const bool ok = genome.ok() && BeginSinks() && ReadLoop();
    EndSteps(ok);
    return sum_;
  }

 private:
  void Fail(const Status& st) { FailRun(st, obs_, sum_); }

  // Closes every sink, each checking its files; the first failure counts.
  Status FinishSinks(const std::string& report) {
    Status first;
    for (OutputSink* sink : outputs_) {
      const Status st = Guarded([&] { return sink->Finish(report); });
      if (first.ok()) first = st;
    }
    return first;
  }

  // What ends an input's wait for its writer: a stop asked for.
  WaitAbort StopAsked() {
    return [this] { return obs_.StopRequested(); };
  }

  // The reads file (both mates' files of a pair run), then the result
  // files.
  bool OpenFiles() {
    Status st = pairs_ ? OpenMatesSource(env_, o_.PthRds, o_.PthRds2, source_, StopAsked())
                       : OpenReadSource(env_, o_.PthRds, source_, StopAsked());
    if (!st.ok()) {
      Fail(st);
      return false;
    }
    if (!env_.GetFileSize(o_.PthRds, bytesTotal_).ok()) bytesTotal_ = -1;
    // The SAM file replaces its name as the result files do: never an
    // input.
    if (!o_.samPath.empty() && o_.samPath != kStdoutPath &&
        (env_.SameFile(o_.samPath, o_.PthRds) || env_.SameFile(o_.samPath, o_.PthGnm) ||
         (pairs_ && env_.SameFile(o_.samPath, o_.PthRds2)))) {
      Fail(Status::BadInput("result file is an input file\n" + o_.samPath));
      return false;
    }
    for (OutputSink* sink : outputs_) {
      st = Guarded([&] { return sink->Open(); });
      if (!st.ok()) {
        Fail(st);
        FinishSinks("");
        return false;
      }
    }
    return true;
  }

  // The genome and its index: built here, or mapped from a saved index.
  Status LoadGenome() {
    if (IsSavedIndexFile(env_, o_.PthGnm)) {
      IndexOpenOptions io;
      io.threads = o_.threads;
      io.verify = o_.indexVerify;
      Status st = OpenSavedIndexForRun(o_.PthGnm, o_.linear, io, saved_);
      if (st.ok()) st = engine_.AdoptIndex(saved_->MakeReference(), saved_->Uncoded(), saved_->tables());
      if (st.ok()) st = engine_.BuildSeedIndex();
      if (!st.ok()) Fail(st);
      return st;
    }
    Reference ref;
    GenomeOptions g{o_.gnmLen, o_.linear, StopAsked()};
    Status st = Guarded([&] { return ReadGenome(env_, o_.PthGnm, g, ref); });
    if (st.ok()) {
      ref.ShrinkToFit();
      st = engine_.LoadGenome(std::move(ref));
    }
    if (st.ok()) st = engine_.BuildSeedIndex();
    if (!st.ok()) Fail(st);
    return st;
  }

  // The sinks' heads, which depend on the genome.
  bool BeginSinks() {
    for (OutputSink* sink : outputs_) {
      const Status st = Guarded([&] { return sink->Begin(engine_.reference()); });
      if (!st.ok()) {
        Fail(st);
        return false;
      }
    }
    return true;
  }

  // Every read (every pair), then the report and the time.
  bool ReadLoop() {
    const auto start = std::chrono::steady_clock::now();
    Status st;
    if (pairs_) {
      PairPipeline pipeline(engine_, o_.misNu, o_.pairRule, o_.threads);
      st = Guarded([&] { return pipeline.Run(*source_, pairSinks_, obs_, bytesTotal_, sum_.pairs); });
    } else {
      Pipeline pipeline(engine_, o_.misNu, o_.threads);
      st = Guarded([&] { return pipeline.Run(*source_, sinks_, obs_, bytesTotal_, sum_.counters); });
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!st.ok()) {
      Fail(st);
      return false;
    }
    const RunCounters& c = sum_.counters;
    RunProgress p;
    p.text = "inpRdsNu";
    p.readsRead = pairs_ ? sum_.pairs.pairsRead : c.linesRead;
    p.accepted = pairs_ ? sum_.pairs.accepted : c.accepted;
    p.bytesRead = source_->bytesRead();
    p.bytesTotal = bytesTotal_;
    p.seconds = seconds;
    p.pairs = pairs_;
    obs_.OnProgress(p);
    sum_.report = pairs_ ? PairReport(sum_.pairs, o_.ProcNm, o_.misNu, o_.pairRule) : RunReport(c, o_.ProcNm, o_.misNu);
    sum_.seconds = SecondsText(seconds);
    obs_.OnTime(sum_.seconds);
    return true;
  }

  // Releases the engine, closes the files and, when they are complete,
  // puts them in place and finishes them. A run that failed or was stopped
  // claims no "done", finishes nothing and leaves the results folder as it
  // found it; its SAM file is removed. The SAM file takes its name only
  // once everything else succeeded.
  void EndSteps(bool ok) {
    engine_.ReleaseEngine();
    Status st = FinishSinks(ok ? sum_.report : std::string());
    if (st.ok() && ok && stage_) st = stage_->Commit();
    if (!st.ok()) {
      Fail(st);
      ok = false;
    }
    obs_.OnEndSteps(ok);
    std::vector<std::string> unopened;
    if (ok && text_) {
      st = Guarded([&] { return FinishRun(sum_.counters.readsIn(), text_->paths(), env_, shell_, unopened); });
      if (!st.ok()) {
        Fail(st);
        ok = false;
      }
    }
    if (ok && pairText_) unopened = OpenPairResults(pairText_->paths(), shell_);
    // The results are in place all the same: one word, no failure.
    if (!unopened.empty()) obs_.OnMessage(UnopenedResults(unopened));
    if (sam_) {
      st = ok ? sam_->Commit() : Status::OK();
      if (!st.ok()) {
        Fail(st);
        ok = false;
      }
      if (!ok) sam_->Discard();
    }
    if (ok) sum_.outcome = RunOutcome::kDone;
  }

  const MapOptions& o_;
  RunObserver& obs_;
  Env& env_;
  NullShell noShell_;
  Shell& shell_;
  RunSummary sum_;
  std::unique_ptr<ReadSource> source_;
  int64_t bytesTotal_ = -1;  // size of the reads file, -1 for a stream
  // The saved index mapped as the genome, when it is one; it verifies the
  // blocks the engine touches, so it outlives the engine.
  std::unique_ptr<SavedIndex> saved_;
  Engine engine_;
  std::optional<ResultStage> stage_;  // puts the five files in place; outlives the sinks
  bool pairs_;                        // a pair run: the mates of two files, paired
  std::optional<TextSink> text_;      // the five files, when a results folder is given
  std::optional<PairTextSink> pairText_;  // a pair run's result files, when a results folder is given
  std::optional<SamSink> sam_;    // the SAM or BAM file, when asked for
  std::vector<OutputSink*> outputs_;  // every sink, in the order they open
  std::vector<ResultSink*> sinks_;    // the sinks of a single-read run
  std::vector<PairSink*> pairSinks_;  // the sinks of a pair run
};

}  // namespace

void FailRun(const Status& st, RunObserver& obs, RunSummary& sum) {
  const bool quiet = st.code() == Status::Code::kInterrupted || st.code() == Status::Code::kPipeClosed;
  if (!quiet) obs.OnMessage(st);
  if (sum.status.ok()) sum.status = st;
  sum.outcome = quiet ? RunOutcome::kInterrupted : RunOutcome::kFailed;
}

RunSummary RunMapping(const MapOptions& options, RunObserver& obs) { return MapRun(options, obs).Run(); }

}  // namespace quorvane
