#include "engine/engine.h"

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

bool Engine::BuildSeedIndex() { return chains_.Build(store_); }

void Engine::ReleaseEngine() {
  chains_.Release();
  store_.Release();
}

std::unique_ptr<ReadSearch> Engine::NewSearch() const {
  return std::make_unique<ReferenceSearch>(store_, chains_);
}

int Engine::BytesPerLetter() const { return GenomeStore::kBytesPerLetter + ChainIndex::kBytesPerLetter; }

}  // namespace quorvane
