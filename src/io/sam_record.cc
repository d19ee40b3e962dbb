#include "io/sam_record.h"

#include <htslib/sam.h>

#include <algorithm>
#include <array>

#include "common/nucleotide.h"

namespace quorvane {
namespace {

constexpr int kMapqPerMismatch = 20;
constexpr int kMaxMapq = 60;
// Highest base quality SAM can show (QUAL '~').
constexpr int kMaxQual = 93;

// The complement of every IUPAC letter, in upper case; N for any other byte.
constexpr std::array<char, 256> kCompl = [] {
  std::array<char, 256> t{};
  for (auto& c : t) c = 'N';
  const char* from = "ACGTRYSWKMBDHVN";
  const char* to = "TGCAYRSWMKVHDBN";
  for (int i = 0; from[i] != 0; ++i) {
    t[static_cast<unsigned char>(from[i])] = to[i];
    t[static_cast<unsigned char>(from[i] + 'a' - 'A')] = to[i];
  }
  return t;
}();

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

bool SetInt(bam1_t* b, const char tag[2], int64_t v) { return bam_aux_update_int(b, tag, v) == 0; }

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
  qname_ = r.name.empty() ? std::to_string(r.number) : std::string(r.name);
  hasSeq_ = !r.seq.empty() && static_cast<int64_t>(r.seq.size()) == r.length;
  seq_.resize(hasSeq_ ? r.seq.size() : 0);
  for (size_t i = 0; i < seq_.size(); ++i) seq_[i] = kSeqLetter[static_cast<unsigned char>(r.seq[i])];
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
                   [](char c) { return kCompl[static_cast<unsigned char>(c)]; });
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

int32_t SamRecordMaker::Compare(uint32_t seq, int64_t left, const std::string& letters) {
  const RefSeq& q = ref_.seq(seq);
  const char* g = ref_.letters() + q.offset;
  md_.clear();
  int32_t mis = 0, run = 0;
  int64_t at = left;
  for (char c : letters) {
    const char gc = g[at];
    if (++at == q.length) at = 0;
    const uint8_t code = CodeOf(c);
    if (code != kNoCode && code == CodeOf(gc)) {
      ++run;
      continue;
    }
    md_ += std::to_string(run);
    md_ += Upper(gc);
    run = 0;
    ++mis;
  }
  md_ += std::to_string(run);
  return mis;
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
  const std::string& letters = Letters(h.strand);
  const std::string* quals = Quals(h.strand);
  const int32_t mis = Compare(h.seq, left, letters);
  uint16_t flag = h.strand == Strand::kCompl ? BAM_FREVERSE : 0;
  if (i != primary) flag |= BAM_FSECONDARY;
  const uint8_t mapq = i == primary ? PrimaryMapq(hits, n, primary, misNu_) : 0;
  const uint32_t cigar = static_cast<uint32_t>(len) << BAM_CIGAR_SHIFT | BAM_CMATCH;
  if (bam_set1(b, qname_.size(), qname_.data(), flag, static_cast<int32_t>(h.seq), left, mapq, 1, &cigar, -1, -1, 0,
               letters.size(), letters.data(), quals != nullptr ? quals->data() : nullptr, md_.size() + 32) < 0) {
    return false;
  }
  return SetInt(b, "NM", mis) &&
         bam_aux_append(b, "MD", 'Z', static_cast<int>(md_.size() + 1),
                        reinterpret_cast<const uint8_t*>(md_.c_str())) == 0 &&
         SetInt(b, "NH", static_cast<int64_t>(n)) && SetInt(b, "HI", static_cast<int64_t>(i + 1));
}

bool SamRecordMaker::UnmappedRecord(bool searched, bam1_t* b) {
  const std::string* quals = Quals(Strand::kDirect);
  if (bam_set1(b, qname_.size(), qname_.data(), BAM_FUNMAP, -1, -1, 0, 0, nullptr, -1, -1, 0, seq_.size(),
               seq_.data(), quals != nullptr ? quals->data() : nullptr, 8) < 0) {
    return false;
  }
  return searched || bam_aux_append(b, "YF", 'Z', 3, reinterpret_cast<const uint8_t*>("LN")) == 0;
}

}  // namespace quorvane
