#include "engine/genome_store.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "common/file_msg.h"
#include "common/nucleotide.h"
#include "common/show_msg.h"
#include "engine/parallel_for.h"

namespace quorvane {
namespace {

// Fills the wrap tail: entry n + k repeats entry k. Copying in ascending
// order makes a genome shorter than the tail repeat itself as often as
// needed. An empty genome has nothing to repeat; its tail stays as is.
template <typename T>
void FillWrapTail(T* a, int32_t n) {
  if (n == 0) return;
  for (int32_t k = 0; k < kWrapLen; ++k) a[n + k] = a[k];
}

// Seed codes of the strand letters sq (n letters and the wrap tail) for the
// starts [from, to): cds[p] covers letters p..p+7.
void RollSeedCodes(const char* sq, int64_t from, int64_t to, uint16_t* cds) {
  if (from >= to) return;
  unsigned v = 0;
  for (int64_t q = from; q < from + kSeedLen - 1; ++q) v = (v << 2) | CodeOf(sq[q]);
  for (int64_t p = from; p < to; ++p) {
    v = ((v << 2) | CodeOf(sq[p + kSeedLen - 1])) & 0xFFFF;
    cds[p] = static_cast<uint16_t>(v);
  }
}

}  // namespace

bool GenomeStore::Allocate(int32_t gnmLen) {
  const size_t total = static_cast<size_t>(gnmLen) + kWrapLen;
  CdsD_.Allocate(total);
  if (complStrand_) CdsC_.Allocate(total);
  if (!CdsD_ || (complStrand_ && !CdsC_)) {
    Release();
    ShowMsg("no mem ChnBegX and Cds");
    return false;
  }
  sqD_.Allocate(total);
  if (complStrand_) sqC_.Allocate(total);
  if (!sqD_ || (complStrand_ && !sqC_)) {
    Release();
    ShowMsg("no mem sqD and sqC");
    return false;
  }
  gnmLen_ = gnmLen;
  return true;
}

LoadOutcome GenomeStore::LoadGenome(const std::string& pthGnm, int32_t gnmLen) {
  Release();
  if (gnmLen < 0 || gnmLen > kMaxGnmLen) {
    ShowMsg("genome is too big\n" + pthGnm);
    return LoadOutcome::kFailed;
  }
  std::FILE* f = OpenFileMsg(pthGnm, "rb");
  if (f == nullptr) return LoadOutcome::kCantOpen;
  if (!Allocate(gnmLen)) {
    std::fclose(f);
    return LoadOutcome::kFailed;
  }
  const size_t got = gnmLen == 0 ? 0 : std::fread(sqD_.get(), 1, static_cast<size_t>(gnmLen), f);
  std::fclose(f);
  if (got != static_cast<size_t>(gnmLen)) {
    // The file shrank after it was measured: never map what was not read.
    Release();
    ShowMsg("genome file is shorter than gnmLen= " + std::to_string(gnmLen) + "\n" + pthGnm);
    return LoadOutcome::kFailed;
  }
  return Encode();
}

LoadOutcome GenomeStore::LoadGenomeText(std::string_view letters) {
  Release();
  if (letters.size() > static_cast<size_t>(kMaxGnmLen)) {
    ShowMsg("genome is too big");
    return LoadOutcome::kFailed;
  }
  if (!Allocate(static_cast<int32_t>(letters.size()))) return LoadOutcome::kFailed;
  if (!letters.empty()) std::memcpy(sqD_.get(), letters.data(), letters.size());
  return Encode();
}

LoadOutcome GenomeStore::Encode() {
  const int32_t n = gnmLen_;
  char* sqD = sqD_.get();
  char* sqC = sqC_.get();
  // Each range finds its first byte without a code; the first of all is
  // the one reported.
  const int ranges = ParallelRanges(threads_, n);
  std::vector<int64_t> firstBad(static_cast<size_t>(ranges), n);
  ParallelFor(threads_, n, [&](int t, int64_t from, int64_t to) {
    for (int64_t p = from; p < to; ++p) {
      const uint8_t c = CodeOf(sqD[p]);
      if (c == kNoCode) {
        firstBad[static_cast<size_t>(t)] = p;
        return;
      }
      if (sqC != nullptr) sqC[n - 1 - p] = kComplLetters[c];
    }
  });
  for (int64_t bad : firstBad) {
    if (bad == n) continue;
    std::string msg = "bad symbol=' ' in genome";
    msg[12] = sqD[bad];
    Release();
    ShowMsg(msg);
    return LoadOutcome::kFailed;
  }
  if (n == 0) {
    // Nothing to repeat: the tails hold letters that no start ever reads.
    std::memset(sqD, 'A', kWrapLen);
    std::memset(CdsD_.get(), 0, sizeof(uint16_t) * kWrapLen);
    if (complStrand_) {
      std::memset(sqC, 'A', kWrapLen);
      std::memset(CdsC_.get(), 0, sizeof(uint16_t) * kWrapLen);
    }
    return LoadOutcome::kOk;
  }
  FillWrapTail(sqD, n);
  if (complStrand_) FillWrapTail(sqC, n);
  // Starts up to n + kWrapLen - 8 have their 8 letters in the buffers.
  const int64_t starts = static_cast<int64_t>(n) + kWrapLen - (kSeedLen - 1);
  ParallelFor(threads_, starts, [&](int, int64_t from, int64_t to) {
    RollSeedCodes(sqD, from, to, CdsD_.get());
    if (complStrand_) RollSeedCodes(sqC, from, to, CdsC_.get());
  });
  for (int64_t p = starts; p < starts + kSeedLen - 1; ++p) {
    CdsD_[p] = 0;
    if (complStrand_) CdsC_[p] = 0;
  }
  return LoadOutcome::kOk;
}

uint16_t GenomeStore::ComplCode(int32_t p) const {
  if (complStrand_) return CdsC_[p];
  // The complementary letters p..p+7 pair with the direct letters ending
  // at gnmLen - 1 - p: the same code read backwards, each letter
  // complemented.
  int64_t a = (static_cast<int64_t>(gnmLen_) - kSeedLen - p) % gnmLen_;
  if (a < 0) a += gnmLen_;
  unsigned x = CdsD_[a];
  x = ((x >> 2) & 0x3333u) | ((x & 0x3333u) << 2);
  x = ((x >> 4) & 0x0F0Fu) | ((x & 0x0F0Fu) << 4);
  x = ((x >> 8) | (x << 8)) & 0xFFFFu;
  return static_cast<uint16_t>(x ^ 0xFFFFu);
}

void GenomeStore::StrandLetters(Strand s, int32_t p, int32_t n, char* out) const {
  if (s == Strand::kDirect || complStrand_) {
    std::memcpy(out, sq(s) + p, static_cast<size_t>(n));
    return;
  }
  const int64_t g = gnmLen_;
  for (int32_t j = 0; j < n; ++j) {
    int64_t d = (g - 1 - p - j) % g;
    if (d < 0) d += g;
    out[j] = kComplLetters[CodeOf(sqD_[d])];
  }
}

void GenomeStore::Release() {
  gnmLen_ = 0;
  sqD_.reset();
  sqC_.reset();
  CdsD_.reset();
  CdsC_.reset();
}

}  // namespace quorvane
