// The mapping engine of one run: the genome store, its seed index and the
// factory of per-worker read searches.
#ifndef QUORVANE_ENGINE_ENGINE_H_
#define QUORVANE_ENGINE_ENGINE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/chain_index.h"
#include "engine/fast_index.h"
#include "engine/genome_store.h"
#include "engine/read_search.h"

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
      : kind_(kind), threads_(threads), store_(threads, kind == EngineKind::kReference) {}
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Reads exactly gnmLen bytes of the genome file, checks and codes both
  // strands. Every failure has been shown through ShowMsg on return.
  LoadOutcome LoadGenome(const std::string& pthGnm, int32_t gnmLen);
  // As LoadGenome, from letters in memory.
  LoadOutcome LoadGenomeText(std::string_view letters);

  // Builds the seed index of the loaded genome. On allocation failure shows
  // "no mem Chns, ArrMisMatches" and returns false.
  bool BuildSeedIndex();

  // Releases everything this run allocated, from whatever point it reached.
  void ReleaseEngine();

  // A new search over this engine, for one worker. The engine must stay
  // built while the search is used.
  std::unique_ptr<ReadSearch> NewSearch() const;

  EngineKind kind() const { return kind_; }
  const GenomeStore& store() const { return store_; }

 private:
  EngineKind kind_;
  int threads_;
  GenomeStore store_;
  ChainIndex chains_;  // built for the reference search
  FastIndex fast_;     // built for the fast search
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_ENGINE_H_
