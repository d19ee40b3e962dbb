// Micro-benchmarks of the engine alone: building the index and searching
// reads, without the files of a run. Uses ../shared/data/ecoli.txt where it
// exists, otherwise a random genome of 5 million letters.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/nucleotide.h"
#include "engine/engine.h"
#include "engine/fast_index.h"
#include "engine/genome_store.h"

namespace {

using quorvane::Engine;
using quorvane::EngineKind;

const std::string& Genome() {
  static const std::string g = [] {
    std::ifstream in(QUORVANE_SHARED_DATA "/ecoli.txt", std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    std::string s = ss.str();
    if (s.empty()) {
      std::mt19937 rng(5000000);
      s.resize(5000000);
      for (char& c : s) c = "ACGT"[rng() & 3];
    }
    return s;
  }();
  return g;
}

// Reads of len letters from either strand with 0..3 substitutions; a
// tenth occur nowhere.
std::vector<std::string> Reads(int len, int count) {
  const std::string& g = Genome();
  std::mt19937 rng(static_cast<unsigned>(len));
  std::uniform_int_distribution<size_t> start(0, g.size() - static_cast<size_t>(len));
  std::vector<std::string> reads;
  for (int i = 0; i < count; ++i) {
    std::string r;
    if (i % 10 == 9) {
      for (int j = 0; j < len; ++j) r.push_back("ACGT"[rng() & 3]);
    } else {
      r = g.substr(start(rng), static_cast<size_t>(len));
      if (rng() & 1) {
        std::string rc(r.rbegin(), r.rend());
        for (char& c : rc) c = quorvane::kComplLetters[quorvane::CodeOf(c)];
        r = rc;
      }
      const int subs = static_cast<int>(rng() % 4);
      for (int s = 0; s < subs; ++s) {
        char& c = r[rng() % static_cast<unsigned>(len)];
        c = "ACGT"[(quorvane::CodeOf(c) + 1 + rng() % 3) & 3];
      }
    }
    reads.push_back(r);
  }
  return reads;
}

// The genome as one circular sequence.
quorvane::Reference GenomeReference() {
  quorvane::Reference ref;
  if (!ref.AddSequence("genome", Genome(), true).ok()) std::abort();
  return ref;
}

std::unique_ptr<Engine> NewBuilt(EngineKind kind) {
  auto e = std::make_unique<Engine>(kind);
  if (!e->LoadGenome(GenomeReference()).ok() || !e->BuildSeedIndex().ok()) std::abort();
  return e;
}

// One engine of each kind, built at first use and shared by all threads.
Engine& Built(EngineKind kind) {
  static const std::unique_ptr<Engine> fast = NewBuilt(EngineKind::kFast);
  static const std::unique_ptr<Engine> reference = NewBuilt(EngineKind::kReference);
  return kind == EngineKind::kFast ? *fast : *reference;
}

void BM_LoadGenome(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    quorvane::Reference ref = GenomeReference();
    state.ResumeTiming();
    quorvane::GenomeStore store(static_cast<int>(state.range(0)), quorvane::HeldCodes::kNone);
    benchmark::DoNotOptimize(store.Load(std::move(ref)).ok());
  }
}
BENCHMARK(BM_LoadGenome)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_BuildFastIndex(benchmark::State& state) {
  quorvane::GenomeStore store(1, quorvane::HeldCodes::kNone);
  if (!store.Load(GenomeReference()).ok()) std::abort();
  for (auto _ : state) {
    quorvane::FastIndex index;
    benchmark::DoNotOptimize(index.Build(store, static_cast<int>(state.range(0))).ok());
  }
}
BENCHMARK(BM_BuildFastIndex)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_FastSearch(benchmark::State& state) {
  const int len = static_cast<int>(state.range(0));
  const int misNu = static_cast<int>(state.range(1));
  const std::vector<std::string> reads = Reads(len, 20000);
  auto search = Built(EngineKind::kFast).NewSearch();
  int64_t hits = 0;
  for (auto _ : state) {
    for (const std::string& r : reads) {
      search->SearchRead(r.data(), len, misNu);
      hits += search->posUpLwNu();
    }
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(reads.size()));
  state.counters["hits/read"] =
      static_cast<double>(hits) / static_cast<double>(state.iterations() * static_cast<int64_t>(reads.size()));
}
BENCHMARK(BM_FastSearch)
    ->ArgsProduct({{36, 50, 100}, {0, 1, 3}})
    ->ArgsProduct({{20}, {0, 1, 2, 3}})
    ->Unit(benchmark::kMicrosecond);
// Searches on two threads over one shared index.
BENCHMARK(BM_FastSearch)->Args({100, 3})->Threads(1)->Threads(2)->UseRealTime()->Unit(benchmark::kMicrosecond);

void BM_ReferenceSearch(benchmark::State& state) {
  const int len = static_cast<int>(state.range(0));
  const int misNu = static_cast<int>(state.range(1));
  const std::vector<std::string> reads = Reads(len, 200);
  auto search = Built(EngineKind::kReference).NewSearch();
  for (auto _ : state) {
    for (const std::string& r : reads) search->SearchRead(r.data(), len, misNu);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(reads.size()));
}
BENCHMARK(BM_ReferenceSearch)->Args({100, 0})->Args({100, 3})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
