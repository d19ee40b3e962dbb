// A built engine over a genome in memory, for the search suites.
#ifndef QUORVANE_TESTS_ENGINE_FIXTURE_H_
#define QUORVANE_TESTS_ENGINE_FIXTURE_H_

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/engine.h"

namespace quorvane {
inline void PrintTo(EngineKind k, std::ostream* os) { *os << (k == EngineKind::kReference ? "reference" : "fast"); }
}  // namespace quorvane

namespace quorvane::test {

inline std::string KindName(EngineKind k) {
  return k == EngineKind::kReference ? "Reference" : "Fast";
}

// Every engine the search suites run against.
inline std::vector<EngineKind> AllEngines() { return {EngineKind::kReference, EngineKind::kFast}; }

class EngineTest : public ::testing::TestWithParam<EngineKind> {
 protected:
  // Loads genome and builds the index; the search is ready afterwards.
  void Load(const std::string& genome) {
    engine_ = std::make_unique<Engine>(GetParam());
    ASSERT_EQ(engine_->LoadGenomeText(genome), LoadOutcome::kOk);
    ASSERT_TRUE(engine_->BuildSeedIndex());
    search_ = engine_->NewSearch();
  }

  // The records of read with at most misNu mismatches.
  std::vector<MisMatch> Search(const std::string& read, int misNu) {
    EXPECT_TRUE(search_->SearchRead(read.data(), static_cast<int32_t>(read.size()), misNu));
    return search_->hits();
  }

  std::unique_ptr<Engine> engine_;
  std::unique_ptr<ReadSearch> search_;
};

}  // namespace quorvane::test

#endif  // QUORVANE_TESTS_ENGINE_FIXTURE_H_
