// The genome of one run in memory: both strands as letters and as seed codes.
#ifndef QUORVANE_ENGINE_GENOME_STORE_H_
#define QUORVANE_ENGINE_GENOME_STORE_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/big_array.h"
#include "engine/strand.h"

namespace quorvane {

// Letters past the genome's end that repeat its beginning, so that a read
// of up to kWrapLen letters may run across the end of a circular strand.
inline constexpr int32_t kWrapLen = 1024;

// Largest genome length the store accepts: positions, the wrap tail and
// complementary positions must all fit a signed 32-bit value.
inline constexpr int32_t kMaxGnmLen = INT32_MAX - 2 * kWrapLen;

enum class LoadOutcome {
  kOk,        // both strands are loaded and coded
  kCantOpen,  // the genome file could not be opened (message shown)
  kFailed,    // no memory, a short file or a bad symbol (message shown)
};

// Immutable once loaded: searches of many reads may read it at once.
// Every array has gnmLen + kWrapLen entries; entry gnmLen + k repeats entry
// k, and for genomes shorter than kWrapLen entry j holds entry j % gnmLen.
class GenomeStore {
 public:
  // threads: how many threads the coding passes of a load may use.
  // complStrand: whether the complementary strand is held as letters and
  // seed codes of its own; without, its letters and codes are derived
  // from the direct strand when asked for, and sq(kCompl) and Cds(kCompl)
  // are null.
  explicit GenomeStore(int threads = 1, bool complStrand = true) : threads_(threads), complStrand_(complStrand) {}
  GenomeStore(const GenomeStore&) = delete;
  GenomeStore& operator=(const GenomeStore&) = delete;

  // Reads exactly gnmLen bytes of the file at pthGnm and builds both
  // strands. On failure shows the reason through ShowMsg and holds nothing.
  LoadOutcome LoadGenome(const std::string& pthGnm, int32_t gnmLen);

  // As LoadGenome, from letters already in memory.
  LoadOutcome LoadGenomeText(std::string_view letters);

  // Releases every array; the store is empty afterwards.
  void Release();

  int32_t gnmLen() const { return gnmLen_; }
  bool loaded() const { return static_cast<bool>(sqD_); }

  // The letters of strand s: the direct strand as the file held them (case
  // kept), the complementary strand in upper case.
  const char* sq(Strand s) const { return s == Strand::kDirect ? sqD_.get() : sqC_.get(); }

  // Seed code of the 8 letters p..p+7 of strand s, for p up to
  // gnmLen + kWrapLen - 8; the last 7 entries hold 0.
  const uint16_t* Cds(Strand s) const { return s == Strand::kDirect ? CdsD_.get() : CdsC_.get(); }

  // The seed code of the complementary strand at start p (0 <= p < gnmLen).
  uint16_t ComplCode(int32_t p) const;

  // Copies n letters (n <= kWrapLen) of strand s from start p
  // (0 <= p < gnmLen) into out, continuing past the end at the start.
  void StrandLetters(Strand s, int32_t p, int32_t n, char* out) const;


 private:
  bool Allocate(int32_t gnmLen);
  LoadOutcome Encode();

  int threads_;
  bool complStrand_;
  int32_t gnmLen_ = 0;
  BigArray<char> sqD_;      // direct letters, case kept
  BigArray<char> sqC_;      // complementary letters, upper case
  BigArray<uint16_t> CdsD_; // seed codes of the direct strand
  BigArray<uint16_t> CdsC_; // seed codes of the complementary strand
};

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_GENOME_STORE_H_
