#include "saved_index/site_table_writer.h"

#include <tbb/parallel_for.h>
#include <tbb/task_arena.h>

#include <algorithm>
#include <atomic>
#include <cstring>

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
bool EachStretch(size_t from, size_t to, int threads,
                 const std::function<bool()>& stop, Fn&& fn) {
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

int Slots(int threads) { return PassThreads(threads); }

}  // namespace

Status CountSiteTable(const Reference& ref, const SiteTableShape& shape, int threads,
                      const std::function<bool()>& stop, SiteTableCount& out) {
  out.shape = shape;
  const uint64_t keys = shape.keys();
  const std::vector<Stretch> all = StretchesOf(ref);
  struct Slot {
    std::vector<uint64_t> near, far;
    uint64_t odd = 0;
  };
  std::vector<Slot> slots(static_cast<size_t>(Slots(threads)));
  for (Slot& s : slots) {
    s.near.assign(keys, 0);
    s.far.assign(keys, 0);
  }
  const bool done = EachStretch(0, all.size(), threads, stop, [&](size_t i, size_t slot) {
    Slot& s = slots[slot];
    ForEachTableSite(ref, all[i].seq, all[i].begin, all[i].end, shape, [&](const TableSite& t) {
      if (!t.regular) {
        ++s.odd;
        return;
      }
      ++s.near[t.nearKey];
      ++s.far[t.farKey];
    });
  });
  if (!done) return Status::Interrupted("stopped");
  out.nearStarts.assign(keys + 1, 0);
  out.farStarts.assign(keys + 1, 0);
  out.odd = 0;
  for (const Slot& s : slots) {
    out.odd += s.odd;
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

Status WriteSiteTable(const Reference& ref, const SiteTableCount& c, const PamTableEntry& e, int threads,
                      const std::function<bool()>& stop, BodyWriter& out, uint64_t buildBytes) {
  const SiteTableShape& shape = c.shape;
  const uint64_t keys = shape.keys();
  const std::vector<Stretch> all = StretchesOf(ref);
  const uint64_t budget = std::max<uint64_t>(buildBytes / 8, 1);
  std::vector<uint64_t> buf;
  // One order: its keys a range at a time, each range's entries placed by
  // a pass over the genome, then each key's entries sorted, so that the
  // file is the same whatever the threads.
  auto order = [&](bool near, uint64_t at) -> Status {
    const std::vector<uint64_t>& starts = near ? c.nearStarts : c.farStarts;
    Status st = out.Section(at);
    for (uint64_t k0 = 0; st.ok() && k0 < keys;) {
      uint64_t k1 = k0 + 1;
      while (k1 < keys && starts[k1 + 1] - starts[k0] <= budget) ++k1;
      const uint64_t base = starts[k0], n = starts[k1] - base;
      if (n > 0) {
        buf.assign(n, 0);
        std::vector<std::atomic<uint64_t>> fill(k1 - k0);
        for (uint64_t k = k0; k < k1; ++k) fill[k - k0].store(starts[k] - base, std::memory_order_relaxed);
        const bool done = EachStretch(0, all.size(), threads, stop, [&](size_t i, size_t) {
          ForEachTableSite(ref, all[i].seq, all[i].begin, all[i].end, shape, [&](const TableSite& t) {
            if (!t.regular) return;
            const uint64_t key = near ? t.nearKey : t.farKey;
            if (key < k0 || key >= k1) return;
            const uint64_t other = near ? t.farKey : t.nearKey;
            buf[fill[key - k0].fetch_add(1, std::memory_order_relaxed)] = shape.Entry(t.anchor, t.compl_, other);
          });
        });
        if (!done) return Status::Interrupted("stopped");
        tbb::task_arena arena(PassThreads(threads));
        arena.execute([&] {
          tbb::parallel_for(k0, k1, [&](uint64_t k) {
            std::sort(buf.begin() + static_cast<int64_t>(starts[k] - base),
                      buf.begin() + static_cast<int64_t>(starts[k + 1] - base));
          });
        });
        st = out.Append(buf.data(), 8 * n);
      }
      k0 = k1;
    }
    return st;
  };
  Status st = order(true, e.nearAt);
  if (st.ok()) st = order(false, e.farAt);
  std::vector<uint64_t>().swap(buf);
  if (st.ok()) st = out.Section(e.nearStartsAt);
  if (st.ok()) st = out.Append(c.nearStarts.data(), 8 * (keys + 1));
  if (st.ok()) st = out.Section(e.farStartsAt);
  if (st.ok()) st = out.Append(c.farStarts.data(), 8 * (keys + 1));
  if (st.ok()) st = out.Section(e.oddAt);
  // The odd sites in genome order: stretches a batch at a time, each
  // stretch's sites apart, then appended in order.
  const size_t batch = static_cast<size_t>(std::max(1, Slots(threads)) * 8);
  std::vector<std::vector<uint64_t>> odd;
  for (size_t from = 0; st.ok() && from < all.size(); from += batch) {
    const size_t to = std::min(all.size(), from + batch);
    odd.assign(to - from, {});
    const bool done = EachStretch(from, to, threads, stop, [&](size_t i, size_t) {
      ForEachTableSite(ref, all[i].seq, all[i].begin, all[i].end, shape, [&](const TableSite& t) {
        if (!t.regular) odd[i - from].push_back(shape.Entry(t.anchor, t.compl_, 0));
      });
    });
    if (!done) return Status::Interrupted("stopped");
    for (const auto& v : odd) {
      if (st.ok() && !v.empty()) st = out.Append(v.data(), 8 * v.size());
    }
  }
  return st;
}

}  // namespace quorvane
