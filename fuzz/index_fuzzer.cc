// Saved indexes on damaged bytes: an index of a small genome made from the
// input's first bytes, its tables then changed by the rest (the tables
// carry no checksum, so a run may meet such a file), or a file of the
// input's bytes behind the magic. Opening must refuse with a message or
// succeed, and a search over what it opened must not crash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "check.h"
#include "engine/engine.h"
#include "saved_index/index_reader.h"
#include "saved_index/index_writer.h"

using namespace quorvane;

namespace {

const std::string& Dir() {
  static const std::string dir = [] {
    char tmpl[] = "/tmp/quorvane-index-fuzz-XXXXXX";
    const char* d = mkdtemp(tmpl);
    return std::string(d != nullptr ? d : "/tmp");
  }();
  return dir;
}

bool WriteAll(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::string ReadAll(const std::string& path) {
  std::string out;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return out;
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
  std::fclose(f);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::string path = Dir() + "/g.qvi";
  const unsigned mode = data[0];
  std::string bytes;
  std::string genome;
  if (mode & 1) {
    // Any bytes behind the magic.
    bytes.assign(kIndexMagic, sizeof kIndexMagic);
    bytes.append(reinterpret_cast<const char*>(data) + 1, size - 1);
  } else {
    // A genome of up to 300 letters from the input, indexed and saved; the
    // rest of the input is laid over the file past its letters.
    const size_t g = std::min<size_t>(size - 1, 8 + data[1] % 32 * 9);
    for (size_t i = 0; i < g; ++i) genome.push_back("ACGTN"[data[1 + i] % 5]);
    Engine built(EngineKind::kFast, 1);
    built.set_index_step(mode & 2 ? 2 : 1);
    if (mode & 4) built.set_index_segment_bits(8);
    Reference ref;
    FUZZ_CHECK(ref.AddSequence("s", genome, (mode & 8) == 0).ok(), "a small genome");
    FUZZ_CHECK(built.LoadGenome(std::move(ref)).ok() && built.BuildSeedIndex().ok(), "an index");
    FUZZ_CHECK(WriteSavedIndex(*Env::Default(), path, built.store(), built.fast_index(), IndexSource()).ok(), "saved");
    bytes = ReadAll(path);
    // The letters stay whole (their checksum would refuse the file): the
    // changes fall on the tables after them.
    const size_t tables = bytes.find(genome) + genome.size() + 64;
    for (size_t i = 1 + g, k = 0; i < size; ++i, ++k) {
      const size_t at = tables + (k * 131 + data[i]) % std::max<size_t>(1, bytes.size() - tables);
      if (at < bytes.size()) bytes[at] = static_cast<char>(bytes[at] ^ data[i]);
    }
  }
  FUZZ_CHECK(WriteAll(path, bytes), "written");
  std::unique_ptr<SavedIndex> saved;
  const Status st = SavedIndex::Open(path, saved);
  if (!st.ok()) {
    FUZZ_CHECK(!st.message().empty(), "a refusal without a message");
    return 0;
  }
  Engine engine(EngineKind::kFast, 1);
  if (!engine.AdoptIndex(saved->MakeReference(), saved->Uncoded(), saved->tables()).ok()) return 0;
  if (!engine.BuildSeedIndex().ok()) return 0;
  auto search = engine.NewSearch(mode & 16);
  const std::string& letters = genome.empty() ? std::string("ACGTACGTACGTACGTACGT") : genome;
  for (int misNu = 0; misNu <= 3; ++misNu) {
    const std::string read = (letters + letters).substr(0, 20 + misNu * 7);
    search->SearchRead(read.data(), static_cast<int32_t>(read.size()), misNu);
  }
  return 0;
}
