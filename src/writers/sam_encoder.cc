#include "writers/sam_encoder.h"

#include <htslib/kstring.h>
#include <htslib/sam.h>

#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>

#include "writers/bgzf_block.h"

namespace quorvane {
namespace {

static_assert(std::endian::native == std::endian::little, "BAM's numbers are written as they lie in memory");

// Bytes of one record's fixed fields, its length included.
constexpr size_t kBamFixed = 36;
// Bytes of a record beside its name, letters and qualities: the fixed
// fields, the CIGAR and the tags.
constexpr size_t kRecordExtra = 96;

void PutLe32(std::string& s, uint32_t v) {
  char b[4];
  std::memcpy(b, &v, 4);
  s.append(b, 4);
}

// Appends b as BAM lays a record out in the file: its length, the fixed
// fields, the name with one NUL, then CIGAR, letters, qualities and tags.
void AppendBamRecord(const bam1_t* b, std::string& raw) {
  const bam1_core_t& c = b->core;
  const uint32_t nameLen = c.l_qname - c.l_extranul;
  const uint32_t fixed[9] = {
      static_cast<uint32_t>(b->l_data) - c.l_extranul + 32,
      static_cast<uint32_t>(c.tid),
      static_cast<uint32_t>(c.pos),
      static_cast<uint32_t>(c.bin) << 16 | static_cast<uint32_t>(c.qual) << 8 | nameLen,
      static_cast<uint32_t>(c.flag) << 16 | (c.n_cigar & 0xffff),
      static_cast<uint32_t>(c.l_qseq),
      static_cast<uint32_t>(c.mtid),
      static_cast<uint32_t>(c.mpos),
      static_cast<uint32_t>(c.isize),
  };
  static_assert(sizeof fixed == kBamFixed);
  raw.append(reinterpret_cast<const char*>(fixed), kBamFixed);
  raw.append(reinterpret_cast<const char*>(b->data), nameLen);
  raw.append(reinterpret_cast<const char*>(b->data) + c.l_qname, static_cast<size_t>(b->l_data) - c.l_qname);
}

}  // namespace

std::string SamFileHead(const std::string& hdrText, const sam_hdr_t* hdr, const SamEncoding& e) {
  if (!e.bam) return hdrText;
  std::string raw = "BAM\1";
  PutLe32(raw, static_cast<uint32_t>(hdrText.size()));
  raw += hdrText;
  const int nref = sam_hdr_nref(hdr);
  PutLe32(raw, static_cast<uint32_t>(nref));
  for (int i = 0; i < nref; ++i) {
    const char* name = sam_hdr_tid2name(hdr, i);
    const size_t len = std::strlen(name);
    PutLe32(raw, static_cast<uint32_t>(len + 1));
    raw.append(name, len + 1);
    PutLe32(raw, static_cast<uint32_t>(sam_hdr_tid2len(hdr, i)));
  }
  std::string out;
  BgzfCompressor(e.bamLevel).Compress(raw.data(), raw.size(), out);
  return out;
}

size_t SamRecordBytes(const ReadView& r) { return kRecordExtra + r.name.size() + 2 * r.seq.size() + r.qual.size(); }

SamRecordBuffer::~SamRecordBuffer() { free(lineBuf_); }

Status SamRecordBuffer::Add(const bam1_t* b) {
  if (bam_) {
    AppendBamRecord(b, out_);
    return Status::OK();
  }
  // htslib formats the line into a buffer of its own, kept for the next.
  kstring_t ks = {0, lineCap_, lineBuf_};
  const int rc = sam_format1(hdr_, b, &ks);
  lineBuf_ = ks.s;
  lineCap_ = ks.m;
  if (rc < 0) return Status::NoMemory("no mem Chns, ArrMisMatches");
  out_.append(ks.s, ks.l);
  out_ += '\n';
  return Status::OK();
}

void SamRecordBuffer::Take(std::string& out) {
  if (out.empty()) {
    out.swap(out_);
  } else {
    out.append(out_);
  }
  out_.clear();
}

SamEncoder::SamEncoder(const Reference& ref, const sam_hdr_t* hdr, const SamEncoding& e)
    : e_(e), maker_(ref, e.misNu), rec_(bam_init1()), out_(hdr, e.bam) {
  if (rec_ == nullptr) throw std::bad_alloc();
}

SamEncoder::~SamEncoder() { bam_destroy1(rec_); }

Status SamEncoder::FoundPart(const ReadView& r, const Hit* hits, size_t n, size_t primary, size_t from, size_t to) {
  maker_.SetRead(r);
  for (size_t i = from; i < to; ++i) {
    if (!maker_.HitRecord(hits, n, i, primary, rec_)) return Status::NoMemory("no mem Chns, ArrMisMatches");
    Status st = out_.Add(rec_);
    if (!st.ok()) return st;
  }
  return Status::OK();
}

Status SamEncoder::Found(const ReadView& r, const Hit* hits, size_t n) {
  return FoundPart(r, hits, n, PrimaryHit(hits, n), 0, n);
}

Status SamEncoder::NotFound(const ReadView& r) {
  if (!e_.unaligned) return Status::OK();
  maker_.SetRead(r);
  if (!maker_.UnmappedRecord(true, rec_)) return Status::NoMemory("no mem Chns, ArrMisMatches");
  return out_.Add(rec_);
}

Status SamEncoder::Skipped(const ReadView& r) {
  if (!e_.unaligned) return Status::OK();
  maker_.SetRead(r);
  if (!maker_.UnmappedRecord(false, rec_)) return Status::NoMemory("no mem Chns, ArrMisMatches");
  return out_.Add(rec_);
}

}  // namespace quorvane
