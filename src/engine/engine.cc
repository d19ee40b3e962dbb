#include "engine/engine.h"

#include "engine/bucket_scan.h"
#include "engine/fast_search.h"
#include "engine/reference_search.h"

namespace quorvane {

Status Engine::LoadGenome(Reference ref) {
  ReleaseEngine();
  return store_.Load(std::move(ref));
}

Status Engine::BuildSeedIndex() {
  return kind_ == EngineKind::kReference ? chains_.Build(store_) : fast_.Build(store_, threads_);
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
