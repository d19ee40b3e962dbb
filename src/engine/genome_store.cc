#include "engine/genome_store.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "common/file_msg.h"
#include "common/nucleotide.h"
#include "common/show_msg.h"

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

// Rolls the seed codes of a strand: cds[p] covers letters p..p+7.
void RollSeedCodes(const char* sq, int32_t n, uint16_t* cds) {
  const int32_t total = n + kWrapLen;
  if (n == 0) {
    std::memset(cds, 0, sizeof(uint16_t) * total);
    return;
  }
  unsigned v = 0;
  for (int32_t q = 0; q < kSeedLen - 1; ++q) v = (v << 2) | CodeOf(sq[q]);
  for (int32_t q = kSeedLen - 1; q < total; ++q) {
    v = ((v << 2) | CodeOf(sq[q])) & 0xFFFF;
    cds[q - (kSeedLen - 1)] = static_cast<uint16_t>(v);
  }
  for (int32_t q = total - (kSeedLen - 1); q < total; ++q) cds[q] = 0;
}

}  // namespace

bool GenomeStore::Allocate(int32_t gnmLen) {
  const size_t total = static_cast<size_t>(gnmLen) + kWrapLen;
  CdsD_.Allocate(total);
  CdsC_.Allocate(total);
  if (!CdsD_ || !CdsC_) {
    Release();
    ShowMsg("no mem ChnBegX and Cds");
    return false;
  }
  sqD_.Allocate(total);
  sqC_.Allocate(total);
  if (!sqD_ || !sqC_) {
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
  for (int32_t p = 0; p < n; ++p) {
    const char b = sqD[p];
    const uint8_t c = CodeOf(b);
    if (c == kNoCode) {
      std::string msg = "bad symbol=' ' in genome";
      msg[12] = b;
      Release();
      ShowMsg(msg);
      return LoadOutcome::kFailed;
    }
    sqC[n - 1 - p] = kComplLetters[c];
  }
  FillWrapTail(sqD, n);
  FillWrapTail(sqC, n);
  if (n == 0) {
    std::memset(sqD, 'A', kWrapLen);
    std::memset(sqC, 'A', kWrapLen);
  }
  RollSeedCodes(sqD, n, CdsD_.get());
  RollSeedCodes(sqC, n, CdsC_.get());
  return LoadOutcome::kOk;
}

void GenomeStore::Release() {
  gnmLen_ = 0;
  sqD_.reset();
  sqC_.reset();
  CdsD_.reset();
  CdsC_.reset();
}

}  // namespace quorvane
