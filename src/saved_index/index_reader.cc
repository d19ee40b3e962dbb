#include "saved_index/index_reader.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include <algorithm>

#include "common/big_array.h"
#include "common/iupac.h"
#include "common/nucleotide.h"

namespace quorvane {

bool IsSavedIndexFile(Env& env, const std::string& path) {
  struct stat st;
  if (path == "-" || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::string head;
  return ReadFileHead(env, path, sizeof kIndexMagic, head).ok() && IsSavedIndexHead(head);
}

// The file's bytes as the run sees them: mapped read-only, or read whole
// into memory of the run's own.
struct SavedIndex::Mapping {
  void* addr = MAP_FAILED;
  size_t bytes = 0;
  bool read = false;  // read into memory from AllocBig rather than mapped
  ~Mapping() {
    if (read) {
      FreeBig(addr);
    } else if (addr != MAP_FAILED) {
      ::munmap(addr, bytes);
    }
  }
};

namespace {

// Opens path for reading; a regular file of at least a head's bytes.
Status OpenIndexFile(const std::string& path, int& fd, size_t& bytes) {
  fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
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
  return Status::OK();
}

// Reads bytes [from, to) of the file fd into base + from.
bool ReadRange(int fd, char* base, uint64_t from, uint64_t to) {
  while (from < to) {
    const ssize_t got = ::pread(fd, base + from, static_cast<size_t>(std::min<uint64_t>(to - from, uint64_t{1} << 30)),
                                static_cast<off_t>(from));
    if (got <= 0) return false;
    from += static_cast<uint64_t>(got);
  }
  return true;
}

// Bytes each section needs at least, by the head.
struct Needs {
  uint64_t letters, off, pos, ctx, seg;
  explicit Needs(const IndexHead& h)
      : letters(h.letters + kLetterPad),
        off(8 * (uint64_t{kSeedCodes} + 1)),
        pos(4 * (h.entries + 1)),
        ctx(4 * (h.entries + FastIndex::kScanPad)),
        seg(h.segments > 1 ? 8 * uint64_t{kSeedCodes} * h.segments : 0) {}
};

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

const char* SavedIndex::At(uint64_t at) const { return base_ + at; }

Status SavedIndex::CheckMeta(const std::string& path) {
  const IndexHead& h = head_;
  const uint64_t size = map_->bytes;
  auto damaged = [&](const char* why) { return Status::BadInput(IndexDamaged(why, path)); };
  // The head first: nothing it says is trusted before its checksum.
  if (h.seqTableAt < sizeof h || h.seqTableAt > size || h.pamTables > 64 ||
      sizeof h + sizeof(PamTableEntry) * uint64_t{h.pamTables} > h.seqTableAt) {
    return damaged("its head does not describe it");
  }
  {
    std::string head(base_, h.seqTableAt);
    IndexHead zero = h;
    zero.headChecksum = 0;
    std::memcpy(head.data(), &zero, sizeof zero);
    if (BlockSum(head.data(), head.size()) != h.headChecksum) return damaged("its head does not match its checksum");
  }
  pams_.resize(h.pamTables);
  if (h.pamTables > 0) std::memcpy(pams_.data(), base_ + sizeof h, sizeof(PamTableEntry) * h.pamTables);
  const std::vector<BodySection> sections = BodySections(h, pams_);
  uint64_t blocks = 0;
  for (const BodySection& s : sections) blocks += s.blocks;
  const Needs need(h);
  auto fits = [&](size_t i, uint64_t bytes) {
    return i < sections.size() && sections[i].at % kIndexAlign == 0 && bytes <= sections[i].end - sections[i].at;
  };
  const bool sane =
      h.blockShift >= 12 && h.blockShift <= 24 && !sections.empty() && h.letters <= static_cast<uint64_t>(kMaxGnmLen) &&
      h.sequences <= h.letters + (uint64_t{1} << 32) && (h.step == 1 || h.step == 2) && h.segmentBits >= 8 &&
      h.segmentBits <= 32 && h.segments >= 1 && h.segments <= (uint32_t{1} << 20) &&
      h.entries <= h.letters + 64 * h.sequences && h.uncodedCount <= h.letters &&
      IndexSectionWithin(h.seqTableAt, sizeof(SeqEntry) * h.sequences, size) &&
      IndexSectionWithin(h.namesAt, h.namesBytes, size) && h.sourcePathBytes <= h.namesBytes &&
      IndexSectionWithin(h.uncodedAt, 16 * h.uncodedCount, size) && h.lettersAt >= h.seqTableAt &&
      h.namesAt >= h.seqTableAt && h.uncodedAt >= h.seqTableAt && h.namesAt + h.namesBytes <= h.lettersAt &&
      h.uncodedAt + 16 * h.uncodedCount <= h.lettersAt && h.seqTableAt + sizeof(SeqEntry) * h.sequences <= h.lettersAt &&
      fits(0, need.letters) && fits(1, need.off) && fits(2, need.pos) && fits(3, need.ctx) &&
      (h.segments == 1 || fits(4, need.seg)) && h.sumsAt <= size && blocks == h.blocks &&
      h.blocks <= (size - h.sumsAt) / 8 && h.fileBytes == h.sumsAt + 8 * h.blocks + sizeof(IndexTail);
  if (!sane || !TablesFit(sections)) return damaged("its head does not describe it");
  if (BlockSum(base_ + h.seqTableAt, h.lettersAt - h.seqTableAt) != h.namesChecksum) {
    return damaged("its sequence table and names do not match their checksum");
  }
  IndexTail tail;
  std::memcpy(&tail, base_ + h.fileBytes - sizeof tail, sizeof tail);
  const uint64_t* sums = reinterpret_cast<const uint64_t*>(base_ + h.sumsAt);
  if (std::memcmp(tail.mark, kIndexEndMark, sizeof tail.mark) != 0 ||
      BlockSum(sums, 8 * h.blocks) != tail.sumsChecksum) {
    return damaged("its block checksums do not match their checksum");
  }
  guard_ = std::make_shared<BlockGuard>(base_, sections, sums, h.blockShift, path);
  return Status::OK();
}

bool SavedIndex::TablesFit(const std::vector<BodySection>& sections) const {
  const IndexHead& h = head_;
  size_t s = h.segments > 1 ? 5 : 4;
  for (const PamTableEntry& p : pams_) {
    const size_t len = strnlen(p.pam, sizeof p.pam);
    bool ok = len == p.pamLength && len >= 1 && len <= static_cast<size_t>(kMaxPamLen) && p.fivePrime <= 1 &&
              p.keyLetters >= kMinTableKey && p.keyLetters <= kMaxTableKey && p.maxGuide >= 2 * p.keyLetters &&
              p.maxGuide <= kMaxGuideLen && p.positionBits == 63 - 2 * p.keyLetters &&
              h.letters < (uint64_t{1} << p.positionBits) && p.sites <= 2 * h.letters && p.oddSites <= 2 * h.letters;
    for (size_t i = 0; i < len && ok; ++i) ok = kIupacSet[static_cast<unsigned char>(p.pam[i])] != 0;
    const uint64_t startBytes = 8 * ((uint64_t{1} << (2 * p.keyLetters)) + 1);
    const uint64_t at[5] = {p.nearAt, p.farAt, p.nearStartsAt, p.farStartsAt, p.oddAt};
    const uint64_t bytes[5] = {8 * p.sites, 8 * p.sites, startBytes, startBytes, 8 * p.oddSites};
    for (int i = 0; i < 5 && ok; ++i, ++s) {
      ok = s < sections.size() && sections[s].at == at[i] && at[i] % kIndexAlign == 0 &&
           bytes[i] <= sections[s].end - sections[s].at;
    }
    if (!ok) return false;
  }
  return true;
}

void SavedIndex::PrepareTableRead(const SiteTableView& v) const {
#ifdef MADV_POPULATE_READ
  if (map_->read) return;
  const char* table = reinterpret_cast<const char*>(v.near);
  const char* tableEnd = reinterpret_cast<const char*>(v.odd + v.oddSites);
  const uint64_t letters = head_.offAt - head_.lettersAt;
  if (static_cast<uint64_t>(tableEnd - table) + letters > kVerifyAtOpenBytes) return;
  const uint64_t page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
  const uint64_t tableAt = static_cast<uint64_t>(table - base_);
  for (const auto& [from, to] : {std::pair{head_.lettersAt, head_.offAt},
                                 std::pair{tableAt, static_cast<uint64_t>(tableEnd - base_)}}) {
    const uint64_t at = from / page * page;
    ::madvise(const_cast<char*>(base_) + at, std::min<uint64_t>(to, map_->bytes) - at, MADV_POPULATE_READ);
  }
#else
  (void)v;
#endif
}

SiteTableView SavedIndex::TableView(size_t i) const {
  const PamTableEntry& p = pams_[i];
  SiteTableView v;
  v.shape.pam.letters.assign(p.pam, p.pamLength);
  v.shape.pam.fivePrime = p.fivePrime != 0;
  v.shape.maxGuide = static_cast<int>(p.maxGuide);
  v.shape.keyLetters = static_cast<int>(p.keyLetters);
  v.shape.positionBits = static_cast<int>(p.positionBits);
  v.sites = p.sites;
  v.oddSites = p.oddSites;
  v.near = reinterpret_cast<const uint64_t*>(base_ + p.nearAt);
  v.far = reinterpret_cast<const uint64_t*>(base_ + p.farAt);
  v.nearStarts = reinterpret_cast<const uint64_t*>(base_ + p.nearStartsAt);
  v.farStarts = reinterpret_cast<const uint64_t*>(base_ + p.farStartsAt);
  v.odd = reinterpret_cast<const uint64_t*>(base_ + p.oddAt);
  v.check = guard_->allVerified() ? nullptr : guard_.get();
  return v;
}

bool SavedIndex::FindSiteTable(const Pam& pam, SiteTableView& v) const {
  for (size_t i = 0; i < pams_.size(); ++i) {
    const PamTableEntry& p = pams_[i];
    if (std::string(p.pam, p.pamLength) == pam.letters && (p.fivePrime != 0) == pam.fivePrime) {
      v = TableView(i);
      return true;
    }
  }
  return false;
}

Status SavedIndex::ReadTables(const std::string& path) {
  const IndexHead& h = head_;
  const char* names = base_ + h.namesAt;
  const SeqEntry* entries = reinterpret_cast<const SeqEntry*>(base_ + h.seqTableAt);
  seqs_.clear();
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
    seqs_.push_back(std::move(q));
    expect += e.length;
  }
  const uint64_t* off = reinterpret_cast<const uint64_t*>(base_ + h.offAt);
  bool adds = expect == h.letters && off[0] == 0 && off[kSeedCodes] == h.entries;
  for (int c = 0; c < kSeedCodes && adds; ++c) adds = off[c] <= off[c + 1];
  if (!adds) return Status::BadInput(IndexDamaged("its tables do not add up", path));
  source_.path.assign(names + h.namesBytes - h.sourcePathBytes, h.sourcePathBytes);
  source_.size = h.sourceSize;
  source_.mtimeNs = h.sourceMtimeNs;
  // An index made from a genome file that has changed since no longer
  // tells the truth about it.
  if (!source_.path.empty()) {
    const IndexSource now = SourceOf(source_.path);
    if (!now.path.empty() && (now.size != source_.size || now.mtimeNs != source_.mtimeNs)) {
      return Status::BadInput("saved index is stale: its genome file changed after it was made\n" + source_.path +
                              "\n" + path);
    }
  }
  letterData_ = base_ + h.lettersAt;
  letters_ = static_cast<int64_t>(h.letters);
  uncoded_ = reinterpret_cast<const int64_t*>(base_ + h.uncodedAt);
  uncodedCount_ = h.uncodedCount;
  FastIndexTables& t = tables_;
  t.step = static_cast<int>(h.step);
  t.entries = h.entries;
  t.segments = h.segments;
  t.segmentBits = h.segmentBits;
  t.off = off;
  t.pos = reinterpret_cast<const uint32_t*>(base_ + h.posAt);
  t.ctx = reinterpret_cast<const uint32_t*>(base_ + h.ctxAt);
  t.seg = h.segments > 1 ? reinterpret_cast<const uint64_t*>(base_ + h.segAt) : nullptr;
  t.check = guard_->allVerified() ? nullptr : guard_.get();
  return Status::OK();
}

Status SavedIndex::MapUnverified(const std::string& path, std::unique_ptr<SavedIndex>& out) {
  auto idx = std::unique_ptr<SavedIndex>(new SavedIndex());
  auto map = std::make_shared<Mapping>();
  int fd = -1;
  Status st = OpenIndexFile(path, fd, map->bytes);
  if (!st.ok()) return st;
  map->addr = ::mmap(nullptr, map->bytes, PROT_READ, MAP_SHARED, fd, 0);
  ::close(fd);
  if (map->addr == MAP_FAILED) return Status::CantOpen("can't open " + path);
  idx->map_ = map;
  idx->base_ = static_cast<const char*>(map->addr);
  std::memcpy(&idx->head_, idx->base_, sizeof idx->head_);
  st = CheckIndexHead(idx->head_, map->bytes, path);
  if (st.ok()) st = idx->CheckMeta(path);
  if (!st.ok()) return st;
  out = std::move(idx);
  return Status::OK();
}

Status SavedIndex::ReadVerified(const std::string& path, std::unique_ptr<SavedIndex>& out) {
  auto idx = std::unique_ptr<SavedIndex>(new SavedIndex());
  auto map = std::make_shared<Mapping>();
  int fd = -1;
  Status st = OpenIndexFile(path, fd, map->bytes);
  if (!st.ok()) return st;
  map->addr = AllocBig(map->bytes);
  if (map->addr == nullptr) {
    ::close(fd);
    return Status::NoMemory("no mem Chns, ArrMisMatches");
  }
  map->read = true;
  idx->map_ = map;
  char* base = static_cast<char*>(map->addr);
  idx->base_ = base;
  const IndexHead& h = idx->head_;
  // The head, the names and the checksums first; then the body a piece at
  // a time, each block verified while it is still in the processor's
  // caches.
  bool whole = ReadRange(fd, base, 0, sizeof h);
  if (whole) {
    std::memcpy(&idx->head_, base, sizeof h);
    st = CheckIndexHead(h, map->bytes, path);
  }
  if (whole && st.ok()) {
    if (h.lettersAt < sizeof h || h.lettersAt > h.sumsAt || h.sumsAt > map->bytes) {
      st = Status::BadInput(IndexDamaged("its head does not describe it", path));
    } else {
      whole = ReadRange(fd, base, sizeof h, h.lettersAt) && ReadRange(fd, base, h.sumsAt, map->bytes);
      if (whole) st = idx->CheckMeta(path);
    }
  }
  constexpr uint64_t kPiece = uint64_t{1} << 21;
  for (uint64_t at = h.lettersAt; whole && st.ok() && at < h.sumsAt; at += kPiece) {
    const uint64_t to = std::min(h.sumsAt, at + kPiece);
    whole = ReadRange(fd, base, at, to);
    if (whole && !idx->guard_->VerifyThrough(to)) st = idx->guard_->failure();
  }
  ::close(fd);
  if (!whole) return Status::IoError("can't read " + path);
  if (!st.ok()) return st;
  out = std::move(idx);
  return Status::OK();
}

Status SavedIndex::Open(const std::string& path, std::unique_ptr<SavedIndex>& out, const IndexOpenOptions& o) {
  // A small index is read whole into memory and verified as it comes, which
  // costs less than mapping its pages one by one; a large one is mapped,
  // and its blocks verified when first touched, but for those every run
  // reads at once.
  using Verify = IndexOpenOptions::Verify;
  struct stat fs;
  const uint64_t bytes = ::stat(path.c_str(), &fs) == 0 ? static_cast<uint64_t>(fs.st_size) : 0;
  const bool all = o.verify == Verify::kAllAtOpen || (o.verify == Verify::kBySize && bytes <= kVerifyAtOpenBytes);
  std::unique_ptr<SavedIndex> idx;
  Status st = all ? ReadVerified(path, idx) : MapUnverified(path, idx);
  if (!st.ok()) return st;
  if (!all) {
    const IndexHead& h = idx->head_;
    BlockGuard& guard = *idx->guard_;
    const uint64_t page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    const uint64_t from = h.lettersAt / page * page;
    if (o.lettersAtOpen) ::madvise(const_cast<char*>(idx->base_) + from, h.offAt - from, MADV_WILLNEED);
    const bool whole = (!o.lettersAtOpen || guard.VerifySection(0, o.threads)) && guard.VerifySection(1, o.threads) &&
                       (h.segments == 1 || guard.VerifySection(4, o.threads));
    if (!whole) return guard.failure();
  }
  st = idx->ReadTables(path);
  if (!st.ok()) return st;
  out = std::move(idx);
  return Status::OK();
}

Status OpenSavedIndexForRun(const std::string& path, bool linear, const IndexOpenOptions& o,
                            std::unique_ptr<SavedIndex>& out) {
  if (linear) {
    return Status::BadInput(
        "--linear is given when the saved index is made (quorvane-map index --linear GENOME -o NAME), not to a run "
        "from it\n" + path);
  }
  return SavedIndex::Open(path, out, o);
}

Reference SavedIndex::MakeReference() const { return Reference::View(seqs_, letterData_, letters_, map_); }

std::vector<std::pair<int64_t, int64_t>> SavedIndex::Uncoded() const {
  std::vector<std::pair<int64_t, int64_t>> out;
  out.reserve(uncodedCount_);
  for (uint64_t i = 0; i < uncodedCount_; ++i) out.emplace_back(uncoded_[2 * i], uncoded_[2 * i + 1]);
  return out;
}

}  // namespace quorvane
