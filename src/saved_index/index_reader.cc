#include "saved_index/index_reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "common/nucleotide.h"

namespace quorvane {

bool IsSavedIndexFile(Env& env, const std::string& path) {
  struct stat st;
  if (path == "-" || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::string head;
  return ReadFileHead(env, path, sizeof kIndexMagic, head).ok() && IsSavedIndexHead(head);
}

struct SavedIndex::Mapping {
  void* addr = MAP_FAILED;
  size_t bytes = 0;
  ~Mapping() {
    if (addr != MAP_FAILED) ::munmap(addr, bytes);
  }
};

namespace {

// Opens path and maps it whole; the head must be there.
Status MapFile(const std::string& path, void*& addr, size_t& bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Status::CantOpen("can't open " + path);
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return Status::BadInput("saved index is no regular file\n" + path);
  }
  bytes = static_cast<size_t>(st.st_size);
  if (bytes < sizeof(IndexHead)) {
    ::close(fd);
    return Status::BadInput("saved index is truncated\n" + path);
  }
  addr = ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED, fd, 0);
  ::close(fd);
  if (addr == MAP_FAILED) return Status::CantOpen("can't open " + path);
  return Status::OK();
}

}  // namespace

Status ReadSavedIndexShape(const std::string& path, int64_t& letters, int64_t& sequences) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Status::CantOpen("can't open " + path);
  IndexHead h;
  struct stat st;
  const bool whole = ::fstat(fd, &st) == 0 && ::pread(fd, &h, sizeof h, 0) == static_cast<ssize_t>(sizeof h);
  ::close(fd);
  if (!whole) return Status::BadInput("saved index is truncated\n" + path);
  const Status s = CheckIndexHead(h, static_cast<uint64_t>(st.st_size), path);
  if (!s.ok()) return s;
  letters = static_cast<int64_t>(h.letters);
  sequences = static_cast<int64_t>(h.sequences);
  return Status::OK();
}

Status SavedIndex::Open(const std::string& path, std::unique_ptr<SavedIndex>& out) {
  auto map = std::make_shared<Mapping>();
  Status st = MapFile(path, map->addr, map->bytes);
  if (!st.ok()) return st;
  const char* base = static_cast<const char*>(map->addr);
  const uint64_t size = map->bytes;
  IndexHead h;
  std::memcpy(&h, base, sizeof h);
  st = CheckIndexHead(h, size, path);
  if (!st.ok()) return st;
  // Every section within the file, in the order written, before anything
  // of them is read.
  const uint64_t posBytes = 4 * (h.entries + 1), ctxBytes = 4 * (h.entries + FastIndex::kScanPad);
  const bool sane =
      h.letters <= static_cast<uint64_t>(kMaxGnmLen) && h.sequences <= h.letters + (uint64_t{1} << 32) &&
      (h.step == 1 || h.step == 2) && h.segmentBits >= 8 && h.segmentBits <= 32 && h.segments >= 1 &&
      h.segments <= (uint32_t{1} << 20) && h.entries <= h.letters + 64 * h.sequences &&
      h.uncodedCount <= h.letters && IndexSectionWithin(h.seqTableAt, sizeof(SeqEntry) * h.sequences, size) &&
      IndexSectionWithin(h.namesAt, h.namesBytes, size) && h.sourcePathBytes <= h.namesBytes &&
      IndexSectionWithin(h.uncodedAt, 16 * h.uncodedCount, size) && h.lettersAt >= sizeof h &&
      IndexSectionWithin(h.lettersAt, h.letters + kLetterPad, size) && IndexSectionWithin(h.offAt, 8 * (uint64_t{kSeedCodes} + 1), size) &&
      IndexSectionWithin(h.posAt, posBytes, size) && IndexSectionWithin(h.ctxAt, ctxBytes, size) &&
      (h.segments == 1 || IndexSectionWithin(h.segAt, 8 * uint64_t{kSeedCodes} * h.segments, size));
  if (!sane) return Status::BadInput(IndexDamaged("its head does not describe it", path));
  {
    IndexHead zero = h;
    zero.metaChecksum = 0;
    std::string meta(base, h.lettersAt);
    std::memcpy(meta.data(), &zero, sizeof zero);
    if (Checksum64(meta.data(), meta.size()) != h.metaChecksum) {
      return Status::BadInput(IndexDamaged("its head does not match its checksum", path));
    }
  }
  const char* letters = base + h.lettersAt;
  // The letters are read whole at once for their checksum: asked for
  // ahead, from the page they begin on.
  const uint64_t page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
  const uint64_t from = h.lettersAt / page * page;
  ::madvise(const_cast<char*>(base) + from, h.lettersAt + h.letters - from, MADV_WILLNEED);
  if (Checksum64(letters, h.letters) != h.lettersChecksum) {
    return Status::BadInput(IndexDamaged("its letters do not match their checksum", path));
  }
  auto idx = std::unique_ptr<SavedIndex>(new SavedIndex());
  const char* names = base + h.namesAt;
  const SeqEntry* entries = reinterpret_cast<const SeqEntry*>(base + h.seqTableAt);
  uint64_t expect = 0;
  for (uint64_t i = 0; i < h.sequences; ++i) {
    const SeqEntry& e = entries[i];
    if (e.offset != expect || e.length > h.letters - e.offset || e.nameAt > h.namesBytes ||
        e.nameBytes > h.namesBytes - e.nameAt) {
      return Status::BadInput(IndexDamaged("its sequence table does not add up", path));
    }
    RefSeq q;
    q.name.assign(names + e.nameAt, e.nameBytes);
    q.offset = static_cast<int64_t>(e.offset);
    q.length = static_cast<int64_t>(e.length);
    q.circular = e.circular != 0;
    idx->seqs_.push_back(std::move(q));
    expect += e.length;
  }
  const uint64_t* off = reinterpret_cast<const uint64_t*>(base + h.offAt);
  if (expect != h.letters || off[0] != 0 || off[kSeedCodes] != h.entries) {
    return Status::BadInput(IndexDamaged("its tables do not add up", path));
  }
  for (int c = 0; c < kSeedCodes; ++c) {
    if (off[c] > off[c + 1]) return Status::BadInput(IndexDamaged("its tables do not add up", path));
  }
  idx->source_.path.assign(names + h.namesBytes - h.sourcePathBytes, h.sourcePathBytes);
  idx->source_.size = h.sourceSize;
  idx->source_.mtimeNs = h.sourceMtimeNs;
  // An index made from a genome file that has changed since no longer
  // tells the truth about it.
  if (!idx->source_.path.empty()) {
    const IndexSource now = SourceOf(idx->source_.path);
    if (!now.path.empty() && (now.size != idx->source_.size || now.mtimeNs != idx->source_.mtimeNs)) {
      return Status::BadInput("saved index is stale: its genome file changed after it was made\n" +
                              idx->source_.path + "\n" + path);
    }
  }
  idx->letterData_ = letters;
  idx->letters_ = static_cast<int64_t>(h.letters);
  idx->uncoded_ = reinterpret_cast<const int64_t*>(base + h.uncodedAt);
  idx->uncodedCount_ = h.uncodedCount;
  FastIndexTables& t = idx->tables_;
  t.step = static_cast<int>(h.step);
  t.entries = h.entries;
  t.segments = h.segments;
  t.segmentBits = h.segmentBits;
  t.off = off;
  t.pos = reinterpret_cast<const uint32_t*>(base + h.posAt);
  t.ctx = reinterpret_cast<const uint32_t*>(base + h.ctxAt);
  t.seg = h.segments > 1 ? reinterpret_cast<const uint64_t*>(base + h.segAt) : nullptr;
  idx->map_ = std::move(map);
  out = std::move(idx);
  return Status::OK();
}

Status OpenSavedIndexForRun(const std::string& path, bool linear, std::unique_ptr<SavedIndex>& out) {
  if (linear) {
    return Status::BadInput(
        "--linear is given when the saved index is made (quorvane-map index --linear GENOME -o NAME), not to a run "
        "from it\n" + path);
  }
  return SavedIndex::Open(path, out);
}

Reference SavedIndex::MakeReference() const { return Reference::View(seqs_, letterData_, letters_, map_); }

std::vector<std::pair<int64_t, int64_t>> SavedIndex::Uncoded() const {
  std::vector<std::pair<int64_t, int64_t>> out;
  out.reserve(uncodedCount_);
  for (uint64_t i = 0; i < uncodedCount_; ++i) out.emplace_back(uncoded_[2 * i], uncoded_[2 * i + 1]);
  return out;
}

}  // namespace quorvane
