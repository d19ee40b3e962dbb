#include "engine/genome_store.h"

#include <algorithm>
#include <cstring>

#include "common/nucleotide.h"
#include "engine/parallel_for.h"

namespace quorvane {
namespace {

// Entries past the last start that scans may read.
constexpr int64_t kCodePad = 16;

int64_t Mod(int64_t a, int64_t m) {
  const int64_t r = a % m;
  return r < 0 ? r + m : r;
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

}  // namespace

Status GenomeStore::Load(Reference ref) {
  Release();
  ref_ = std::move(ref);
  Status st = ref_.Reserve(0);  // an empty genome still has its (padded) buffer
  if (!st.ok()) {
    Release();
    return st;
  }
  const size_t entries = static_cast<size_t>(ref_.total() + kCodePad);
  CdsD_.Allocate(entries);
  if (complCodes_) CdsC_.Allocate(entries);
  if (!CdsD_ || (complCodes_ && !CdsC_)) {
    Release();
    return Status::NoMemory("no mem ChnBegX and Cds");
  }
  std::memset(CdsD_.get() + ref_.total(), 0, sizeof(uint16_t) * kCodePad);
  CodeDirect();
  if (complCodes_) {
    std::memset(CdsC_.get() + ref_.total(), 0, sizeof(uint16_t) * kCodePad);
    CodeCompl();
  }
  FindUncoded();
  return Status::OK();
}

void GenomeStore::CodeDirect() {
  const char* letters = ref_.letters();
  ParallelFor(threads_, ref_.total(), [&](int, int64_t from, int64_t to) {
    if (from >= to) return;
    for (uint32_t s = ref_.SeqAt(from); from < to; ++s) {
      const RefSeq& q = ref_.seq(s);
      const int64_t end = std::min<int64_t>(to, q.offset + q.length);
      if (from < end) {
        CodeRange(letters + q.offset, q.length, from - q.offset, end - q.offset, CdsD_.get() + q.offset);
      }
      from = std::max(from, end);
    }
  });
}

void GenomeStore::CodeCompl() {
  ParallelFor(threads_, ref_.total(), [&](int, int64_t from, int64_t to) {
    if (from >= to) return;
    for (uint32_t s = ref_.SeqAt(from); from < to; ++s) {
      const RefSeq& q = ref_.seq(s);
      const int64_t end = std::min<int64_t>(to, q.offset + q.length);
      const uint16_t* d = CdsD_.get() + q.offset;
      for (int64_t g = from; g < end; ++g) {
        const int64_t p = g - q.offset;
        CdsC_[static_cast<size_t>(g)] = ReverseComplementCode(d[Mod(q.length - kSeedLen - p, q.length)]);
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
  CdsD_.reset();
  CdsC_.reset();
  uncoded_.clear();
}

uint16_t GenomeStore::ComplCode(uint32_t seq, int32_t p) const {
  const RefSeq& q = ref_.seq(seq);
  if (complCodes_) return CdsC_[static_cast<size_t>(q.offset + p)];
  return ReverseComplementCode(CdsD_[static_cast<size_t>(q.offset + Mod(int64_t{q.length} - kSeedLen - p, q.length))]);
}

void GenomeStore::StrandLetters(uint32_t seq, Strand s, int32_t p, int32_t n, char* out) const {
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

bool GenomeStore::CoversUncoded(const RefSeq& q, Strand s, int32_t p, int32_t n) const {
  // The direct-strand letters under the window.
  const int64_t begin = q.offset + (s == Strand::kDirect ? p : q.length - p - n);
  const int64_t end = begin + n;
  auto it = std::upper_bound(uncoded_.begin(), uncoded_.end(), begin,
                             [](int64_t v, const std::pair<int64_t, int64_t>& r) { return v < r.second; });
  return it != uncoded_.end() && it->first < end;
}

int GenomeStore::CountLetters(uint32_t seq, Strand s, int32_t p, const char* rd, int32_t n, int limit) const {
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
