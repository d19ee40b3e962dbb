// The mapping engine of one run: the genome store, its seed index and the
// factory of per-worker read searches.
#ifndef QUORVANE_ENGINE_ENGINE_H_
#define QUORVANE_ENGINE_ENGINE_H_

#include <cstdint>
#include <memory>

#include "common/status.h"
#include "common/table_check.h"
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

  // Takes over a genome and the fast index tables saved with it (a mapped
  // index file): nothing is coded or built; BuildSeedIndex then only builds
  // what the reference search needs. uncoded: the genome's stretches of
  // letters other than A, C, G, T. The tables must outlive the engine's
  // next ReleaseEngine.
  Status AdoptIndex(Reference ref, std::vector<std::pair<int64_t, int64_t>> uncoded, const FastIndexTables& tables);

  // Builds the seed index of the loaded genome. Fails with kNoMemory ("no
  // mem Chns, ArrMisMatches"); the reference search fails with kBadInput
  // ("genome is too big for --engine reference") past 2^31 - 1 letters.
  Status BuildSeedIndex();

  // The step of the fast index that BuildSeedIndex builds: 0 (the default)
  // chooses by the genome's size; tests set 1 or 2.
  void set_index_step(int step) { step_ = step; }
  // The bits of a start the fast index keeps in its table (32; tests set
  // fewer to reach the segments of a genome past 2^32 letters).
  void set_index_segment_bits(int bits) { fast_.set_segment_bits(bits); }
  const FastIndex& fast_index() const { return fast_; }
  // OK unless a search met a damaged block of tables mapped from a saved
  // index; then the damage's message. The searches that met it passed over
  // the damaged runs, so their hits must not be written.
  Status TablesWhole() const {
    const TableCheck* check = fast_.check();
    return check == nullptr ? Status::OK() : check->failure();
  }

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
  int step_ = 0;
  GenomeStore store_;
  ChainIndex chains_;  // built for the reference search
  FastIndex fast_;     // built for the fast search
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_ENGINE_H_
