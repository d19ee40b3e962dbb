// Saved indexes on damaged bytes: an index of a small genome made from the
// input's first bytes, then changed anywhere by the rest (head, names,
// letters, any table, the padding, the block checksums, the tail), or a
// file of the input's bytes behind the magic. Every change must be found:
// opening refuses the file with a message, or, when the tables are left to
// be verified as they are touched, a check of every block fails and a
// search over it reads nothing past the genome. An unchanged file opens
// and verifies whole.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "check.h"
#include "guide_brute_force.h"
#include "engine/engine.h"
#include "guides/site_table_search.h"
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
  bool changed = true;  // the file is not the one written
  if (mode & 1) {
    // Any bytes behind the magic.
    bytes.assign(kIndexMagic, sizeof kIndexMagic);
    bytes.append(reinterpret_cast<const char*>(data) + 1, size - 1);
  } else {
    // A genome of up to 300 letters from the input, indexed and saved; the
    // rest of the input changes bytes of the file: mostly of its body (the
    // letters and tables, which make most of it), and its first and last
    // bytes (head, names, checksums, tail) too.
    const size_t g = std::min<size_t>(size - 1, 8 + data[1] % 32 * 9);
    for (size_t i = 0; i < g; ++i) genome.push_back("ACGTN"[data[1 + i] % 5]);
    Engine built(EngineKind::kFast, 1);
    built.set_index_step(mode & 2 ? 2 : 1);
    if (mode & 4) built.set_index_segment_bits(8);
    Reference ref;
    FUZZ_CHECK(ref.AddSequence("s", genome, (mode & 8) == 0).ok(), "a small genome");
    FUZZ_CHECK(built.LoadGenome(std::move(ref)).ok() && built.BuildSeedIndex().ok(), "an index");
    // With a site table of NGG now and then, whose sections the bytes
    // change too.
    std::vector<SiteTableShape> tables;
    if (mode & 64) tables.push_back(TableShapeFor(Pam{"NGG", false}, kDefaultTableGuide, built.reference().total()));
    FUZZ_CHECK(WriteSavedIndex(*Env::Default(), path, built.store(), built.fast_index(), IndexSource(), nullptr,
                               tables)
                   .ok(),
               "saved");
    const std::string written = ReadAll(path);
    bytes = written;
    for (size_t i = 1 + g, k = 0; i + 1 < size; i += 2, ++k) {
      const size_t n = bytes.size();
      const size_t pick = (static_cast<size_t>(data[i]) << 8 | data[i + 1]) * 2654435761u;
      size_t at = pick % n;
      if (k % 4 == 1) at = pick % std::min<size_t>(n, 4096);        // the head and names
      if (k % 4 == 2) at = n - 1 - pick % std::min<size_t>(n, 4096);  // the checksums and tail
      bytes[at] = static_cast<char>(bytes[at] ^ data[i + 1]);
    }
    changed = bytes != written;
  }
  FUZZ_CHECK(WriteAll(path, bytes), "written");
  IndexOpenOptions o;
  o.verify = mode & 32 ? IndexOpenOptions::Verify::kWhenTouched : IndexOpenOptions::Verify::kAllAtOpen;
  std::unique_ptr<SavedIndex> saved;
  const Status st = SavedIndex::Open(path, saved, o);
  if (!st.ok()) {
    FUZZ_CHECK(!st.message().empty(), "a refusal without a message");
    FUZZ_CHECK(changed, "an unchanged index refused");
    return 0;
  }
  // Opened: only a file whose damage lies in blocks left for later.
  FUZZ_CHECK(!changed || o.verify == IndexOpenOptions::Verify::kWhenTouched, "a damaged index accepted");
  Engine engine(EngineKind::kFast, 1);
  if (!engine.AdoptIndex(saved->MakeReference(), saved->Uncoded(), saved->tables()).ok()) return 0;
  if (!engine.BuildSeedIndex().ok()) return 0;
  auto search = engine.NewSearch(mode & 16);
  const std::string& letters = genome.empty() ? std::string("ACGTACGTACGTACGTACGT") : genome;
  for (int misNu = 0; misNu <= 3; ++misNu) {
    const std::string read = (letters + letters).substr(0, 20 + misNu * 7);
    search->SearchRead(read.data(), static_cast<int32_t>(read.size()), misNu);
  }
  // A guide looked up in the table reads only verified blocks: it finds
  // the damage or its sites.
  SiteTableView view;
  if (saved->FindSiteTable(Pam{"NGG", false}, view) && CheckSiteTable(view, path).ok()) {
    test::SiteCollector drop;
    GuideSearchOptions so;
    so.mis = 3;
    const Status found = SearchSiteTable(saved->MakeReference(), view, {Guide{"g", "ACGTNACGTACGTTGCAACG"}}, so, drop);
    FUZZ_CHECK(found.ok() || changed, "a whole table's search failed");
  }
  // Every block checked: the damage is found now if it was not before.
  const bool whole = saved->guard().VerifyAll(1);
  FUZZ_CHECK(whole != changed, changed ? "a damaged block passed its checksum" : "a whole block failed");
  FUZZ_CHECK(whole || !saved->guard().failure().ok(), "damage without a message");
  return 0;
}
