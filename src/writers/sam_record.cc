#include "writers/sam_record.h"

#include <htslib/sam.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cstring>

#include "common/nucleotide.h"
#include "common/iupac.h"

namespace quorvane {
namespace {

constexpr int kMapqPerMismatch = 20;
constexpr int kMaxMapq = 60;
// Highest base quality SAM can show (QUAL '~').
constexpr int kMaxQual = 93;

// Every IUPAC letter kept as it is; N for any other byte, so that SEQ
// holds letters only.
constexpr std::array<char, 256> kSeqLetter = [] {
  std::array<char, 256> t{};
  for (auto& c : t) c = 'N';
  for (const char* p = "ACGTRYSWKMBDHVN"; *p != 0; ++p) {
    t[static_cast<unsigned char>(*p)] = *p;
    t[static_cast<unsigned char>(*p + 'a' - 'A')] = static_cast<char>(*p + 'a' - 'A');
  }
  return t;
}();

char Upper(char c) {
  if (c >= 'a' && c <= 'z') return static_cast<char>(c - 'a' + 'A');
  return c >= 'A' && c <= 'Z' ? c : 'N';
}

void PutNumber(std::string& s, int64_t v) {
  char buf[24];
  int n = 0;
  do {
    buf[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v > 0);
  while (n > 0) s += buf[--n];
}

// An integer tag in BAM's encoding, in the smallest unsigned type that
// holds it (SAM shows every one as i).
void PutIntTag(std::string& aux, const char* tag, uint32_t v) {
  aux.append(tag, 2);
  const int bytes = v <= 0xff ? 1 : v <= 0xffff ? 2 : 4;
  aux += bytes == 1 ? 'C' : bytes == 2 ? 'S' : 'I';
  for (int i = 0; i < bytes; ++i) aux += static_cast<char>((v >> (8 * i)) & 0xff);
}

// Whether the 8 letters at a and b are the same letters, either case.
bool SameLetters8(const char* a, const char* b) {
  constexpr uint64_t kLower = 0x2020202020202020ULL;
  uint64_t x = 0, y = 0;
  std::memcpy(&x, a, 8);
  std::memcpy(&y, b, 8);
  return (x | kLower) == (y | kLower);
}

// Whether the n letters at s are all upper-case A, C, G or T: sixteen at a
// time where SSE2 is, without a branch per letter elsewhere (c - 'A' is 0,
// 2, 6 or 19 for them).
bool UpperAcgtOnly(const char* s, size_t n) {
  size_t i = 0;
#if defined(__SSE2__)
  const __m128i a = _mm_set1_epi8('A'), c = _mm_set1_epi8('C'), g = _mm_set1_epi8('G'), t = _mm_set1_epi8('T');
  for (; i + 16 <= n; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(x, a), _mm_cmpeq_epi8(x, c)),
                                     _mm_or_si128(_mm_cmpeq_epi8(x, g), _mm_cmpeq_epi8(x, t)));
    if (_mm_movemask_epi8(hit) != 0xffff) return false;
  }
#endif
  constexpr uint32_t kUpperAcgt = 1u << 0 | 1u << 2 | 1u << 6 | 1u << 19;
  uint32_t all = 1;
  for (; i < n; ++i) {
    const uint32_t d = static_cast<uint32_t>(static_cast<unsigned char>(s[i])) - 'A';
    all &= static_cast<uint32_t>(d < 32) & (kUpperAcgt >> (d & 31));
  }
  return all != 0;
}

// Appends the tags to a record that bam_set1 made room for.
void AppendTags(bam1_t* b, const std::string& aux) {
  std::memcpy(b->data + b->l_data, aux.data(), aux.size());
  b->l_data += static_cast<int>(aux.size());
}

}  // namespace

size_t PrimaryHit(const Hit* hits, size_t n) {
  size_t best = 0;
  for (size_t i = 1; i < n; ++i) {
    if (hits[i].mis < hits[best].mis) best = i;
  }
  return best;
}

uint8_t PrimaryMapq(const Hit* hits, size_t n, size_t primary, int32_t misNu) {
  int next = misNu + 1;
  for (size_t i = 0; i < n; ++i) {
    if (i != primary) next = std::min<int>(next, hits[i].mis);
  }
  const int lead = next - hits[primary].mis;
  return static_cast<uint8_t>(std::clamp(kMapqPerMismatch * lead, 0, kMaxMapq));
}

void SamRecordMaker::SetRead(const ReadView& r) {
  qname_.clear();
  if (r.name.empty()) {
    PutNumber(qname_, r.number);
  } else {
    qname_.assign(r.name);
  }
  hasSeq_ = !r.seq.empty() && static_cast<int64_t>(r.seq.size()) == r.length;
  const size_t n = hasSeq_ ? r.seq.size() : 0;
  // Most reads are upper-case A, C, G and T only: kept as they are.
  if (UpperAcgtOnly(r.seq.data(), n)) {
    seq_.assign(r.seq.data(), n);
    acgtOnly_ = true;
  } else {
    seq_.resize(n);
    uint8_t codes = 0;  // kNoCode marks a letter other than A, C, G, T
    for (size_t i = 0; i < n; ++i) {
      const unsigned char c = static_cast<unsigned char>(r.seq[i]);
      seq_[i] = kSeqLetter[c];
      codes |= CodeOf(static_cast<char>(c));
    }
    acgtOnly_ = codes != kNoCode;
  }
  hasQual_ = hasSeq_ && r.qual.size() == r.seq.size();
  qual_.clear();
  if (hasQual_) {
    qual_.resize(r.qual.size());
    for (size_t i = 0; i < r.qual.size(); ++i) {
      qual_[i] = static_cast<char>(std::clamp(static_cast<unsigned char>(r.qual[i]) - 33, 0, kMaxQual));
    }
  }
  rcDone_ = false;
}

const std::string& SamRecordMaker::Letters(Strand s) {
  if (s == Strand::kDirect) return seq_;
  if (!rcDone_) {
    rcSeq_.resize(seq_.size());
    std::transform(seq_.rbegin(), seq_.rend(), rcSeq_.begin(),
                   [](char c) { return kIupacComplement[static_cast<unsigned char>(c)]; });
    revQual_.assign(qual_.rbegin(), qual_.rend());
    rcDone_ = true;
  }
  return rcSeq_;
}

const std::string* SamRecordMaker::Quals(Strand s) {
  if (!hasQual_) return nullptr;
  Letters(s);
  return s == Strand::kDirect ? &qual_ : &revQual_;
}

int32_t SamRecordMaker::Compare(uint32_t seq, int64_t left, const std::string& letters, int32_t known) {
  const RefSeq& q = ref_.seq(seq);
  const char* g = ref_.letters() + q.offset;
  md_.clear();
  int64_t mis = 0, run = 0, at = left;
  const size_t n = letters.size();
  for (size_t j = 0; j < n;) {
    // Eight letters of a read of A, C, G and T only that equal the genome's
    // in either case all match.
    if (acgtOnly_ && j + 8 <= n && at + 8 <= q.length && SameLetters8(letters.data() + j, g + at)) {
      run += 8;
      j += 8;
      at += 8;
      if (at == q.length) at = 0;
      continue;
    }
    const char gc = g[at];
    const uint8_t code = CodeOf(letters[j]);
    ++j;
    if (++at == q.length) at = 0;
    if (code != kNoCode && code == CodeOf(gc)) {
      ++run;
      continue;
    }
    PutNumber(md_, run);
    md_ += Upper(gc);
    run = 0;
    if (++mis == known) {
      run = static_cast<int64_t>(n - j);  // the search counted no more
      break;
    }
  }
  PutNumber(md_, run);
  return static_cast<int32_t>(mis);
}

bool SamRecordMaker::HitRecord(const Hit* hits, size_t n, size_t i, size_t primary, bam1_t* b) {
  const Hit& h = hits[i];
  const int64_t len = static_cast<int64_t>(seq_.size());
  const int64_t L = ref_.seq(h.seq).length;
  // The leftmost direct-strand letter: on the complementary strand the
  // read's reverse complement ends at L - 1 - start.
  int64_t left = h.strand == Strand::kDirect ? h.start : L - h.start - len;
  left %= L;
  if (left < 0) left += L;
  RecordPlace place;
  if (i != primary) place.flag |= BAM_FSECONDARY;
  place.mapq = i == primary ? PrimaryMapq(hits, n, primary, misNu_) : 0;
  place.nh = static_cast<uint32_t>(n);
  place.hi = static_cast<uint32_t>(i + 1);
  return PlacedRecord(h.seq, h.strand, left, h.mis, place, b);
}

bool SamRecordMaker::PlacedRecord(uint32_t seq, Strand s, int64_t left, int mis, const RecordPlace& place,
                                  bam1_t* b) {
  const int64_t len = static_cast<int64_t>(seq_.size());
  const std::string& letters = Letters(s);
  const std::string* quals = Quals(s);
  // A hit without mismatches needs no letter compared.
  int32_t found = 0;
  if (mis == 0) {
    md_.clear();
    PutNumber(md_, len);
  } else {
    found = Compare(seq, left, letters, mis);
  }
  aux_.clear();
  PutIntTag(aux_, "NM", static_cast<uint32_t>(found));
  aux_.append("MDZ", 3);
  aux_.append(md_.c_str(), md_.size() + 1);
  PutIntTag(aux_, "NH", place.nh);
  PutIntTag(aux_, "HI", place.hi);
  const uint16_t flag = place.flag | (s == Strand::kCompl ? BAM_FREVERSE : 0);
  const uint32_t cigar = static_cast<uint32_t>(len) << BAM_CIGAR_SHIFT | BAM_CMATCH;
  if (bam_set1(b, qname_.size(), qname_.data(), flag, static_cast<int32_t>(seq), left, place.mapq, 1, &cigar,
               place.mateSeq, place.matePos, place.tlen, letters.size(), letters.data(),
               quals != nullptr ? quals->data() : nullptr, aux_.size()) < 0) {
    return false;
  }
  AppendTags(b, aux_);
  return true;
}

bool SamRecordMaker::UnmappedRecord(bool searched, bam1_t* b, uint16_t extraFlags) {
  const std::string* quals = Quals(Strand::kDirect);
  aux_.clear();
  if (!searched) aux_.append("YFZLN", 6);  // with its NUL
  if (bam_set1(b, qname_.size(), qname_.data(), static_cast<uint16_t>(BAM_FUNMAP | extraFlags), -1, -1, 0, 0, nullptr, -1, -1, 0, seq_.size(),
               seq_.data(), quals != nullptr ? quals->data() : nullptr, aux_.size()) < 0) {
    return false;
  }
  AppendTags(b, aux_);
  return true;
}

}  // namespace quorvane
