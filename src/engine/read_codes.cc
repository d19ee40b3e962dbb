#include "engine/read_codes.h"

#include "common/nucleotide.h"
#include "engine/mis_nu_table.h"

namespace quorvane {

void SetReadShape(int32_t rdLen, ReadCodes& rc) {
  rc.rdLen = rdLen;
  rc.LstLen = rdLen % 8;
  rc.BlkNu = rdLen / 8;
  if (rc.LstLen == 0) {
    rc.BlkNu -= 1;
    rc.LstLen = 8;
  }
  rc.LstShf = 16 - 2 * rc.LstLen;
}

void MakeRdCds(const char* rd, ReadCodes& rc) {
  rc.NNu = 0;
  for (int j = 0; j <= rc.BlkNu; ++j) {
    const int len = j < rc.BlkNu ? 8 : rc.LstLen;
    const char* b = rd + 8 * j;
    unsigned v = 0, m = 0;
    int nn = 0;
    for (int i = 0; i < len; ++i) {
      uint8_t c = CodeOf(b[i]);
      unsigned bits = 0;
      if (c == kNoCode) {
        c = 0;
        bits = 3;
        ++nn;
      }
      v = (v << 2) | c;
      m = (m << 2) | bits;
    }
    rc.RdCds[j] = static_cast<uint16_t>(v);
    rc.RdMsk[j] = static_cast<uint16_t>(m);
    rc.RdNNu[j] = static_cast<int8_t>(nn);
    rc.NNu += nn;
  }
}

int BlockMis(const ReadCodes& rc, int j, unsigned g) {
  return MisNuX[(g ^ rc.RdCds[j]) & ~rc.RdMsk[j] & 0xFFFF] + rc.RdNNu[j];
}

}  // namespace quorvane
