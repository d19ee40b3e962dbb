#include "saved_index/index_writer.h"

#include <cstring>
#include <vector>

#include "common/nucleotide.h"
#include "saved_index/body_writer.h"
#include "saved_index/site_table_writer.h"

namespace quorvane {

Status WriteSavedIndex(Env& env, const std::string& path, const GenomeStore& store, const FastIndex& index,
                       const IndexSource& source, const std::function<void(double)>& progress,
                       const std::vector<SiteTableShape>& tables, int threads, const std::function<bool()>& stop,
                       uint64_t tableBuildBytes) {
  const Reference& ref = store.ref();
  const FastIndexTables& t = index.tables();
  // The head, the sequence table, the names and the stretches, laid out
  // in memory; then the body's sections, each aligned.
  std::string names;
  std::vector<SeqEntry> seqs;
  for (const RefSeq& q : ref.seqs()) {
    seqs.push_back({static_cast<uint64_t>(q.offset), static_cast<uint64_t>(q.length), names.size(),
                    static_cast<uint32_t>(q.name.size()), q.circular ? 1u : 0u});
    names += q.name;
  }
  names += source.path;
  const auto& uncoded = store.uncoded();
  // The site tables are counted first: the head holds their directory.
  std::vector<SiteTableCount> counted(tables.size());
  for (size_t i = 0; i < tables.size(); ++i) {
    const Status st = CountSiteTable(ref, tables[i], threads, stop, counted[i],
                                     tableBuildBytes != 0 ? tableBuildBytes : kTableBuildBytes);
    if (!st.ok()) return st;
  }
  std::vector<PamTableEntry> dir(tables.size());
  IndexHead h;
  std::memset(&h, 0, sizeof h);
  std::memcpy(h.magic, kIndexMagic, sizeof h.magic);
  h.version = kIndexVersion;
  h.step = static_cast<uint32_t>(t.step);
  h.letters = static_cast<uint64_t>(ref.total());
  h.sequences = seqs.size();
  h.entries = t.entries;
  h.segments = t.segments;
  h.segmentBits = t.segmentBits;
  h.uncodedCount = uncoded.size();
  h.blockShift = kIndexBlockShift;
  h.pamTables = static_cast<uint32_t>(tables.size());
  h.seqTableAt = IndexAlign(sizeof h + sizeof(PamTableEntry) * dir.size());
  h.namesAt = IndexAlign(h.seqTableAt + sizeof(SeqEntry) * seqs.size());
  h.namesBytes = names.size();
  h.uncodedAt = IndexAlign(h.namesAt + names.size());
  h.lettersAt = IndexAlign(h.uncodedAt + 16 * uncoded.size());
  const uint64_t letterBytes = h.letters + kLetterPad;
  h.offAt = IndexAlign(h.lettersAt + letterBytes);
  const uint64_t offBytes = 8 * (uint64_t{kSeedCodes} + 1);
  h.posAt = IndexAlign(h.offAt + offBytes);
  const uint64_t posBytes = 4 * (t.entries + 1);
  h.ctxAt = IndexAlign(h.posAt + posBytes);
  const uint64_t ctxBytes = 4 * (t.entries + FastIndex::kScanPad);
  const uint64_t segBytes = t.segments > 1 ? 8 * uint64_t{kSeedCodes} * t.segments : 0;
  h.segAt = t.segments > 1 ? IndexAlign(h.ctxAt + ctxBytes) : 0;
  uint64_t next = IndexAlign(t.segments > 1 ? h.segAt + segBytes : h.ctxAt + ctxBytes);
  for (size_t i = 0; i < tables.size(); ++i) next = LayOutSiteTable(counted[i], next, dir[i]);
  h.sumsAt = next;
  for (const BodySection& s : BodySections(h, dir)) h.blocks += s.blocks;
  h.fileBytes = h.sumsAt + 8 * h.blocks + sizeof(IndexTail);
  h.sourceSize = source.path.empty() ? -1 : source.size;
  h.sourceMtimeNs = source.mtimeNs;
  h.sourcePathBytes = source.path.size();

  std::string meta(h.lettersAt, '\0');
  if (!dir.empty()) std::memcpy(meta.data() + sizeof h, dir.data(), sizeof(PamTableEntry) * dir.size());
  std::memcpy(meta.data() + h.seqTableAt, seqs.data(), sizeof(SeqEntry) * seqs.size());
  std::memcpy(meta.data() + h.namesAt, names.data(), names.size());
  for (size_t i = 0; i < uncoded.size(); ++i) {
    const int64_t pair[2] = {uncoded[i].first, uncoded[i].second};
    std::memcpy(meta.data() + h.uncodedAt + 16 * i, pair, 16);
  }
  h.namesChecksum = BlockSum(meta.data() + h.seqTableAt, h.lettersAt - h.seqTableAt);
  std::memcpy(meta.data(), &h, sizeof h);
  h.headChecksum = BlockSum(meta.data(), h.seqTableAt);
  std::memcpy(meta.data(), &h, sizeof h);

  // Written beside its name, so that a failure leaves an earlier file there
  // as it was, and renamed when whole.
  BodyWriter out(env, path, h.fileBytes, progress);
  Status st = out.Begin(meta, h.blockShift);
  auto section = [&](uint64_t at, const void* data, uint64_t bytes) {
    if (st.ok()) st = out.Section(at);
    if (st.ok()) st = out.Append(data, bytes);
  };
  section(h.lettersAt, ref.letters(), letterBytes);
  section(h.offAt, t.off, offBytes);
  section(h.posAt, t.pos, posBytes);
  section(h.ctxAt, t.ctx, ctxBytes);
  if (t.segments > 1) section(h.segAt, t.seg, segBytes);
  for (size_t i = 0; i < tables.size() && st.ok(); ++i) {
    st = WriteSiteTable(ref, counted[i], dir[i], threads, stop, out,
                        tableBuildBytes != 0 ? tableBuildBytes : kTableBuildBytes);
  }
  if (st.ok()) st = out.Finish(h.sumsAt);
  return st;
}

}  // namespace quorvane
