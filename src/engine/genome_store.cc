#include "engine/genome_store.h"

#include <emmintrin.h>

#include <algorithm>
#include <cstring>

#include "common/nucleotide.h"
#include "common/parallel_for.h"

namespace quorvane {
namespace {

// Entries past the last start that scans may read.
constexpr int64_t kCodePad = 16;

int64_t Mod(int64_t a, int64_t m) {
  const int64_t r = a % m;
  return r < 0 ? r + m : r;
}

// Code of a letter on the complementary strand: that of the letter it
// pairs with, a letter other than A, C, G, T counting as A there too.
uint8_t ComplCodeOfLetter(char b) {
  const uint8_t c = CodeOf(b);
  return c == kNoCode ? 0 : static_cast<uint8_t>(3 - c);
}

// Seed codes of the starts [a, b) of one sequence of length len whose
// letters are at sq: rolled where the 8 letters lie inside the sequence,
// taken cyclically for the last 7 starts.
void CodeRange(const char* sq, int64_t len, int64_t a, int64_t b, uint16_t* cds) {
  const int64_t straight = std::max<int64_t>(0, len - (kSeedLen - 1));
  const int64_t rollEnd = std::min(b, straight);
  if (a < rollEnd) {
    unsigned v = 0;
    for (int64_t q = a; q < a + kSeedLen - 1; ++q) v = (v << 2) | SeedCodeOfLetter(sq[q]);
    for (int64_t p = a; p < rollEnd; ++p) {
      v = ((v << 2) | SeedCodeOfLetter(sq[p + kSeedLen - 1])) & 0xFFFFu;
      cds[p] = static_cast<uint16_t>(v);
    }
  }
  for (int64_t p = std::max(a, straight); p < b; ++p) {
    unsigned v = 0;
    for (int k = 0; k < kSeedLen; ++k) v = (v << 2) | SeedCodeOfLetter(sq[(p + k) % len]);
    cds[p] = static_cast<uint16_t>(v);
  }
}

// The same for the complementary strand: start p covers the letters that
// pair with direct letters len - 1 - p, len - 2 - p, ... (cyclically).
void CodeComplRange(const char* sq, int64_t len, int64_t a, int64_t b, uint16_t* cds) {
  const int64_t straight = std::max<int64_t>(0, len - (kSeedLen - 1));
  const int64_t rollEnd = std::min(b, straight);
  if (a < rollEnd) {
    unsigned v = 0;
    for (int k = 0; k < kSeedLen - 1; ++k) v = (v << 2) | ComplCodeOfLetter(sq[len - 1 - a - k]);
    for (int64_t p = a; p < rollEnd; ++p) {
      v = ((v << 2) | ComplCodeOfLetter(sq[len - kSeedLen - p])) & 0xFFFFu;
      cds[p] = static_cast<uint16_t>(v);
    }
  }
  for (int64_t p = std::max(a, straight); p < b; ++p) {
    unsigned v = 0;
    for (int k = 0; k < kSeedLen; ++k) v = (v << 2) | ComplCodeOfLetter(sq[Mod(len - 1 - p - k, len)]);
    cds[p] = static_cast<uint16_t>(v);
  }
}

// Whether the 16 letters at p are all A, C, G or T, in either case.
bool AllNucleotides(const char* p) {
  const __m128i v = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), _mm_set1_epi8(0x20));
  const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('a')), _mm_cmpeq_epi8(v, _mm_set1_epi8('c'))),
                                   _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('g')), _mm_cmpeq_epi8(v, _mm_set1_epi8('t'))));
  return _mm_movemask_epi8(hit) == 0xFFFF;
}

}  // namespace

Status GenomeStore::Load(Reference ref) { return Load(std::move(ref), {}, false); }

Status GenomeStore::Load(Reference ref, std::vector<std::pair<int64_t, int64_t>> uncoded) {
  return Load(std::move(ref), std::move(uncoded), true);
}

Status GenomeStore::Load(Reference ref, std::vector<std::pair<int64_t, int64_t>> uncoded, bool known) {
  Release();
  ref_ = std::move(ref);
  Status st = ref_.Reserve(0);  // an empty genome still has its (padded) buffer
  if (!st.ok()) {
    Release();
    return st;
  }
  const size_t entries = static_cast<size_t>(ref_.total() + kCodePad);
  if (held_ != HeldCodes::kNone) CdsD_.Allocate(entries);
  if (held_ == HeldCodes::kBoth) CdsC_.Allocate(entries);
  if ((held_ != HeldCodes::kNone && !CdsD_) || (held_ == HeldCodes::kBoth && !CdsC_)) {
    Release();
    return Status::NoMemory("no mem ChnBegX and Cds");
  }
  if (CdsD_) {
    std::memset(CdsD_.get() + ref_.total(), 0, sizeof(uint16_t) * kCodePad);
    CodeStrand(Strand::kDirect);
  }
  if (CdsC_) {
    std::memset(CdsC_.get() + ref_.total(), 0, sizeof(uint16_t) * kCodePad);
    CodeStrand(Strand::kCompl);
  }
  if (known) {
    uncoded_ = std::move(uncoded);
  } else {
    FindUncoded();
  }
  loaded_ = true;
  return Status::OK();
}

void GenomeStore::CodeStrand(Strand s) {
  const char* letters = ref_.letters();
  uint16_t* out = s == Strand::kDirect ? CdsD_.get() : CdsC_.get();
  ParallelFor(threads_, ref_.total(), [&](int, int64_t from, int64_t to) {
    if (from >= to) return;
    for (uint32_t i = ref_.SeqAt(from); from < to; ++i) {
      const RefSeq& q = ref_.seq(i);
      const int64_t end = std::min<int64_t>(to, q.offset + q.length);
      if (from < end) {
        auto code = s == Strand::kDirect ? CodeRange : CodeComplRange;
        code(letters + q.offset, q.length, from - q.offset, end - q.offset, out + q.offset);
      }
      from = std::max(from, end);
    }
  });
}

void GenomeStore::FindUncoded() {
  const char* letters = ref_.letters();
  const int64_t n = ref_.total();
  std::vector<std::vector<std::pair<int64_t, int64_t>>> parts(static_cast<size_t>(ParallelRanges(threads_, n)));
  ParallelFor(threads_, n, [&](int t, int64_t from, int64_t to) {
    auto& runs = parts[static_cast<size_t>(t)];
    for (int64_t g = from; g < to; ++g) {
      if (g + 16 <= to && AllNucleotides(letters + g)) {
        g += 15;
        continue;
      }
      if (CodeOf(letters[g]) != kNoCode) continue;
      if (!runs.empty() && runs.back().second == g) {
        ++runs.back().second;
      } else {
        runs.emplace_back(g, g + 1);
      }
    }
  });
  uncoded_.clear();
  for (const auto& runs : parts) {
    for (const auto& r : runs) {
      if (!uncoded_.empty() && uncoded_.back().second == r.first) {
        uncoded_.back().second = r.second;
      } else {
        uncoded_.push_back(r);
      }
    }
  }
}

void GenomeStore::Release() {
  ref_ = Reference();
  loaded_ = false;
  CdsD_.reset();
  CdsC_.reset();
  uncoded_.clear();
}

uint16_t GenomeStore::SeedCode(uint32_t seq, Strand s, int64_t p) const {
  const RefSeq& q = ref_.seq(seq);
  const uint16_t* held = Cds(s);
  if (held != nullptr) return held[static_cast<size_t>(q.offset + p)];
  const char* sq = ref_.letters() + q.offset;
  const int64_t len = q.length;
  unsigned v = 0;
  if (s == Strand::kDirect) {
    for (int64_t k = p; k < p + kSeedLen; ++k) v = (v << 2) | SeedCodeOfLetter(sq[k < len ? k : k % len]);
  } else {
    for (int64_t k = len - 1 - p; k > len - 1 - p - kSeedLen; --k) v = (v << 2) | ComplCodeOfLetter(sq[Mod(k, len)]);
  }
  return static_cast<uint16_t>(v);
}

void GenomeStore::StrandLetters(uint32_t seq, Strand s, int64_t p, int32_t n, char* out) const {
  const RefSeq& q = ref_.seq(seq);
  const char* sq = ref_.letters() + q.offset;
  const int64_t len = q.length;
  if (s == Strand::kDirect) {
    if (p + int64_t{n} <= len) {
      std::memcpy(out, sq + p, static_cast<size_t>(n));
      return;
    }
    for (int32_t j = 0; j < n; ++j) out[j] = sq[(p + int64_t{j}) % len];
    return;
  }
  int64_t d = Mod(len - 1 - p, len);
  for (int32_t j = 0; j < n; ++j) {
    const uint8_t c = CodeOf(sq[d]);
    out[j] = c == kNoCode ? 'N' : kComplLetters[c];
    d = d == 0 ? len - 1 : d - 1;
  }
}

bool GenomeStore::CoversUncoded(const RefSeq& q, Strand s, int64_t p, int32_t n) const {
  // The direct-strand letters under the window.
  const int64_t begin = q.offset + (s == Strand::kDirect ? p : q.length - p - n);
  const int64_t end = begin + n;
  auto it = std::upper_bound(uncoded_.begin(), uncoded_.end(), begin,
                             [](int64_t v, const std::pair<int64_t, int64_t>& r) { return v < r.second; });
  return it != uncoded_.end() && it->first < end;
}

int GenomeStore::CountLetters(uint32_t seq, Strand s, int64_t p, const char* rd, int32_t n, int limit) const {
  const RefSeq& q = ref_.seq(seq);
  const char* sq = ref_.letters() + q.offset;
  const int64_t len = q.length;
  int d = 0;
  if (s == Strand::kDirect) {
    int64_t g = Mod(p, len);
    for (int32_t j = 0; j < n; ++j) {
      const uint8_t r = CodeOf(rd[j]), c = CodeOf(sq[g]);
      d += r == kNoCode || c == kNoCode || r != c;
      if (d > limit) return d;
      g = g + 1 == len ? 0 : g + 1;
    }
    return d;
  }
  int64_t g = Mod(len - 1 - p, len);
  for (int32_t j = 0; j < n; ++j) {
    const uint8_t r = CodeOf(rd[j]), c = CodeOf(sq[g]);
    d += r == kNoCode || c == kNoCode || r != 3 - c;
    if (d > limit) return d;
    g = g == 0 ? len - 1 : g - 1;
  }
  return d;
}

}  // namespace quorvane
