#include "guides/guide_search.h"

#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <mutex>
#include <optional>
#include <tuple>

#include "engine/bucket_scan.h"
#include "guides/bulge_search.h"
#include "guides/guide_sites.h"
#include "common/iupac.h"
#include "common/parallel_for.h"

namespace quorvane {
namespace {

constexpr uint64_t kLowBits = 0x1111111111111111ULL;
// Keys a guide's piece may expand to (its IUPAC letters) before the guide
// is compared with every site instead.
constexpr uint64_t kMaxPieceKeys = 256;

// The guides of one length, packed as the sites are (word j of guide g at
// words[g * nWords + j]), with the keys each piece of each guide looks up.
struct GuideGroup {
  int length = 0;
  int nWords = 0;
  std::vector<uint32_t> index;  // each packed guide's index in the list
  std::vector<uint64_t> words;
  std::vector<GuidePiece> pieces;
  // keys[g][p]: the keys of piece p of guide g; empty for all pieces of a
  // guide compared with every site (scan[g]).
  std::vector<std::array<std::vector<uint32_t>, kMaxPieces>> keys;
  std::vector<bool> scan;
  uint64_t lowMask[kMaxGuideWords] = {};                // bit 4i of every letter of word j
  uint64_t pieceMask[kMaxPieces][kMaxGuideWords] = {};  // the same, of the letters of piece p's key
};

// Shared bases folded to bit 4i of every letter.
inline uint64_t Shared(uint64_t x) {
  x |= x >> 1;
  x |= x >> 2;
  return x & kLowBits;
}

// The mismatching letters of site i against guide g, one bit a letter,
// and their number. kPopcnt names the build of the loops with the
// processor's popcount instruction (see CompareBlockPopcnt).
template <bool kPopcnt>
inline int Mismatches(const SiteBlock& b, size_t i, const GuideGroup& grp, const uint64_t* gw, uint64_t* miss) {
  int mis = 0;
  for (int j = 0; j < grp.nWords; ++j) {
    miss[j] = ~Shared(b.words[i * grp.nWords + j] & gw[j]) & grp.lowMask[j];
    mis += __builtin_popcountll(miss[j]);
  }
  return mis;
}

// Compares guide g with every site of b, the first word first: it must
// already hold at least its letters minus mis matches.
template <bool kPopcnt>
inline void ScanGuide(const SiteBlock& b, const GuideGroup& grp, size_t g, int mis, uint32_t seq,
                      std::vector<GuideSite>& out) {
  const uint64_t* gw = grp.words.data() + g * grp.nWords;
  const uint64_t g0 = gw[0];
  const int len0 = std::min(grp.length, kLettersPerWord);
  const int need0 = len0 - mis;
  const uint64_t* w = b.words.data();
  const size_t n = b.size();
  const int W = grp.nWords;
  for (size_t i = 0; i < n; ++i) {
    if (__builtin_popcountll(Shared(w[i * W] & g0)) < need0) continue;
    uint64_t miss[kMaxGuideWords];
    const int m = Mismatches<kPopcnt>(b, i, grp, gw, miss);
    if (m <= mis) out.push_back(GuideSite{grp.index[g], seq, b.start[i], b.strand[i], static_cast<int8_t>(m)});
  }
}

// The sites of b where some piece of guide g lies exactly (the pigeonhole:
// a site within mis mismatches has one of the mis + 1 pieces without any),
// each verified whole and kept once: by the first piece whose key letters
// all match (a site found through a later piece has none such before it).
template <bool kPopcnt>
inline void LookUpGuide(const SiteBlock& b, const std::vector<std::vector<uint32_t>>& offsets,
                        const std::vector<std::vector<uint32_t>>& entries, const GuideGroup& grp, size_t g, int mis,
                        uint32_t seq, std::vector<GuideSite>& out) {
  const uint64_t* gw = grp.words.data() + g * grp.nWords;
  for (size_t p = 0; p < grp.pieces.size(); ++p) {
    for (uint32_t key : grp.keys[g][p]) {
      const uint32_t* e = entries[p].data();
      for (uint32_t k = offsets[p][key]; k < offsets[p][key + 1]; ++k) {
        const size_t i = e[k];
        uint64_t miss[kMaxGuideWords];
        const int m = Mismatches<kPopcnt>(b, i, grp, gw, miss);
        if (m > mis) continue;
        bool earlier = false;
        for (size_t q = 0; q < p && !earlier; ++q) {
          uint64_t any = 0;
          for (int j = 0; j < grp.nWords; ++j) any |= miss[j] & grp.pieceMask[q][j];
          earlier = any == 0;
        }
        if (!earlier) out.push_back(GuideSite{grp.index[g], seq, b.start[i], b.strand[i], static_cast<int8_t>(m)});
      }
    }
  }
}

// What one thread of a search keeps from one stretch to the next.
struct Worker {
  SiteScratch scratch;
  BulgeScratch bulges;
  std::vector<GuideSite> out;
  SiteBlock block;
  std::vector<std::vector<uint32_t>> offsets, entries;  // per piece: where each key's sites begin, the sites
  std::vector<uint32_t> fill;
};

// Every guide of grp against the sites of b.
// Hands a task's sites on once they pass this many, so that a block of
// many sites never gathers them all.
constexpr size_t kHandOnSites = size_t{1} << 16;

using HandOn = std::function<void(std::vector<GuideSite>&)>;

template <bool kPopcnt>
inline void CompareBlockT(const SiteBlock& b, const GuideGroup& grp, int mis, uint32_t seq, Worker& wk,
                          std::vector<GuideSite>& out, const HandOn& handOn) {
  // Each piece's sites grouped by key (a counting sort).
  std::vector<std::vector<uint32_t>>& offsets = wk.offsets;
  std::vector<std::vector<uint32_t>>& entries = wk.entries;
  offsets.resize(grp.pieces.size());
  entries.resize(grp.pieces.size());
  for (size_t p = 0; p < grp.pieces.size(); ++p) {
    const size_t buckets = size_t{1} << (2 * grp.pieces[p].keyLetters);
    std::vector<uint32_t>& off = offsets[p];
    off.assign(buckets + 1, 0);
    const std::vector<uint32_t>& keys = b.keys[p];
    for (uint32_t k : keys) {
      if (k != kNoKey) ++off[k + 1];
    }
    for (size_t k = 0; k < buckets; ++k) off[k + 1] += off[k];
    entries[p].resize(off[buckets]);
    std::vector<uint32_t>& fill = wk.fill;
    fill.assign(off.begin(), off.end() - 1);
    for (size_t i = 0; i < keys.size(); ++i) {
      if (keys[i] != kNoKey) entries[p][fill[keys[i]]++] = static_cast<uint32_t>(i);
    }
  }
  for (size_t g = 0; g < grp.index.size(); ++g) {
    if (grp.scan[g]) {
      ScanGuide<kPopcnt>(b, grp, g, mis, seq, out);
    } else {
      LookUpGuide<kPopcnt>(b, offsets, entries, grp, g, mis, seq, out);
    }
    if (out.size() >= kHandOnSites) handOn(out);
  }
}

void CompareBlockScalar(const SiteBlock& b, const GuideGroup& grp, int mis, uint32_t seq, Worker& wk,
                        std::vector<GuideSite>& out, const HandOn& handOn) {
  CompareBlockT<false>(b, grp, mis, seq, wk, out, handOn);
}

__attribute__((target("popcnt"), flatten)) void CompareBlockPopcnt(const SiteBlock& b, const GuideGroup& grp, int mis,
                                                                   uint32_t seq, Worker& wk,
                                                                   std::vector<GuideSite>& out,
                                                                   const HandOn& handOn) {
  CompareBlockT<true>(b, grp, mis, seq, wk, out, handOn);
}

// One stretch of positions of one sequence.
struct Task {
  uint32_t seq;
  int64_t begin, end;  // site starts, 0-based, within the sequence
};

std::vector<Task> TasksFor(const Reference& ref, int S, int64_t block) {
  std::vector<Task> tasks;
  for (size_t q = 0; q < ref.count(); ++q) {
    const RefSeq& r = ref.seq(q);
    const int64_t n = r.length;
    if (n < S) continue;
    const int64_t starts = r.circular ? n : n - S + 1;
    for (int64_t b = 0; b < starts; b += block) {
      tasks.push_back(Task{static_cast<uint32_t>(q), b, std::min(starts, b + block)});
    }
  }
  return tasks;
}

// The keys of the first kl letters of a guide from at on: every choice of
// the bases its IUPAC letters name; empty when they would pass limit.
std::vector<uint32_t> PieceKeys(const std::string& letters, int at, int kl, uint64_t limit) {
  // Every choice of codes, letter by letter, then each made a key.
  std::vector<std::vector<uint8_t>> choices = {{}};
  for (int i = 0; i < kl; ++i) {
    const uint8_t set = kIupacSet[static_cast<unsigned char>(letters[static_cast<size_t>(at + i)])];
    if (choices.size() * static_cast<uint64_t>(__builtin_popcount(set)) > limit) return {};
    std::vector<std::vector<uint8_t>> next;
    for (const auto& c : choices) {
      for (uint8_t code = 0; code < 4; ++code) {
        if (set & (1u << code)) {
          next.push_back(c);
          next.back().push_back(code);
        }
      }
    }
    choices.swap(next);
  }
  std::vector<uint32_t> keys;
  for (const auto& c : choices) keys.push_back(PieceKey(c.data(), kl));
  return keys;
}

std::vector<GuideGroup> GroupByLength(const std::vector<Guide>& guides, int mis) {
  std::map<int, GuideGroup> groups;
  for (size_t g = 0; g < guides.size(); ++g) {
    const std::string& s = guides[g].letters;
    GuideGroup& grp = groups[static_cast<int>(s.size())];
    if (grp.length == 0) {
      grp.length = static_cast<int>(s.size());
      grp.nWords = (grp.length + kLettersPerWord - 1) / kLettersPerWord;
      grp.pieces = CutGuide(grp.length, mis + 1);
      for (int i = 0; i < grp.length; ++i)
        grp.lowMask[i / kLettersPerWord] |= uint64_t{1} << (4 * (i % kLettersPerWord));
      for (size_t p = 0; p < grp.pieces.size(); ++p) {
        for (int i = grp.pieces[p].at; i < grp.pieces[p].at + grp.pieces[p].keyLetters; ++i) {
          grp.pieceMask[p][i / kLettersPerWord] |= uint64_t{1} << (4 * (i % kLettersPerWord));
        }
      }
    }
    grp.index.push_back(static_cast<uint32_t>(g));
    const size_t at = grp.words.size();
    grp.words.resize(at + grp.nWords, 0);
    for (int j = 0; j < grp.length; ++j) {
      grp.words[at + j / kLettersPerWord] |= uint64_t{kIupacSet[static_cast<unsigned char>(s[j])]}
                                             << (4 * (j % kLettersPerWord));
    }
    // A guide whose pieces, with their IUPAC letters, would draw more
    // than half of all sites is compared with every site instead.
    std::array<std::vector<uint32_t>, kMaxPieces> keys;
    double share = 0;
    bool scan = false;
    for (size_t p = 0; p < grp.pieces.size() && !scan; ++p) {
      keys[p] = PieceKeys(s, grp.pieces[p].at, grp.pieces[p].keyLetters, kMaxPieceKeys);
      scan = keys[p].empty();
      share += static_cast<double>(keys[p].size()) / static_cast<double>(uint64_t{1} << (2 * grp.pieces[p].keyLetters));
    }
    scan = scan || share > 0.5;
    if (scan) keys = {};
    grp.keys.push_back(std::move(keys));
    grp.scan.push_back(scan);
  }
  std::vector<GuideGroup> out;
  for (auto& [len, grp] : groups) out.push_back(std::move(grp));
  return out;
}

}  // namespace

void SinkGate::HandOn(std::vector<GuideSite>& batch) {
  if (batch.empty()) return;
  std::lock_guard<std::mutex> hold(mu_);
  if (!shut()) {
    Status st = sink_.Take(batch);
    if (!st.ok()) {
      failure_ = st;
      shut_ = true;
    }
  }
  batch.clear();
}

bool GuideSiteBefore(const GuideSite& a, const GuideSite& b) {
  const int ab = a.dnaBulge + a.rnaBulge, bb = b.dnaBulge + b.rnaBulge;
  return std::tie(a.guide, ab, a.mis, a.seq, a.start, a.strand, a.dnaBulge) <
         std::tie(b.guide, bb, b.mis, b.seq, b.start, b.strand, b.dnaBulge);
}

Status SearchGuides(const Reference& ref, const std::vector<Guide>& guides, const Pam& pam,
                    const GuideSearchOptions& opt, GuideSiteSink& sink, GuideSearchCounts* counts) {
  // The processors that run the mapping's AVX2 loops count bits in one
  // instruction too; QUORVANE_SCAN=scalar forces the plain build here as well.
  const bool popcnt = UseAvx2();
  const bool bulges = opt.dnaBulge > 0 || opt.rnaBulge > 0;
  const BulgeLimits lim{opt.mis, opt.dnaBulge, opt.rnaBulge};
  std::atomic<int64_t> pamSites{0};
  std::atomic<bool> stopped{false};
  // Threads beyond the processor's would only wait.
  tbb::task_arena arena(PassThreads(opt.threads));
  std::vector<Worker> workers(static_cast<size_t>(arena.max_concurrency()));
  // The sites found go to the sink one batch at a time.
  SinkGate gate(sink);
  const HandOn handOn = [&](std::vector<GuideSite>& out) { gate.HandOn(out); };
  for (const GuideGroup& grp : GroupByLength(guides, opt.mis)) {
    std::optional<BulgeGroup> bulged;
    if (bulges) bulged.emplace(guides, grp.index, grp.length, pam, lim);
    // With bulges, every PAM with room for the shortest protospacer.
    const SiteShape sh = ShapeOf(bulged ? bulged->shortLen() : grp.length, pam);
    const std::vector<GuidePiece> noPieces;
    const std::vector<Task> tasks = TasksFor(ref, sh.length, std::max<int64_t>(1, opt.blockPositions));
    arena.execute([&] {
      tbb::parallel_for(size_t{0}, tasks.size(), [&](size_t ti) {
        if (stopped.load(std::memory_order_relaxed) || gate.shut()) return;
        if (opt.stop && opt.stop()) {
          stopped = true;
          return;
        }
        const Task& t = tasks[ti];
        Worker& wk = workers[static_cast<size_t>(tbb::this_task_arena::current_thread_index())];
        SiteBlock& b = wk.block;
        CollectSites(ref, t.seq, t.begin, t.end, sh, bulged ? noPieces : grp.pieces, wk.scratch, b);
        pamSites += static_cast<int64_t>(b.size());
        if (bulged) {
          bulged->Compare(ref, b, t.seq, wk.bulges, wk.out, kHandOnSites, handOn);
        } else if (popcnt) {
          CompareBlockPopcnt(b, grp, opt.mis, t.seq, wk, wk.out, handOn);
        } else {
          CompareBlockScalar(b, grp, opt.mis, t.seq, wk, wk.out, handOn);
        }
        handOn(wk.out);
      });
    });
    if (stopped) return Status::Interrupted("stopped");
    if (gate.shut()) return gate.failure();
  }
  if (counts != nullptr) counts->pamSites = pamSites;
  return Status::OK();
}

namespace {

// Gathers the sites in memory, up to a limit.
class CollectingSink final : public GuideSiteSink {
 public:
  CollectingSink(std::vector<GuideSite>& sites, int64_t limit) : sites_(sites), limit_(limit) {}
  Status Take(std::vector<GuideSite>& batch) override {
    if (static_cast<int64_t>(sites_.size() + batch.size()) > limit_) {
      return Status::BadInput("more than " + std::to_string(limit_) +
                              " sites: give fewer or longer guides, or fewer mismatches");
    }
    sites_.insert(sites_.end(), batch.begin(), batch.end());
    batch.clear();
    return Status::OK();
  }

 private:
  std::vector<GuideSite>& sites_;
  int64_t limit_;
};

}  // namespace

Status SearchGuides(const Reference& ref, const std::vector<Guide>& guides, const Pam& pam,
                    const GuideSearchOptions& opt, std::vector<GuideSite>& sites, GuideSearchCounts* counts) {
  sites.clear();
  CollectingSink sink(sites, opt.maxSites);
  const Status st = SearchGuides(ref, guides, pam, opt, static_cast<GuideSiteSink&>(sink), counts);
  if (!st.ok()) {
    sites.clear();
    return st;
  }
  std::sort(sites.begin(), sites.end(), GuideSiteBefore);
  return Status::OK();
}

std::string SiteLetters(const Reference& ref, const GuideSite& site, int len) {
  const RefSeq& r = ref.seq(site.seq);
  const char* g = ref.letters() + r.offset;
  std::string s(static_cast<size_t>(len), 'N');
  for (int k = 0; k < len; ++k) {
    const int64_t off = site.strand == Strand::kDirect ? k : len - 1 - k;
    const int64_t p = (site.start + off) % r.length;
    const char c = g[p];
    if (site.strand == Strand::kDirect) {
      s[k] = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    } else {
      s[k] = kIupacComplement[static_cast<unsigned char>(c)];
    }
  }
  return s;
}

}  // namespace quorvane
