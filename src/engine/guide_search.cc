#include "engine/guide_search.h"

#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <atomic>
#include <map>
#include <tuple>

#include "engine/bucket_scan.h"
#include "engine/iupac.h"

namespace quorvane {
namespace {

// Genome positions per task: a task enumerates the sites that start
// there, on both strands, and compares them with every guide.
constexpr int64_t kBlockPositions = int64_t{1} << 15;
// Letters per 64-bit word of a protospacer, one 4-bit base set each.
constexpr int kLettersPerWord = 16;
constexpr int kMaxWords = (kMaxGuideLen + kLettersPerWord - 1) / kLettersPerWord;
constexpr uint64_t kLowBits = 0x1111111111111111ULL;

// The guides of one length, packed: word j of guide g at words[g * nWords
// + j], letter i of word j in bits 4i..4i+3 as its base set.
struct GuideGroup {
  int length = 0;
  int nWords = 0;
  std::vector<uint32_t> index;  // each packed guide's index in the list
  std::vector<uint64_t> words;
};

// The sites of one block of positions: their protospacers packed as the
// guides are (word j of every site side by side), their places.
struct SiteBlock {
  std::vector<uint64_t> words[kMaxWords];
  std::vector<int64_t> start;
  std::vector<Strand> strand;

  void Clear() {
    for (auto& w : words) w.clear();
    start.clear();
    strand.clear();
  }
};

// The letters of a site whose base sets share no base with the guide's.
// x holds the shared bases, 16 letters of 4 bits: each letter folds to its
// lowest bit.
inline int SharedLetters(uint64_t x) {
  x |= x >> 1;
  x |= x >> 2;
  return __builtin_popcountll(x & kLowBits);
}

__attribute__((target("popcnt"))) inline int SharedLettersPopcnt(uint64_t x) {
  x |= x >> 1;
  x |= x >> 2;
  return __builtin_popcountll(x & kLowBits);
}

// Compares every site of b with every guide of grp and appends those
// within mis mismatches to out. The first word decides almost every
// site: it must already hold at least its letters minus mis matches.
template <int (*Shared)(uint64_t)>
inline void CompareBlockT(const SiteBlock& b, const GuideGroup& grp, int mis, uint32_t seq,
                          std::vector<GuideSite>& out) {
  const size_t n = b.start.size();
  const int W = grp.nWords;
  const int len0 = std::min(grp.length, kLettersPerWord);
  const int need0 = len0 - mis;
  const uint64_t* w0 = b.words[0].data();
  for (size_t g = 0; g < grp.index.size(); ++g) {
    const uint64_t* gw = grp.words.data() + g * W;
    const uint64_t g0 = gw[0];
    for (size_t i = 0; i < n; ++i) {
      const int m0 = Shared(w0[i] & g0);
      if (m0 < need0) continue;
      int shared = m0;
      for (int j = 1; j < W; ++j) shared += Shared(b.words[j][i] & gw[j]);
      const int m = grp.length - shared;
      if (m <= mis) {
        out.push_back(GuideSite{grp.index[g], seq, b.start[i], b.strand[i], static_cast<int8_t>(m)});
      }
    }
  }
}

void CompareBlockScalar(const SiteBlock& b, const GuideGroup& grp, int mis, uint32_t seq,
                        std::vector<GuideSite>& out) {
  CompareBlockT<SharedLetters>(b, grp, mis, seq, out);
}

__attribute__((target("popcnt"), flatten)) void CompareBlockPopcnt(const SiteBlock& b, const GuideGroup& grp,
                                                                    int mis, uint32_t seq,
                                                                    std::vector<GuideSite>& out) {
  CompareBlockT<SharedLettersPopcnt>(b, grp, mis, seq, out);
}

// One block of positions of one sequence.
struct Task {
  uint32_t seq;
  int64_t begin, end;  // site starts, 0-based, within the sequence
};

// The layout of a site of one guide length: where its PAM and protospacer
// lie, 5' to 3' on the site's strand, and the PAM's base sets, the most
// demanding letters first.
struct SiteShape {
  int length = 0;     // guide plus PAM
  int guideLen = 0;
  int pamAt = 0;      // first PAM letter within the site
  int guideAt = 0;    // first protospacer letter within the site
  std::vector<std::pair<int, uint8_t>> pam;  // (letter within the site, base set)
};

SiteShape ShapeOf(int guideLen, const Pam& pam) {
  SiteShape s;
  const int P = static_cast<int>(pam.letters.size());
  s.guideLen = guideLen;
  s.length = guideLen + P;
  s.pamAt = pam.fivePrime ? 0 : guideLen;
  s.guideAt = pam.fivePrime ? P : 0;
  for (int k = 0; k < P; ++k) {
    const uint8_t set = kIupacSet[static_cast<unsigned char>(pam.letters[k])];
    s.pam.emplace_back(s.pamAt + k, set);
  }
  std::stable_sort(s.pam.begin(), s.pam.end(), [](const auto& a, const auto& b) {
    return __builtin_popcount(a.second) < __builtin_popcount(b.second);
  });
  return s;
}

// Enumerates the sites that start in the task's block, on both strands.
// base holds the base sets of the genome letters from the block's first
// position on, length + block - 1 of them (wrapped across a circular
// origin).
void EnumerateSites(const Task& t, const SiteShape& sh, const std::vector<uint8_t>& base, SiteBlock& b) {
  const int S = sh.length;
  const int nWords = (sh.guideLen + kLettersPerWord - 1) / kLettersPerWord;
  uint64_t w[kMaxWords];
  for (int64_t i = 0; i < t.end - t.begin; ++i) {
    const uint8_t* at = base.data() + i;
    // Direct strand: site letter k is at + k.
    bool ok = true;
    for (const auto& [k, set] : sh.pam) {
      if ((at[k] & set) == 0) {
        ok = false;
        break;
      }
    }
    if (ok) {
      std::fill(w, w + nWords, 0);
      for (int j = 0; j < sh.guideLen; ++j) {
        w[j / kLettersPerWord] |= uint64_t{at[sh.guideAt + j]} << (4 * (j % kLettersPerWord));
      }
      for (int j = 0; j < nWords; ++j) b.words[j].push_back(w[j]);
      b.start.push_back(t.begin + i);
      b.strand.push_back(Strand::kDirect);
    }
    // Complementary strand: site letter k pairs with at + S - 1 - k.
    ok = true;
    for (const auto& [k, set] : sh.pam) {
      if ((at[S - 1 - k] & ComplementSet(set)) == 0) {
        ok = false;
        break;
      }
    }
    if (ok) {
      std::fill(w, w + nWords, 0);
      for (int j = 0; j < sh.guideLen; ++j) {
        const uint8_t c = ComplementSet(at[S - 1 - sh.guideAt - j]);
        w[j / kLettersPerWord] |= uint64_t{c} << (4 * (j % kLettersPerWord));
      }
      for (int j = 0; j < nWords; ++j) b.words[j].push_back(w[j]);
      b.start.push_back(t.begin + i);
      b.strand.push_back(Strand::kCompl);
    }
  }
}

// The blocks of every sequence that holds a site of length S.
std::vector<Task> TasksFor(const Reference& ref, int S) {
  std::vector<Task> tasks;
  for (size_t q = 0; q < ref.count(); ++q) {
    const RefSeq& r = ref.seq(q);
    const int64_t n = r.length;
    if (n < S) continue;
    const int64_t starts = r.circular ? n : n - S + 1;
    for (int64_t b = 0; b < starts; b += kBlockPositions) {
      tasks.push_back(Task{static_cast<uint32_t>(q), b, std::min(starts, b + kBlockPositions)});
    }
  }
  return tasks;
}

std::vector<GuideGroup> GroupByLength(const std::vector<Guide>& guides) {
  std::map<int, GuideGroup> groups;
  for (size_t g = 0; g < guides.size(); ++g) {
    const std::string& s = guides[g].letters;
    GuideGroup& grp = groups[static_cast<int>(s.size())];
    grp.length = static_cast<int>(s.size());
    grp.nWords = (grp.length + kLettersPerWord - 1) / kLettersPerWord;
    grp.index.push_back(static_cast<uint32_t>(g));
    const size_t at = grp.words.size();
    grp.words.resize(at + grp.nWords, 0);
    for (int j = 0; j < grp.length; ++j) {
      grp.words[at + j / kLettersPerWord] |= uint64_t{kIupacSet[static_cast<unsigned char>(s[j])]}
                                             << (4 * (j % kLettersPerWord));
    }
  }
  std::vector<GuideGroup> out;
  for (auto& [len, grp] : groups) out.push_back(std::move(grp));
  return out;
}

}  // namespace

bool GuideSiteBefore(const GuideSite& a, const GuideSite& b) {
  return std::tie(a.guide, a.mis, a.seq, a.start, a.strand) < std::tie(b.guide, b.mis, b.seq, b.start, b.strand);
}

Status SearchGuides(const Reference& ref, const std::vector<Guide>& guides, const Pam& pam,
                    const GuideSearchOptions& opt, std::vector<GuideSite>& sites, GuideSearchCounts* counts) {
  sites.clear();
  const bool popcnt = UseAvx2();
  std::atomic<int64_t> found{0}, pamSites{0};
  std::atomic<bool> stopped{false}, tooMany{false};
  tbb::task_arena arena(std::max(1, opt.threads));
  for (const GuideGroup& grp : GroupByLength(guides)) {
    const SiteShape sh = ShapeOf(grp.length, pam);
    const std::vector<Task> tasks = TasksFor(ref, sh.length);
    std::vector<std::vector<GuideSite>> out(tasks.size());
    arena.execute([&] {
      tbb::parallel_for(size_t{0}, tasks.size(), [&](size_t ti) {
        if (stopped.load(std::memory_order_relaxed) || tooMany.load(std::memory_order_relaxed)) return;
        if (opt.stop && opt.stop()) {
          stopped = true;
          return;
        }
        const Task& t = tasks[ti];
        const RefSeq& r = ref.seq(t.seq);
        const char* letters = ref.letters() + r.offset;
        std::vector<uint8_t> base(static_cast<size_t>(t.end - t.begin + sh.length - 1));
        for (size_t i = 0; i < base.size(); ++i) {
          int64_t p = t.begin + static_cast<int64_t>(i);
          if (p >= r.length) p -= r.length;  // only a circular sequence's sites reach past its end
          base[i] = kBaseBit[static_cast<unsigned char>(letters[p])];
        }
        SiteBlock b;
        EnumerateSites(t, sh, base, b);
        pamSites += static_cast<int64_t>(b.start.size());
        std::vector<GuideSite>& o = out[ti];
        if (popcnt) {
          CompareBlockPopcnt(b, grp, opt.mis, t.seq, o);
        } else {
          CompareBlockScalar(b, grp, opt.mis, t.seq, o);
        }
        if (found.fetch_add(static_cast<int64_t>(o.size())) + static_cast<int64_t>(o.size()) > opt.maxSites) {
          tooMany = true;
        }
      });
    });
    if (stopped) return Status::Interrupted("stopped");
    if (tooMany) break;
    for (auto& v : out) {
      sites.insert(sites.end(), v.begin(), v.end());
      std::vector<GuideSite>().swap(v);
    }
  }
  if (tooMany) {
    sites.clear();
    return Status::BadInput("more than " + std::to_string(opt.maxSites) +
                            " sites: give fewer or longer guides, or fewer mismatches");
  }
  std::sort(sites.begin(), sites.end(), GuideSiteBefore);
  if (counts != nullptr) counts->pamSites = pamSites;
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
