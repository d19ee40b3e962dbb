#include "guides/site_table_search.h"

#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <set>
#include <utility>

#include "common/iupac.h"
#include "common/parallel_for.h"
#include "guides/guide_plan.h"

namespace quorvane {
namespace {

// Hands a thread's sites on once they pass this many.
constexpr size_t kHandOnSites = size_t{1} << 16;

// One thread's part of a search.
class TableSearcher {
 public:
  TableSearcher(const Reference& ref, const SiteTableView& t, int mis) : ref_(ref), t_(t), mis_(mis) {
    P_ = static_cast<int>(t.shape.pam.letters.size());
  }

  // Adds guide p's lookups to the batch (p must stay where it is until
  // the batch is done); a guide compared with every site is done at once.
  // False when a block read was damaged or the table does not add up.
  bool Add(const GuidePlan& p, std::vector<GuideSite>& out) {
    out_ = &out;
    p_ = &p;
    const int k = t_.shape.keyLetters;
    if (p.everySite) {
      for (uint32_t key = 0; key < t_.shape.keys(); ++key) {
        const int m = p.nearMis(key);
        if (m <= mis_ && !NearKey(key, m)) return false;
      }
      return OddSites();
    }
    plans_.push_back(&p);
    const uint32_t guide = static_cast<uint32_t>(plans_.size() - 1);
    ListKeys(p.sets, k, p.tNear, keys_);
    for (const auto& [key, m] : keys_) order_.push_back(Packed(false, key, m, guide));
    ListKeys(p.sets + k, p.farLetters, p.tFar, keys_);
    const int shift = 2 * (k - p.farLetters);
    for (const auto& [prefix, m] : keys_) order_.push_back(Packed(true, prefix << shift, m, guide));
    return true;
  }

  // Lookups waiting in the batch.
  size_t waiting() const { return order_.size(); }

  // Runs the batch's lookups in key order, each order in turn, so that
  // they pass through the table once rather than jumping about it; then
  // the odd sites of each guide. Sites into out.
  bool Run(std::vector<GuideSite>& out) {
    out_ = &out;
    // A radix sort by the order and the first key, 11 bits a pass: two
    // passes for keys of up to 20 bits with the order's bit.
    spare_.resize(order_.size());
    for (int pass = 0; pass < 2; ++pass) {
      const int shift = kKeyShift + 11 * pass;
      size_t count[2049] = {};
      for (const uint64_t o : order_) ++count[((o >> shift) & 2047) + 1];
      for (size_t d = 0; d < 2048; ++d) count[d + 1] += count[d];
      for (const uint64_t o : order_) spare_[count[(o >> shift) & 2047]++] = o;
      order_.swap(spare_);
    }
    bool whole = true;
    const int k = t_.shape.keyLetters;
    for (const uint64_t o : order_) {
      p_ = plans_[o & ((uint64_t{1} << kMisShift) - 1)];
      const int m = static_cast<int>((o >> kMisShift) & 7);
      const uint32_t from = static_cast<uint32_t>((o >> kKeyShift) & ((uint64_t{1} << 20) - 1));
      if (o >> kFarShift) {
        whole = FarKeys(from, from + (uint32_t{1} << 2 * (k - p_->farLetters)), m);
      } else {
        whole = NearKey(from, m);
      }
      if (!whole) break;
    }
    for (size_t g = 0; g < plans_.size() && whole; ++g) {
      p_ = plans_[g];
      whole = OddSites();
    }
    order_.clear();
    plans_.clear();
    return whole;
  }

 private:
  bool Whole(const void* at, size_t bytes) { return t_.check == nullptr || bytes == 0 || t_.check->Whole(at, bytes); }

  // The entries of the near key key, whose letters have m mismatches.
  bool NearKey(uint32_t key, int m) {
    const uint64_t lo = t_.nearStarts[key], hi = t_.nearStarts[key + 1];
    if (!Whole(t_.near + lo, (hi - lo) * 8)) return false;
    for (uint64_t i = lo; i < hi; ++i) {
      const uint64_t e = t_.near[i];
      const int total = m + p_->farMis(t_.shape.OtherKeyOf(e));
      if (total <= mis_ && !Finish(e, total)) return false;
    }
    return true;
  }

  // The entries of the far keys [from, to), whose letters within the guide
  // have m mismatches; those the near lookup found are passed over.
  bool FarKeys(uint32_t from, uint32_t to, int m) {
    const uint64_t lo = t_.farStarts[from], hi = t_.farStarts[to];
    if (!Whole(t_.far + lo, (hi - lo) * 8)) return false;
    for (uint64_t i = lo; i < hi; ++i) {
      const uint64_t e = t_.far[i];
      const int near = p_->nearMis(t_.shape.OtherKeyOf(e));
      if (near <= p_->tNear) continue;
      if (near + m <= mis_ && !Finish(e, near + m)) return false;
    }
    return true;
  }

  // Where a site lies: its sequence, its anchor within it, its start for
  // the guide; false past the genome's letters (a table that does not add
  // up).
  bool Place(uint64_t e, uint32_t& seq, int64_t& a, int64_t& start, bool& left) {
    const uint64_t anchor = t_.shape.AnchorOf(e);
    if (anchor >= static_cast<uint64_t>(ref_.total())) {
      bad_ = true;
      return false;
    }
    seq = ref_.SeqAt(static_cast<int64_t>(anchor));
    const RefSeq& r = ref_.seq(seq);
    a = static_cast<int64_t>(anchor) - r.offset;
    left = RunsLeft(t_.shape.pam.fivePrime, t_.shape.ComplOf(e));
    start = left ? a - p_->length : a;
    if (start < 0) start += r.length;
    return true;
  }

  // Verifies the letters of a site of the guide before they are read.
  bool SiteWhole(const RefSeq& r, int64_t start) {
    if (t_.check == nullptr) return true;
    const char* g = ref_.letters() + r.offset;
    const int64_t len = std::min<int64_t>(p_->length + P_, r.length);
    const int64_t first = std::min(len, r.length - start);
    return Whole(g + start, static_cast<size_t>(first)) && Whole(g, static_cast<size_t>(len - first));
  }

  // Mismatches of letters [from, length) of the guide at the site, added
  // to m; stops past the limit.
  int Letters(const RefSeq& r, int64_t a, bool left, bool compl_, int from, int m) const {
    const unsigned char* g = reinterpret_cast<const unsigned char*>(ref_.letters() + r.offset);
    for (int i = from; i < p_->length && m <= mis_; ++i) {
      int64_t q = left ? a - 1 - i : a + P_ + i;
      if (q < 0) q += r.length;
      if (q >= r.length) q -= r.length;
      uint8_t b = kBaseBit[g[q]];
      if (compl_) b = ComplementSet(b);
      if ((b & p_->sets[i]) == 0) ++m;
    }
    return m;
  }

  // A regular site whose key letters have m mismatches: the letters past
  // the keys compared, and the site kept within the limit.
  bool Finish(uint64_t e, int m) {
    uint32_t seq;
    int64_t a, start;
    bool left;
    if (!Place(e, seq, a, start, left)) return false;
    const RefSeq& r = ref_.seq(seq);
    if (!SiteWhole(r, start)) return false;
    const bool compl_ = t_.shape.ComplOf(e);
    const int keyed = 2 * t_.shape.keyLetters;
    if (p_->length > keyed) m = Letters(r, a, left, compl_, keyed, m);
    if (m <= mis_) Keep(seq, start, compl_, m);
    return true;
  }

  // Every odd site compared whole.
  bool OddSites() {
    if (!Whole(t_.odd, t_.oddSites * 8)) return false;
    for (uint64_t i = 0; i < t_.oddSites; ++i) {
      const uint64_t e = t_.odd[i];
      uint32_t seq;
      int64_t a, start;
      bool left;
      if (!Place(e, seq, a, start, left)) return false;
      const RefSeq& r = ref_.seq(seq);
      if (!Fits(r, a, left, p_->length, P_)) continue;
      if (!SiteWhole(r, start)) return false;
      const bool compl_ = t_.shape.ComplOf(e);
      const int m = Letters(r, a, left, compl_, 0, 0);
      if (m <= mis_) Keep(seq, start, compl_, m);
    }
    return true;
  }

  void Keep(uint32_t seq, int64_t start, bool compl_, int m) {
    out_->push_back(GuideSite{p_->index, seq, start, compl_ ? Strand::kCompl : Strand::kDirect, static_cast<int8_t>(m)});
  }

 public:
  // Whether a site at anchor a (within r) has room for a guide of length
  // letters and its PAM.
  static bool Fits(const RefSeq& r, int64_t a, bool left, int length, int P) {
    if (r.circular) return r.length >= length + P;
    return left ? a - length >= 0 : a + P + length <= r.length;
  }
  bool bad() const { return bad_; }

 private:
  const Reference& ref_;
  const SiteTableView& t_;
  int mis_;
  int P_ = 0;
  const GuidePlan* p_ = nullptr;
  std::vector<GuideSite>* out_ = nullptr;
  std::vector<std::pair<uint32_t, int>> keys_;
  // The batch's lookups, each one key's entries to read for one guide,
  // packed in 64 bits so that they sort as numbers: the order (1 for the
  // far one), its first key, the mismatches of the key's letters, the
  // guide in plans_.
  static constexpr int kMisShift = 37, kKeyShift = 40, kFarShift = 60;
  static uint64_t Packed(bool far, uint32_t key, int mis, uint32_t guide) {
    return uint64_t{far} << kFarShift | uint64_t{key} << kKeyShift | uint64_t(mis) << kMisShift | guide;
  }
  std::vector<uint64_t> order_, spare_;
  std::vector<const GuidePlan*> plans_;
  bool bad_ = false;
};

std::string TableDamaged(const std::string& why) {
  return "saved index is damaged: its PAM site table " + why + ": make it again with quorvane-map index";
}

}  // namespace

bool TableAnswers(const SiteTableView& table, const Pam& pam, const std::vector<Guide>& guides,
                  const GuideSearchOptions& opt) {
  if (opt.dnaBulge > 0 || opt.rnaBulge > 0) return false;
  if (table.shape.pam.letters != pam.letters || table.shape.pam.fivePrime != pam.fivePrime) return false;
  for (const Guide& g : guides) {
    if (!TableServes(table.shape, static_cast<int>(g.letters.size()))) return false;
  }
  return true;
}

Status CheckSiteTable(const SiteTableView& t, const std::string& path) {
  const uint64_t starts = t.shape.keys() + 1;
  if (t.check != nullptr && (!t.check->Whole(t.nearStarts, starts * 8) || !t.check->Whole(t.farStarts, starts * 8))) {
    return t.check->failure();
  }
  for (const uint64_t* s : {t.nearStarts, t.farStarts}) {
    bool rising = s[0] == 0 && s[starts - 1] == t.sites;
    for (uint64_t i = 1; i < starts && rising; ++i) rising = s[i - 1] <= s[i];
    if (!rising) return Status::BadInput(TableDamaged("does not add up") + "\n" + path);
  }
  return Status::OK();
}

Status SearchSiteTable(const Reference& ref, const SiteTableView& table, const std::vector<Guide>& guides,
                       const GuideSearchOptions& opt, GuideSiteSink& sink, GuideSearchCounts* counts) {
  const int P = static_cast<int>(table.shape.pam.letters.size());
  std::atomic<bool> stopped{false}, damaged{false}, bad{false};
  SinkGate gate(sink);

  // The PAM sites of each guide length, as the scan counts them: every
  // regular site, and the odd ones with room for the guide.
  if (counts != nullptr) {
    if (table.check != nullptr && !table.check->Whole(table.odd, table.oddSites * 8)) return table.check->failure();
    std::set<int> lengths;
    for (const Guide& g : guides) lengths.insert(static_cast<int>(g.letters.size()));
    int64_t pamSites = 0;
    for (int L : lengths) {
      pamSites += static_cast<int64_t>(table.sites);
      for (uint64_t i = 0; i < table.oddSites; ++i) {
        const uint64_t e = table.odd[i];
        const uint64_t anchor = table.shape.AnchorOf(e);
        if (anchor >= static_cast<uint64_t>(ref.total())) {
          return Status::BadInput(TableDamaged("does not add up"));
        }
        const RefSeq& r = ref.seq(ref.SeqAt(static_cast<int64_t>(anchor)));
        const bool left = RunsLeft(table.shape.pam.fivePrime, table.shape.ComplOf(e));
        if (TableSearcher::Fits(r, static_cast<int64_t>(anchor) - r.offset, left, L, P)) ++pamSites;
      }
    }
    counts->pamSites = pamSites;
  }

  // Each thread takes guides a range at a time and looks them up in
  // batches of about kBatchLookups keys: enough for the batch's pass
  // through the table to keep near keys together, few enough that its
  // buffers stay in the processor's caches from one batch to the next.
  constexpr size_t kBatchLookups = size_t{1} << 16;
  const int threads = PassThreads(opt.threads);
  const size_t grain = std::max<size_t>(1, guides.size() / (4 * static_cast<size_t>(threads)));
  tbb::task_arena arena(threads);
  arena.execute([&] {
    tbb::parallel_for(tbb::blocked_range<size_t>(0, guides.size(), grain), [&](const tbb::blocked_range<size_t>& range) {
      TableSearcher searcher(ref, table, opt.mis);
      std::vector<GuideSite> out;
      std::deque<GuidePlan> plans;
      auto fail = [&] {
        (searcher.bad() ? bad : damaged) = true;
        gate.Shut();
      };
      for (size_t g = range.begin(); g != range.end(); ++g) {
        if (stopped || gate.shut()) return;
        if (opt.stop && opt.stop()) {
          stopped = true;
          return;
        }
        plans.push_back(PlanGuide(table, guides[g], static_cast<uint32_t>(g), opt.mis));
        if (!searcher.Add(plans.back(), out)) return fail();
        if (searcher.waiting() >= kBatchLookups) {
          if (!searcher.Run(out)) return fail();
          plans.clear();
        }
        if (out.size() >= kHandOnSites) gate.HandOn(out);
      }
      if (!searcher.Run(out)) return fail();
      gate.HandOn(out);
    });
  });
  if (bad) return Status::BadInput(TableDamaged("does not add up"));
  if (damaged) return table.check->failure();
  if (stopped) return Status::Interrupted("stopped");
  return gate.failure();
}

}  // namespace quorvane
