// The mapping engine of one run: the genome store, its seed index and the
// factory of per-worker read searches.
#ifndef QUORVANE_ENGINE_ENGINE_H_
#define QUORVANE_ENGINE_ENGINE_H_

#include <cstdint>
#include <memory>

#include "common/status.h"
#include "engine/chain_index.h"
#include "engine/fast_index.h"
#include "engine/genome_store.h"
#include "engine/read_search.h"
#include "engine/reference.h"

namespace quorvane {

// Which search the engine runs.
enum class EngineKind {
  kReference,  // chains of seed codes, walked code by code
  kFast,       // exact pieces looked up in a sorted seed index
};

// Built once per run, then only read: LoadGenome, BuildSeedIndex, then any
// number of NewSearch objects search reads at once, then ReleaseEngine.
class Engine {
 public:
  // threads: how many threads loading and indexing may use.
  explicit Engine(EngineKind kind = EngineKind::kFast, int threads = 1)
      : kind_(kind),
        threads_(threads),
        store_(threads, kind == EngineKind::kReference ? HeldCodes::kBoth : HeldCodes::kNone) {}
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Takes the genome over and codes it. Fails with kNoMemory ("no mem
  // ChnBegX and Cds").
  Status LoadGenome(Reference ref);

  // Builds the seed index of the loaded genome. Fails with kNoMemory ("no
  // mem Chns, ArrMisMatches").
  Status BuildSeedIndex();

  // Releases everything this run allocated, from whatever point it reached.
  void ReleaseEngine();

  // A new search over this engine, for one worker. The engine must stay
  // built while the search is used. portable: the fast search runs its
  // loops built for every processor even where the AVX2 ones would run
  // (the hits are the same; tests compare the two).
  std::unique_ptr<ReadSearch> NewSearch(bool portable = false) const;

  EngineKind kind() const { return kind_; }
  const GenomeStore& store() const { return store_; }
  const Reference& reference() const { return store_.ref(); }

 private:
  EngineKind kind_;
  int threads_;
  GenomeStore store_;
  ChainIndex chains_;  // built for the reference search
  FastIndex fast_;     // built for the fast search
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_ENGINE_H_
