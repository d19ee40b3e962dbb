// Builds the PAM site tables of a saved index (see guides/site_table.h):
// a first pass counts the sites of each key, so that the directory in the
// head knows every section's size before the file is begun; then each
// order is written a range of keys at a time, the genome passed over once
// per range, so that the build holds at most kTableBuildBytes of entries
// whatever the genome's size.
#ifndef QUORVANE_SAVED_INDEX_SITE_TABLE_WRITER_H_
#define QUORVANE_SAVED_INDEX_SITE_TABLE_WRITER_H_

#include <cstdint>
#include <functional>
#include <vector>

#include "common/status.h"
#include "engine/reference.h"
#include "guides/site_table.h"
#include "saved_index/body_writer.h"
#include "saved_index/index_layout.h"

namespace quorvane {

// Bytes of entries a table's build holds at once, beside the genome and
// its seed index: one order of NGG's sites of 3 billion letters.
inline constexpr uint64_t kTableBuildBytes = uint64_t{3} << 30;

// What the counting pass found for one table.
struct SiteTableCount {
  SiteTableShape shape;
  uint64_t sites = 0;  // regular
  uint64_t odd = 0;
  std::vector<uint64_t> nearStarts, farStarts;  // keys + 1 each
  // The odd sites' entries in genome order, kept by the count when they
  // fit in its budget; else found again when written.
  std::vector<uint64_t> oddEntries;
  bool oddKept = false;
};

// Counts the sites of shape's table in ref on threads threads, and keeps
// the odd ones while they take at most buildBytes. stop, when given, is
// asked between stretches; true ends it with kInterrupted.
Status CountSiteTable(const Reference& ref, const SiteTableShape& shape, int threads,
                      const std::function<bool()>& stop, SiteTableCount& out, uint64_t buildBytes = kTableBuildBytes);

// Fills the directory entry of a counted table, its sections laid out
// from at on (64-byte aligned); returns where the next section may begin.
uint64_t LayOutSiteTable(const SiteTableCount& c, uint64_t at, PamTableEntry& e);

// Writes the sections of a counted table through out, whose next section
// begins at e.nearAt: both orders, their key starts, the odd sites.
// buildBytes bounds the entries held at once (tests make it small).
// Fails with the writer's failure or kInterrupted.
Status WriteSiteTable(const Reference& ref, SiteTableCount& c, const PamTableEntry& e, int threads,
                      const std::function<bool()>& stop, BodyWriter& out, uint64_t buildBytes = kTableBuildBytes);

}  // namespace quorvane

#endif  // QUORVANE_SAVED_INDEX_SITE_TABLE_WRITER_H_
