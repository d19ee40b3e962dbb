#include "engine/piece_probes.h"

#include <algorithm>

#include "common/nucleotide.h"

namespace quorvane {

void AddPieceProbes(const Piece& pc, int32_t misNu, const PackedStrand& letters, bool reverse,
                    std::vector<Probe>& out) {
  const int off = pc.off;
  const int lb = std::min<int>(pc.len, kSeedLen);  // the piece's letters in the bucket
  const int tailBits = 2 * (kSeedLen - lb);        // the bucket's letters after them
  Probe probe;
  probe.off = static_cast<int16_t>(off);
  probe.reverse = reverse;
  probe.count = 1u << tailBits;
  ContextKey& key = probe.key;
  key.mask = letters.Coded(off - kSeedLen) << 16 | letters.Coded(off + kSeedLen);
  key.key = (letters.Code(off - kSeedLen) << 16 | letters.Code(off + kSeedLen)) & key.mask;
  if (pc.len > kSeedLen) key.pieceMask = (0xFFFFu << (2 * (2 * kSeedLen - pc.len))) & 0xFFFFu;
  const unsigned tail = (1u << tailBits) - 1;
  const unsigned own = letters.Code(off);
  probe.tailMask = static_cast<uint16_t>(letters.Coded(off) & tail);
  probe.tailKey = static_cast<uint16_t>(own & probe.tailMask);
  // Every letter other than A, C, G, T around the piece costs one mismatch;
  // none marks those among the piece's letters in the bucket.
  int uncodedRest = 0, pieceAllow = pc.mis;
  unsigned none = 0;
  if (letters.HasUncoded()) {
    const unsigned nxtNone = letters.Uncoded(off + kSeedLen), bucketNone = letters.Uncoded(off);
    uncodedRest = (BitCount16<false>(letters.Uncoded(off - kSeedLen)) + BitCount16<false>(nxtNone) +
                   BitCount16<false>(bucketNone & tail)) / 2;
    pieceAllow -= BitCount16<false>(nxtNone & key.pieceMask) / 2;
    none = bucketNone >> tailBits;
  }
  auto add = [&](unsigned variant, int d) {
    const int allow = misNu - d - uncodedRest;
    if (allow < 0 || pieceAllow - d < 0) return;
    probe.first = variant << tailBits;
    probe.allow = static_cast<int8_t>(allow);
    key.pieceAllow = static_cast<int8_t>(key.pieceMask != 0 ? pieceAllow - d : kSeedLen);
    out.push_back(probe);
  };
  const unsigned head = own >> tailBits;  // the piece's letters in the bucket
  if (pc.mis == 0) {
    if (none == 0) add(head, 0);
    return;
  }
  // Every variant of them within the piece's allowance, in ascending
  // code; a letter without code costs one mismatch whatever it is
  // replaced by.
  struct Frame {
    int at;
    unsigned code;
    int d;
  };
  Frame stack[3 * kSeedLen + 1];  // depth-first: at most 3 siblings wait per level
  int top = 0;
  stack[top++] = {0, 0, 0};
  while (top > 0) {
    const Frame f = stack[--top];
    if (f.at == lb) {
      add(f.code, f.d);
      continue;
    }
    const int shift = 2 * (lb - 1 - f.at);
    const unsigned mine = (head >> shift) & 3, absent = (none >> shift) & 1;
    for (unsigned c = 4; c-- > 0;) {
      const int d = f.d + ((absent != 0 || c != mine) ? 1 : 0);
      if (d > pc.mis) continue;
      stack[top++] = {f.at + 1, f.code << 2 | c, d};
    }
  }
}

}  // namespace quorvane
