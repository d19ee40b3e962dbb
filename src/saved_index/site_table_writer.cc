#include "saved_index/site_table_writer.h"

#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "common/big_array.h"
#include "common/parallel_for.h"

namespace quorvane {
namespace {

// Anchors one task of a pass covers.
constexpr int64_t kStretch = int64_t{1} << 20;

struct Stretch {
  uint32_t seq;
  int64_t begin, end;
};

std::vector<Stretch> StretchesOf(const Reference& ref) {
  std::vector<Stretch> out;
  for (size_t q = 0; q < ref.count(); ++q) {
    const int64_t n = ref.seq(q).length;
    for (int64_t b = 0; b < n; b += kStretch) out.push_back(Stretch{static_cast<uint32_t>(q), b, std::min(n, b + kStretch)});
  }
  return out;
}

// Runs fn(stretch index, thread slot) over stretches [from, to) on
// threads threads; false when stop said so.
template <typename Fn>
bool EachStretch(size_t from, size_t to, int threads, const std::function<bool()>& stop, Fn&& fn) {
  std::atomic<bool> stopped{false};
  tbb::task_arena arena(PassThreads(threads));
  arena.execute([&] {
    tbb::parallel_for(from, to, [&](size_t i) {
      if (stopped.load(std::memory_order_relaxed)) return;
      if (stop && stop()) {
        stopped = true;
        return;
      }
      fn(i, static_cast<size_t>(tbb::this_task_arena::current_thread_index()));
    });
  });
  return !stopped;
}

// Appends the odd sites of stretches [from, to) in genome order to out;
// false when stop said so.
bool OddSitesOf(const Reference& ref, const SiteTableShape& shape, const std::vector<Stretch>& all, size_t from,
                size_t to, int threads, const std::function<bool()>& stop, std::vector<uint64_t>& out) {
  std::vector<std::vector<uint64_t>> odd(to - from);
  const bool done = EachStretch(from, to, threads, stop, [&](size_t i, size_t) {
    ForEachTableSite(ref, all[i].seq, all[i].begin, all[i].end, shape, [&](const TableSite& t) {
      if (!t.regular) odd[i - from].push_back(shape.Entry(t.anchor, t.compl_, 0));
    });
  });
  for (const auto& v : odd) out.insert(out.end(), v.begin(), v.end());
  return done;
}

}  // namespace

Status CountSiteTable(const Reference& ref, const SiteTableShape& shape, int threads,
                      const std::function<bool()>& stop, SiteTableCount& out, uint64_t buildBytes) {
  out.shape = shape;
  const uint64_t keys = shape.keys();
  const std::vector<Stretch> all = StretchesOf(ref);
  struct Slot {
    std::vector<uint64_t> near, far;
  };
  std::vector<Slot> slots(static_cast<size_t>(PassThreads(threads)));
  for (Slot& s : slots) {
    s.near.assign(keys, 0);
    s.far.assign(keys, 0);
  }
  // The odd sites of each stretch, kept while they fit in the budget.
  std::vector<std::vector<uint64_t>> odd(all.size());
  std::atomic<uint64_t> oddCount{0};
  const uint64_t oddLimit = buildBytes / 8;
  const bool done = EachStretch(0, all.size(), threads, stop, [&](size_t i, size_t slot) {
    Slot& s = slots[slot];
    std::vector<uint64_t>& mine = odd[i];
    ForEachTableSite(ref, all[i].seq, all[i].begin, all[i].end, shape, [&](const TableSite& t) {
      if (t.regular) {
        ++s.near[t.nearKey];
        ++s.far[t.farKey];
      } else {
        mine.push_back(shape.Entry(t.anchor, t.compl_, 0));
      }
    });
    if (oddCount.fetch_add(mine.size()) + mine.size() > oddLimit) std::vector<uint64_t>().swap(mine);
  });
  if (!done) return Status::Interrupted("stopped");
  out.nearStarts.assign(keys + 1, 0);
  out.farStarts.assign(keys + 1, 0);
  for (const Slot& s : slots) {
    for (uint64_t k = 0; k < keys; ++k) {
      out.nearStarts[k + 1] += s.near[k];
      out.farStarts[k + 1] += s.far[k];
    }
  }
  for (uint64_t k = 0; k < keys; ++k) {
    out.nearStarts[k + 1] += out.nearStarts[k];
    out.farStarts[k + 1] += out.farStarts[k];
  }
  out.sites = out.nearStarts[keys];
  out.odd = oddCount;
  out.oddKept = out.odd <= oddLimit;
  out.oddEntries.clear();
  if (out.oddKept) {
    out.oddEntries.reserve(out.odd);
    for (const auto& v : odd) out.oddEntries.insert(out.oddEntries.end(), v.begin(), v.end());
  }
  return Status::OK();
}

uint64_t LayOutSiteTable(const SiteTableCount& c, uint64_t at, PamTableEntry& e) {
  std::memset(&e, 0, sizeof e);
  std::memcpy(e.pam, c.shape.pam.letters.data(), std::min(sizeof e.pam, c.shape.pam.letters.size()));
  e.pamLength = static_cast<uint32_t>(c.shape.pam.letters.size());
  e.fivePrime = c.shape.pam.fivePrime ? 1 : 0;
  e.maxGuide = static_cast<uint32_t>(c.shape.maxGuide);
  e.keyLetters = static_cast<uint32_t>(c.shape.keyLetters);
  e.positionBits = static_cast<uint32_t>(c.shape.positionBits);
  e.sites = c.sites;
  e.oddSites = c.odd;
  const uint64_t startBytes = 8 * (c.shape.keys() + 1);
  e.nearAt = IndexAlign(at);
  e.farAt = IndexAlign(e.nearAt + 8 * c.sites);
  e.nearStartsAt = IndexAlign(e.farAt + 8 * c.sites);
  e.farStartsAt = IndexAlign(e.nearStartsAt + startBytes);
  e.oddAt = IndexAlign(e.farStartsAt + startBytes);
  return IndexAlign(e.oddAt + 8 * c.odd);
}

Status WriteSiteTable(const Reference& ref, SiteTableCount& c, const PamTableEntry& e, int threads,
                      const std::function<bool()>& stop, BodyWriter& out, uint64_t buildBytes) {
  const SiteTableShape& shape = c.shape;
  const uint64_t keys = shape.keys();
  const std::vector<Stretch> all = StretchesOf(ref);
  const uint64_t budget = std::max<uint64_t>(buildBytes / 8, 1);
  // Keys go in groups of 2^fineBits (at most 1,024 groups in all): a
  // pass over the genome drops each site into its group's stretch of the
  // buffer through a small per-thread buffer per group, so that the
  // writes run in streams; then each group, a few MB, is sorted into its
  // keys in the processor's caches.
  const int fineBits = std::max(0, 2 * shape.keyLetters - 10);
  const uint64_t groupKeys = uint64_t{1} << fineBits;
  constexpr int kCarry = 16;  // entries a thread gathers per group before it writes them
  struct Carry {
    std::vector<uint64_t> entries;  // kCarry per group
    std::vector<uint16_t> fine;
    std::vector<uint8_t> count;
  };
  const size_t groups = static_cast<size_t>(keys / groupKeys);
  std::vector<Carry> carries(static_cast<size_t>(PassThreads(threads)));
  BigArray<uint64_t> buf;
  BigArray<uint16_t> fineOf;
  auto order = [&](bool near, uint64_t at) -> Status {
    const std::vector<uint64_t>& starts = near ? c.nearStarts : c.farStarts;
    Status st = out.Section(at);
    for (uint64_t g0 = 0; st.ok() && g0 < groups;) {
      // The groups [g0, g1) whose entries fit in the budget (one at least).
      uint64_t g1 = g0 + 1;
      while (g1 < groups && starts[(g1 + 1) * groupKeys] - starts[g0 * groupKeys] <= budget) ++g1;
      const uint64_t k0 = g0 * groupKeys, k1 = g1 * groupKeys;
      const uint64_t base = starts[k0], n = starts[k1] - base;
      if (n == 0) {
        g0 = g1;
        continue;
      }
      if (!buf.Allocate(n) || !fineOf.Allocate(n)) return Status::NoMemory("no memory for the PAM site table");
      uint64_t* const slots = buf.get();
      uint16_t* const fines = fineOf.get();
      std::vector<std::atomic<uint64_t>> cursor(g1 - g0);
      for (uint64_t g = g0; g < g1; ++g) cursor[g - g0].store(starts[g * groupKeys] - base, std::memory_order_relaxed);
      for (Carry& cr : carries) {
        cr.entries.resize(groups * kCarry);
        cr.fine.resize(groups * kCarry);
        cr.count.assign(groups, 0);
      }
      auto flush = [&](Carry& cr, uint64_t g) {
        const uint8_t m = cr.count[g];
        if (m == 0) return;
        const uint64_t pos = cursor[g - g0].fetch_add(m, std::memory_order_relaxed);
        std::memcpy(slots + pos, cr.entries.data() + g * kCarry, 8 * m);
        std::memcpy(fines + pos, cr.fine.data() + g * kCarry, 2 * m);
        cr.count[g] = 0;
      };
      const bool done = EachStretch(0, all.size(), threads, stop, [&](size_t i, size_t slot) {
        Carry& cr = carries[slot];
        ForEachTableSite(ref, all[i].seq, all[i].begin, all[i].end, shape, [&](const TableSite& t) {
          if (!t.regular) return;
          const uint64_t key = near ? t.nearKey : t.farKey;
          if (key < k0 || key >= k1) return;
          const uint64_t g = key >> fineBits;
          const size_t at = g * kCarry + cr.count[g];
          cr.entries[at] = shape.Entry(t.anchor, t.compl_, near ? t.farKey : t.nearKey);
          cr.fine[at] = static_cast<uint16_t>(key & (groupKeys - 1));
          if (++cr.count[g] == kCarry) flush(cr, g);
        });
      });
      if (!done) return Status::Interrupted("stopped");
      for (Carry& cr : carries) {
        for (uint64_t g = g0; g < g1; ++g) flush(cr, g);
      }
      // Each group into its keys, each key's entries sorted.
      tbb::task_arena arena(PassThreads(threads));
      arena.execute([&] {
        tbb::parallel_for(g0, g1, [&](uint64_t g) {
          const uint64_t* gs = starts.data() + g * groupKeys;
          const uint64_t from = gs[0] - base, to = gs[groupKeys] - base;
          if (to == from) return;
          thread_local std::vector<uint64_t> sorted;
          thread_local std::vector<uint64_t> put;
          sorted.resize(to - from);
          put.assign(gs, gs + groupKeys);
          for (uint64_t i = from; i < to; ++i) sorted[put[fines[i]]++ - (gs[0])] = slots[i];
          for (uint64_t k = 0; k < groupKeys; ++k) {
            std::sort(sorted.begin() + static_cast<int64_t>(gs[k] - gs[0]),
                      sorted.begin() + static_cast<int64_t>(gs[k + 1] - gs[0]));
          }
          std::memcpy(slots + from, sorted.data(), 8 * (to - from));
        });
      });
      st = out.Append(slots, 8 * n);
      g0 = g1;
    }
    return st;
  };
  Status st = order(true, e.nearAt);
  if (st.ok()) st = order(false, e.farAt);
  buf.reset();
  fineOf.reset();
  std::vector<Carry>().swap(carries);
  if (st.ok()) st = out.Section(e.nearStartsAt);
  if (st.ok()) st = out.Append(c.nearStarts.data(), 8 * (keys + 1));
  if (st.ok()) st = out.Section(e.farStartsAt);
  if (st.ok()) st = out.Append(c.farStarts.data(), 8 * (keys + 1));
  if (st.ok()) st = out.Section(e.oddAt);
  if (!st.ok()) return st;
  if (c.oddKept) {
    st = out.Append(c.oddEntries.data(), 8 * c.oddEntries.size());
    std::vector<uint64_t>().swap(c.oddEntries);
    return st;
  }
  // Too many to keep: found again, stretches a batch at a time.
  const size_t batch = static_cast<size_t>(PassThreads(threads)) * 8;
  std::vector<uint64_t> odd;
  for (size_t from = 0; st.ok() && from < all.size(); from += batch) {
    odd.clear();
    if (!OddSitesOf(ref, shape, all, from, std::min(all.size(), from + batch), threads, stop, odd)) {
      return Status::Interrupted("stopped");
    }
    if (!odd.empty()) st = out.Append(odd.data(), 8 * odd.size());
  }
  return st;
}

}  // namespace quorvane
