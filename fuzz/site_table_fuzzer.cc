// The PAM site table against the scan: genomes of up to three sequences
// (circular or linear, with letters other than A, C, G, T), a PAM, guides
// drawn from the genome and changed, all made from the input's bytes; the
// table of a saved index must give the scan's sites and PAM site counts.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check.h"
#include "guide_brute_force.h"
#include "engine/engine.h"
#include "guides/guide_search.h"
#include "guides/site_table_search.h"
#include "saved_index/index_reader.h"
#include "saved_index/index_writer.h"

using namespace quorvane;

namespace {

const std::string& Dir() {
  static const std::string dir = [] {
    char tmpl[] = "/tmp/quorvane-table-fuzz-XXXXXX";
    const char* d = mkdtemp(tmpl);
    return std::string(d != nullptr ? d : "/tmp");
  }();
  return dir;
}

// The input's bytes one at a time, zeros past its end.
struct Bytes {
  const uint8_t* data;
  size_t size, at = 0;
  uint8_t Next() { return at < size ? data[at++] : 0; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  Bytes in{data, size};
  const uint8_t mode = in.Next();
  static const char* const kPams[] = {"NGG", "TTTV", "NNGRRT", "TTN", "NRG", "G"};
  Pam pam;
  const int which = mode % 6;
  FUZZ_CHECK(ParsePam(kPams[which], which == 1 || which == 3, pam).ok(), "a PAM");
  const int mis = (mode >> 3) % (kMaxGuideMis + 1);
  const int maxGuide = (mode & 0x40) ? 30 : kDefaultTableGuide;

  // Up to three sequences; the letters mostly A, C, G, T.
  Reference ref;
  std::vector<std::string> seqs;
  const int count = 1 + in.Next() % 3;
  for (int q = 0; q < count; ++q) {
    const uint8_t shape = in.Next();
    const size_t len = 10 + static_cast<size_t>(in.Next()) * 3;
    std::string s;
    for (size_t i = 0; i < len; ++i) {
      const uint8_t b = in.at < in.size ? in.Next() : static_cast<uint8_t>(i * 2654435761u >> 13);
      s.push_back(b % 41 == 0 ? "NnRa"[b % 4] : "ACGTGGACCT"[b % 10]);
    }
    seqs.push_back(s);
    FUZZ_CHECK(ref.AddSequence("s" + std::to_string(q), s, (shape & 1) == 0).ok(), "a sequence");
  }
  // Guides from the genome's letters, changed in a few places.
  std::vector<Guide> guides;
  const int nGuides = 1 + in.Next() % 4;
  for (int g = 0; g < nGuides; ++g) {
    const std::string& s = seqs[in.Next() % seqs.size()];
    const int L = 17 + in.Next() % (maxGuide - 16);
    const size_t from = in.Next() * 7u % s.size();
    std::string letters;
    for (int i = 0; i < L; ++i) {
      const char c = s[(from + static_cast<size_t>(i)) % s.size()];
      letters.push_back(c == 'A' || c == 'C' || c == 'G' || c == 'T' ? c : 'A');
    }
    for (int k = in.Next() % 5; k > 0; --k) letters[in.Next() % L] = "ACGTRYN"[in.Next() % 7];
    Guide guide{"g" + std::to_string(g), letters};
    FUZZ_CHECK(CheckGuide(guide, 0).ok(), "a guide");
    guides.push_back(guide);
  }

  Engine built(EngineKind::kFast, 1);
  FUZZ_CHECK(built.LoadGenome(std::move(ref)).ok() && built.BuildSeedIndex().ok(), "an index");
  const std::string path = Dir() + "/t.qvi";
  const Status wrote = WriteSavedIndex(*Env::Default(), path, built.store(), built.fast_index(), IndexSource(),
                                       nullptr, {TableShapeFor(pam, maxGuide, built.reference().total())}, 1,
                                       nullptr, (mode & 0x80) ? 64 : 0);
  FUZZ_CHECK(wrote.ok(), "saved with its table");
  std::unique_ptr<SavedIndex> saved;
  IndexOpenOptions o;
  o.verify = IndexOpenOptions::Verify::kWhenTouched;
  o.lettersAtOpen = false;
  FUZZ_CHECK(SavedIndex::Open(path, saved, o).ok(), "opened");
  SiteTableView view;
  FUZZ_CHECK(saved->FindSiteTable(pam, view), "its table found");
  GuideSearchOptions so;
  so.mis = mis;
  FUZZ_CHECK(TableAnswers(view, pam, guides, so), "the table answers");
  FUZZ_CHECK(CheckSiteTable(view, path).ok(), "the table adds up");
  const Reference mapped = saved->MakeReference();
  std::vector<GuideSite> scanned, looked;
  GuideSearchCounts sc, lc;
  FUZZ_CHECK(SearchGuides(mapped, guides, pam, so, scanned, &sc).ok(), "the scan");
  test::SiteCollector into;
  FUZZ_CHECK(SearchSiteTable(mapped, view, guides, so, into, &lc).ok(), "the table's search");
  looked = std::move(into.sites);
  std::sort(looked.begin(), looked.end(), GuideSiteBefore);
  FUZZ_CHECK(looked == scanned, "the table's sites differ from the scan's");
  FUZZ_CHECK(lc.pamSites == sc.pamSites, "the table's PAM site count differs from the scan's");
  return 0;
}
