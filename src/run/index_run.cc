#include "run/index_run.h"

#include <new>

#include "engine/engine.h"
#include "readers/genome_file.h"
#include "saved_index/index_reader.h"
#include "saved_index/index_writer.h"

namespace quorvane {

Status MakeSavedIndex(const IndexOptions& o, IndexSummary& out) {
  Env& env = o.env != nullptr ? *o.env : *Env::Default();
  auto stage = [&](const char* name, double done) {
    if (o.progress) o.progress(name, done);
  };
  auto stopped = [&] { return o.stop && o.stop(); };
  if (env.SameFile(o.output, o.genome)) return Status::BadInput("the index file is the genome file\n" + o.output);
  if (IsSavedIndexFile(env, o.genome)) return Status::BadInput("the genome is a saved index already\n" + o.genome);
  // The source is taken before the genome is read, so that a change while
  // it is read shows the index as stale rather than passing unseen.
  const IndexSource source = SourceOf(o.genome);
  try {
    stage("reading", 0);
    Reference ref;
    GenomeOptions g;
    g.linear = o.linear;
    if (o.stop) g.abort = o.stop;
    Status st = ReadGenome(env, o.genome, g, ref);
    if (st.ok() && stopped()) st = Status::Interrupted("stopped");
    if (!st.ok()) return st;
    // The index needs the room that growing the letters' buffer left.
    ref.ShrinkToFit();
    stage("indexing", 0);
    Engine engine(EngineKind::kFast, o.threads);
    engine.set_index_step(o.step);
    st = engine.LoadGenome(std::move(ref));
    if (st.ok()) st = engine.BuildSeedIndex();
    if (st.ok() && stopped()) st = Status::Interrupted("stopped");
    if (!st.ok()) return st;
    stage("writing", 0);
    st = WriteSavedIndex(env, o.output, engine.store(), engine.fast_index(), source,
                         [&](double done) { stage("writing", done); });
    if (!st.ok()) return st;
    out.letters = engine.reference().total();
    out.sequences = static_cast<int64_t>(engine.reference().count());
    out.step = engine.fast_index().step();
    if (!env.GetFileSize(o.output, out.bytes).ok()) out.bytes = -1;
    return Status::OK();
  } catch (const std::bad_alloc&) {
    return Status::NoMemory("no mem Chns, ArrMisMatches");
  }
}

}  // namespace quorvane
