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
  if (!o.pams.empty() && (o.maxGuide < 2 * kMaxTableKey || o.maxGuide > kMaxGuideLen)) {
    return Status::BadInput("the longest guide of a site table is " + std::to_string(2 * kMaxTableKey) + " to " +
                            std::to_string(kMaxGuideLen) + " letters, not " + std::to_string(o.maxGuide));
  }
  for (size_t i = 0; i < o.pams.size(); ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (o.pams[i].letters == o.pams[j].letters && o.pams[i].fivePrime == o.pams[j].fivePrime) {
        return Status::BadInput("PAM " + o.pams[i].letters + (o.pams[i].fivePrime ? " (5')" : "") +
                                " is given twice");
      }
    }
  }
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
    std::vector<SiteTableShape> shapes;
    for (const Pam& p : o.pams) shapes.push_back(TableShapeFor(p, o.maxGuide, engine.reference().total()));
    // The site tables are counted before the file is begun.
    stage(shapes.empty() ? "writing" : "counting PAM sites", 0);
    st = WriteSavedIndex(env, o.output, engine.store(), engine.fast_index(), source,
                         [&](double done) { stage("writing", done); }, shapes, o.threads, o.stop, o.tableBuildBytes);
    if (!st.ok()) return st;
    // What the tables hold, from the index as written.
    if (!shapes.empty()) {
      std::unique_ptr<SavedIndex> saved;
      st = SavedIndex::MapUnverified(o.output, saved);
      if (!st.ok()) return st;
      for (const PamTableEntry& e : saved->pamTables()) {
        IndexSummary::Table t;
        t.pam.letters.assign(e.pam, e.pamLength);
        t.pam.fivePrime = e.fivePrime != 0;
        t.sites = static_cast<int64_t>(e.sites + e.oddSites);
        t.bytes = static_cast<int64_t>(IndexAlign(e.oddAt + 8 * e.oddSites) - e.nearAt);
        t.maxGuide = static_cast<int>(e.maxGuide);
        out.tables.push_back(t);
      }
    }
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
