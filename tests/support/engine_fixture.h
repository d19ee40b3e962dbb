// A built engine over a genome in memory, for the search suites.
#ifndef QUORVANE_TESTS_ENGINE_FIXTURE_H_
#define QUORVANE_TESTS_ENGINE_FIXTURE_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "brute_force.h"
#include "engine/engine.h"

namespace quorvane {
inline void PrintTo(const Hit& h, std::ostream* os) {
  *os << "{seq " << h.seq << (h.strand == Strand::kDirect ? " +" : " -") << h.start << " mis " << int{h.mis} << "}";
}
}  // namespace quorvane

namespace quorvane::test {

// A search as the suites run it: the engine, and for the fast one which
// build of its loops.
struct EngineVariant {
  EngineKind kind;
  bool portable;  // the loops built for every processor, even where AVX2 is there
  int step = 0;   // the fast index's step: 0 by the genome's size, 2 every second start
};
inline void PrintTo(const EngineVariant& v, std::ostream* os) {
  *os << (v.kind == EngineKind::kReference ? "reference" : v.portable ? "fast, portable" : "fast");
  if (v.step == 2) *os << ", every second start";
}

inline std::string KindName(const EngineVariant& v) {
  return std::string(v.kind == EngineKind::kReference ? "Reference" : v.portable ? "FastPortable" : "Fast") +
         (v.step == 2 ? "Step2" : "");
}

// Every search the suites run against: the reference one, and the fast one
// in both builds (the same where the processor lacks AVX2), over an index
// of every start and one of every second start.
inline std::vector<EngineVariant> AllEngines() {
  return {{EngineKind::kReference, false},
          {EngineKind::kFast, false},
          {EngineKind::kFast, true},
          {EngineKind::kFast, false, 2},
          {EngineKind::kFast, true, 2}};
}

// Loads genome into a new engine of kind and builds its index (of step,
// for the fast one; 0 chooses by size).
inline std::unique_ptr<Engine> BuiltEngine(EngineKind kind, const std::vector<Seq>& genome, int threads = 1,
                                           int step = 0) {
  auto engine = std::make_unique<Engine>(kind, threads);
  engine->set_index_step(step);
  if (!engine->LoadGenome(MakeReference(genome)).ok() || !engine->BuildSeedIndex().ok()) return nullptr;
  return engine;
}

class EngineTest : public ::testing::TestWithParam<EngineVariant> {
 protected:
  // Loads the genome and builds the index; the search is ready afterwards.
  void Load(const std::vector<Seq>& genome) {
    engine_ = BuiltEngine(GetParam().kind, genome, 1, GetParam().step);
    ASSERT_NE(engine_, nullptr);
    search_ = engine_->NewSearch(GetParam().portable);
  }
  void Load(const std::string& genome) { Load(std::vector<Seq>{{"g", genome, true}}); }

  // The hits of read with at most misNu mismatches.
  std::vector<Hit> Search(const std::string& read, int misNu) {
    EXPECT_TRUE(search_->SearchRead(read.data(), static_cast<int32_t>(read.size()), misNu));
    return search_->hits();
  }
  // The same as (pos, mis) pairs, for a genome of one sequence.
  std::vector<std::pair<int, int>> SearchPos(const std::string& read, int misNu) {
    return PosMis(Search(read, misNu), static_cast<int>(engine_->reference().seq(0).length));
  }

  std::unique_ptr<Engine> engine_;
  std::unique_ptr<ReadSearch> search_;
};

}  // namespace quorvane::test

#endif  // QUORVANE_TESTS_ENGINE_FIXTURE_H_
