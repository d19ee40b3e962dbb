#include "engine/engine.h"

#include <cstdint>

#include "engine/bucket_scan.h"
#include "engine/fast_search.h"
#include "engine/reference_search.h"

namespace quorvane {

Status Engine::LoadGenome(Reference ref) {
  ReleaseEngine();
  return store_.Load(std::move(ref));
}

Status Engine::AdoptIndex(Reference ref, std::vector<std::pair<int64_t, int64_t>> uncoded,
                          const FastIndexTables& tables) {
  ReleaseEngine();
  const Status st = store_.Load(std::move(ref), std::move(uncoded));
  if (st.ok() && kind_ == EngineKind::kFast) fast_.Adopt(tables);
  return st;
}

Status Engine::BuildSeedIndex() {
  if (kind_ == EngineKind::kReference) {
    // The chains link positions in 32 bits.
    if (store_.gnmLen() > INT32_MAX) return Status::BadInput("genome is too big for --engine reference");
    return chains_.Build(store_);
  }
  if (fast_.built()) return Status::OK();
  return fast_.Build(store_, threads_, step_);
}

void Engine::ReleaseEngine() {
  chains_.Release();
  fast_.Release();
  store_.Release();
}

std::unique_ptr<ReadSearch> Engine::NewSearch(bool portable) const {
  if (kind_ == EngineKind::kReference) return std::make_unique<ReferenceSearch>(store_, chains_);
  return std::make_unique<FastSearch>(store_, fast_, !portable && UseAvx2());
}

}  // namespace quorvane
