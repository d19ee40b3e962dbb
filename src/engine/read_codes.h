// A read cut into 8-letter blocks and their seed codes.
#ifndef QUORVANE_ENGINE_READ_CODES_H_
#define QUORVANE_ENGINE_READ_CODES_H_

#include <cstdint>

namespace quorvane {

inline constexpr int32_t kMinRdLen = 12;
inline constexpr int32_t kMaxRdLen = 1024;
// Blocks of the longest read: 127 full blocks and a last block.
inline constexpr int kMaxBlocks = 129;

// The shape values and block codes of one read, valid until the next read.
// Block j (0 <= j < BlkNu) holds letters 8j..8j+7, the last block the
// LstLen letters from 8*BlkNu.
struct ReadCodes {
  int32_t rdLen = 0;   // letters of the read, kMinRdLen..kMaxRdLen
  int32_t LstLen = 0;  // letters of the last block, 1..8
  int32_t BlkNu = 0;   // full blocks before the last block, 1..127
  int32_t LstShf = 0;  // right shift that cuts a genome seed code to LstLen letters
  // Seed code of block j; entry BlkNu holds the last block's code in its
  // low 2*LstLen bits, first letter highest. A letter other than A, C, G, T
  // is coded 0 here and marked in RdMsk.
  uint16_t RdCds[kMaxBlocks] = {};
  // Both bits of every letter of block j that is not A, C, G, T (either
  // case). Such a letter matches no genome letter: it counts as one
  // mismatch wherever the read is laid.
  uint16_t RdMsk[kMaxBlocks] = {};
  // Number of such letters in block j.
  int8_t RdNNu[kMaxBlocks] = {};
  // Number of such letters in the whole read.
  int32_t NNu = 0;
};

// Sets rdLen, LstLen, BlkNu and LstShf for a read of rdLen letters
// (kMinRdLen <= rdLen <= kMaxRdLen).
void SetReadShape(int32_t rdLen, ReadCodes& rc);

// Fills RdCds, RdMsk, RdNNu and NNu from the read letters rd, using the
// shape set by SetReadShape.
void MakeRdCds(const char* rd, ReadCodes& rc);

// Mismatching letters of block j against genome seed code g, the letters
// the read does not code counted as mismatches. For the last block, g must
// already be shifted right by LstShf.
int BlockMis(const ReadCodes& rc, int j, unsigned g);

}  // namespace quorvane

#endif  // QUORVANE_ENGINE_READ_CODES_H_
