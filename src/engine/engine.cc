#include "engine/engine.h"

#include "engine/fast_search.h"
#include "engine/reference_search.h"

namespace quorvane {

LoadOutcome Engine::LoadGenome(const std::string& pthGnm, int32_t gnmLen) {
  ReleaseEngine();
  return store_.LoadGenome(pthGnm, gnmLen);
}

LoadOutcome Engine::LoadGenomeText(std::string_view letters) {
  ReleaseEngine();
  return store_.LoadGenomeText(letters);
}

bool Engine::BuildSeedIndex() {
  return kind_ == EngineKind::kReference ? chains_.Build(store_) : fast_.Build(store_, threads_);
}

void Engine::ReleaseEngine() {
  chains_.Release();
  fast_.Release();
  store_.Release();
}

std::unique_ptr<ReadSearch> Engine::NewSearch() const {
  if (kind_ == EngineKind::kReference) return std::make_unique<ReferenceSearch>(store_, chains_);
  return std::make_unique<FastSearch>(store_, fast_);
}


}  // namespace quorvane
