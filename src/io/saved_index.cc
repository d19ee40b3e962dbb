#include "io/saved_index.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "common/nucleotide.h"

namespace quorvane {
namespace {

constexpr uint64_t kAlign = 64;
// Bytes written at once, and between two progress reports.
constexpr size_t kChunk = size_t{64} << 20;

// The fixed head of the file.
struct Head {
  char magic[8];
  uint32_t version;
  uint32_t step;           // of the index: 1 or 2
  uint64_t fileBytes;      // the whole file
  uint64_t letters;        // of all sequences together
  uint64_t sequences;
  uint64_t entries;        // starts indexed
  uint32_t segments;
  uint32_t segmentBits;
  uint64_t uncodedCount;   // stretches of letters other than A, C, G, T
  uint64_t seqTableAt;     // sequences entries of SeqEntry
  uint64_t namesAt;        // the names back to back, then the source's path
  uint64_t namesBytes;
  uint64_t uncodedAt;      // uncodedCount pairs of int64 begin, end
  uint64_t lettersAt;      // letters + kLetterPad bytes
  uint64_t offAt;          // 65,537 uint64
  uint64_t posAt;          // entries + 1 uint32
  uint64_t ctxAt;          // entries + kScanPad uint32
  uint64_t segAt;          // 65,536 * segments uint64, when segments > 1
  uint64_t lettersChecksum;
  int64_t sourceSize;      // the genome file's size when the index was made; -1 for none
  int64_t sourceMtimeNs;
  uint64_t sourcePathBytes;  // at namesAt + namesBytes - sourcePathBytes
  uint64_t metaChecksum;   // of every byte before lettersAt, this field taken as 0
};
static_assert(sizeof(Head) % 8 == 0);

struct SeqEntry {
  uint64_t offset;
  uint64_t length;
  uint64_t nameAt;  // within the names
  uint32_t nameBytes;
  uint32_t circular;
};

uint64_t Align(uint64_t v) { return (v + kAlign - 1) / kAlign * kAlign; }

inline uint64_t Rotl(uint64_t v, int r) { return v << r | v >> (64 - r); }

constexpr uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;

inline uint64_t Mix(uint64_t h, uint64_t w) { return Rotl(h ^ (w * kPrime2), 31) * kPrime1; }

// Writes everything of data through file, reporting progress as written
// of total bytes grows.
Status WriteAll(WritableFile& file, const void* data, uint64_t n, uint64_t& written, uint64_t total,
                const std::function<void(double)>& progress) {
  const char* p = static_cast<const char*>(data);
  while (n > 0) {
    const size_t k = static_cast<size_t>(std::min<uint64_t>(n, kChunk));
    Status st = file.Append(std::string_view(p, k));
    if (!st.ok()) return st;
    p += k;
    n -= k;
    written += k;
    if (progress) progress(static_cast<double>(written) / static_cast<double>(total));
  }
  return Status::OK();
}

std::string Damaged(const std::string& why, const std::string& path) {
  return "saved index is damaged: " + why + "\n" + path;
}

// A section of bytes bytes at at lies within a file of size bytes, on its
// alignment.
bool Within(uint64_t at, uint64_t bytes, uint64_t size) {
  return at % kAlign == 0 && at <= size && bytes <= size - at;
}

}  // namespace

uint64_t Checksum64(const void* data, size_t n) {
  const unsigned char* p = static_cast<const unsigned char*>(data);
  uint64_t h[4] = {kPrime1, kPrime2, kPrime1 ^ kPrime2, ~kPrime1};
  size_t i = 0;
  for (; i + 32 <= n; i += 32) {
    uint64_t w[4];
    std::memcpy(w, p + i, 32);
    for (int k = 0; k < 4; ++k) h[k] = Mix(h[k], w[k]);
  }
  uint64_t tail = 0;
  for (int k = 0; i < n; ++i, ++k) {
    tail ^= static_cast<uint64_t>(p[i]) << (8 * (k & 7));
    if ((k & 7) == 7) {
      h[0] = Mix(h[0], tail);
      tail = 0;
    }
  }
  uint64_t out = Mix(Mix(Mix(Mix(static_cast<uint64_t>(n), h[0]), h[1]), h[2]), h[3]);
  out = Mix(out, tail);
  return out ^ (out >> 29);
}

bool IsSavedIndexHead(const std::string& head) {
  return head.size() >= sizeof kIndexMagic && std::memcmp(head.data(), kIndexMagic, sizeof kIndexMagic) == 0;
}

bool IsSavedIndexFile(Env& env, const std::string& path) {
  struct stat st;
  if (path == "-" || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  std::string head;
  return ReadFileHead(env, path, sizeof kIndexMagic, head).ok() && IsSavedIndexHead(head);
}

IndexSource SourceOf(const std::string& path) {
  IndexSource s;
  struct stat st;
  if (path == "-" || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return s;
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return s;
  s.path = real;
  std::free(real);
  s.size = st.st_size;
  s.mtimeNs = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return s;
}

Status WriteSavedIndex(Env& env, const std::string& path, const GenomeStore& store, const FastIndex& index,
                       const IndexSource& source, const std::function<void(double)>& progress) {
  const Reference& ref = store.ref();
  const FastIndexTables& t = index.tables();
  // The head, the sequence table, the names and the stretches, laid out
  // in memory; then the big sections, each aligned.
  std::string names;
  std::vector<SeqEntry> seqs;
  for (const RefSeq& q : ref.seqs()) {
    seqs.push_back({static_cast<uint64_t>(q.offset), static_cast<uint64_t>(q.length), names.size(),
                    static_cast<uint32_t>(q.name.size()), q.circular ? 1u : 0u});
    names += q.name;
  }
  names += source.path;
  const auto& uncoded = store.uncoded();
  Head h;
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
  h.seqTableAt = Align(sizeof h);
  h.namesAt = Align(h.seqTableAt + sizeof(SeqEntry) * seqs.size());
  h.namesBytes = names.size();
  h.uncodedAt = Align(h.namesAt + names.size());
  h.lettersAt = Align(h.uncodedAt + 16 * uncoded.size());
  const uint64_t letterBytes = h.letters + kLetterPad;
  h.offAt = Align(h.lettersAt + letterBytes);
  const uint64_t offBytes = 8 * (uint64_t{kSeedCodes} + 1);
  h.posAt = Align(h.offAt + offBytes);
  const uint64_t posBytes = 4 * (t.entries + 1);
  h.ctxAt = Align(h.posAt + posBytes);
  const uint64_t ctxBytes = 4 * (t.entries + FastIndex::kScanPad);
  const uint64_t segBytes = t.segments > 1 ? 8 * uint64_t{kSeedCodes} * t.segments : 0;
  h.segAt = t.segments > 1 ? Align(h.ctxAt + ctxBytes) : 0;
  h.fileBytes = t.segments > 1 ? h.segAt + segBytes : h.ctxAt + ctxBytes;
  h.lettersChecksum = Checksum64(ref.letters(), static_cast<size_t>(h.letters));
  h.sourceSize = source.path.empty() ? -1 : source.size;
  h.sourceMtimeNs = source.mtimeNs;
  h.sourcePathBytes = source.path.size();

  std::string meta(h.lettersAt, '\0');
  std::memcpy(meta.data() + h.seqTableAt, seqs.data(), sizeof(SeqEntry) * seqs.size());
  std::memcpy(meta.data() + h.namesAt, names.data(), names.size());
  for (size_t i = 0; i < uncoded.size(); ++i) {
    const int64_t pair[2] = {uncoded[i].first, uncoded[i].second};
    std::memcpy(meta.data() + h.uncodedAt + 16 * i, pair, 16);
  }
  std::memcpy(meta.data(), &h, sizeof h);
  h.metaChecksum = Checksum64(meta.data(), meta.size());
  std::memcpy(meta.data(), &h, sizeof h);

  // Written beside its name, so that a failure leaves an earlier file there
  // as it was, and renamed when whole.
  const std::string part = path + ".part-" + std::to_string(::getpid());
  std::unique_ptr<WritableFile> file;
  Status st = env.NewWritableFile(part, file);
  if (!st.ok()) return Status::CantOpen("can't open " + part);
  uint64_t written = 0;
  const std::string zeros(kAlign, '\0');
  auto section = [&](uint64_t at, const void* data, uint64_t bytes) {
    if (!st.ok()) return;
    if (at > written) st = WriteAll(*file, zeros.data(), at - written, written, h.fileBytes, nullptr);
    if (st.ok()) st = WriteAll(*file, data, bytes, written, h.fileBytes, progress);
  };
  section(0, meta.data(), meta.size());
  section(h.lettersAt, ref.letters(), letterBytes);
  section(h.offAt, t.off, offBytes);
  section(h.posAt, t.pos, posBytes);
  section(h.ctxAt, t.ctx, ctxBytes);
  if (t.segments > 1) section(h.segAt, t.seg, segBytes);
  if (st.ok()) st = file->Flush();
  const Status closed = file->Close();
  if (st.ok()) st = closed;
  if (st.ok()) st = env.RenameFile(part, path);
  if (!st.ok()) {
    env.RemoveFile(part);
    return st.code() == Status::Code::kCantOpen ? st : Status::IoError("can't write " + path);
  }
  return Status::OK();
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
  if (bytes < sizeof(Head)) {
    ::close(fd);
    return Status::BadInput("saved index is truncated\n" + path);
  }
  addr = ::mmap(nullptr, bytes, PROT_READ, MAP_SHARED, fd, 0);
  ::close(fd);
  if (addr == MAP_FAILED) return Status::CantOpen("can't open " + path);
  return Status::OK();
}

// Checks the head of a mapped index of bytes bytes.
Status CheckHead(const Head& h, uint64_t bytes, const std::string& path) {
  if (std::memcmp(h.magic, kIndexMagic, sizeof h.magic) != 0) return Status::BadInput("not a saved index\n" + path);
  if (h.version != kIndexVersion) {
    return Status::BadInput("saved index is of version " + std::to_string(h.version) + "; this program reads version " +
                            std::to_string(kIndexVersion) + ": make it again with quorvane-map index\n" + path);
  }
  if (h.fileBytes > bytes) return Status::BadInput("saved index is truncated\n" + path);
  if (h.fileBytes != bytes) return Status::BadInput(Damaged("it is longer than its head says", path));
  return Status::OK();
}

}  // namespace

Status ReadSavedIndexShape(const std::string& path, int64_t& letters, int64_t& sequences) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Status::CantOpen("can't open " + path);
  Head h;
  struct stat st;
  const bool whole = ::fstat(fd, &st) == 0 && ::pread(fd, &h, sizeof h, 0) == static_cast<ssize_t>(sizeof h);
  ::close(fd);
  if (!whole) return Status::BadInput("saved index is truncated\n" + path);
  const Status s = CheckHead(h, static_cast<uint64_t>(st.st_size), path);
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
  Head h;
  std::memcpy(&h, base, sizeof h);
  st = CheckHead(h, size, path);
  if (!st.ok()) return st;
  // Every section within the file, in the order written, before anything
  // of them is read.
  const uint64_t posBytes = 4 * (h.entries + 1), ctxBytes = 4 * (h.entries + FastIndex::kScanPad);
  const bool sane =
      h.letters <= static_cast<uint64_t>(kMaxGnmLen) && h.sequences <= h.letters + (uint64_t{1} << 32) &&
      (h.step == 1 || h.step == 2) && h.segmentBits >= 8 && h.segmentBits <= 32 && h.segments >= 1 &&
      h.segments <= (uint32_t{1} << 20) && h.entries <= h.letters + 64 * h.sequences &&
      h.uncodedCount <= h.letters && Within(h.seqTableAt, sizeof(SeqEntry) * h.sequences, size) &&
      Within(h.namesAt, h.namesBytes, size) && h.sourcePathBytes <= h.namesBytes &&
      Within(h.uncodedAt, 16 * h.uncodedCount, size) && h.lettersAt >= sizeof h &&
      Within(h.lettersAt, h.letters + kLetterPad, size) && Within(h.offAt, 8 * (uint64_t{kSeedCodes} + 1), size) &&
      Within(h.posAt, posBytes, size) && Within(h.ctxAt, ctxBytes, size) &&
      (h.segments == 1 || Within(h.segAt, 8 * uint64_t{kSeedCodes} * h.segments, size));
  if (!sane) return Status::BadInput(Damaged("its head does not describe it", path));
  {
    Head zero = h;
    zero.metaChecksum = 0;
    std::string meta(base, h.lettersAt);
    std::memcpy(meta.data(), &zero, sizeof zero);
    if (Checksum64(meta.data(), meta.size()) != h.metaChecksum) {
      return Status::BadInput(Damaged("its head does not match its checksum", path));
    }
  }
  const char* letters = base + h.lettersAt;
  // The letters are read whole at once for their checksum: asked for
  // ahead, from the page they begin on.
  const uint64_t page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
  const uint64_t from = h.lettersAt / page * page;
  ::madvise(const_cast<char*>(base) + from, h.lettersAt + h.letters - from, MADV_WILLNEED);
  if (Checksum64(letters, h.letters) != h.lettersChecksum) {
    return Status::BadInput(Damaged("its letters do not match their checksum", path));
  }
  auto idx = std::unique_ptr<SavedIndex>(new SavedIndex());
  const char* names = base + h.namesAt;
  const SeqEntry* entries = reinterpret_cast<const SeqEntry*>(base + h.seqTableAt);
  uint64_t expect = 0;
  for (uint64_t i = 0; i < h.sequences; ++i) {
    const SeqEntry& e = entries[i];
    if (e.offset != expect || e.length > h.letters - e.offset || e.nameAt > h.namesBytes ||
        e.nameBytes > h.namesBytes - e.nameAt) {
      return Status::BadInput(Damaged("its sequence table does not add up", path));
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
    return Status::BadInput(Damaged("its tables do not add up", path));
  }
  for (int c = 0; c < kSeedCodes; ++c) {
    if (off[c] > off[c + 1]) return Status::BadInput(Damaged("its tables do not add up", path));
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
