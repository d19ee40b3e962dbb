#include "engine/piece_probes.h"

#include <algorithm>

#include "common/nucleotide.h"

namespace quorvane {
namespace {

// Both bits of each of the 8 letters from read offset from that lies in
// one of the pieces before piece i (all of them lie before its offset).
unsigned EarlierLetters(const PiecePlan& plan, int i, int from) {
  unsigned bits = 0;
  for (int j = 0; j < i; ++j) {
    const int a = std::max<int>(plan.piece[j].off, from);
    const int b = std::min<int>(plan.piece[j].off + plan.piece[j].len, from + kSeedLen);
    for (int x = a; x < b; ++x) bits |= 3u << (2 * (kSeedLen - 1 - (x - from)));
  }
  return bits;
}

}  // namespace

PlanLookups MakeLookups(const PiecePlan& plan, int32_t rdLen, int32_t misNu) {
  PlanLookups out;
  out.n = plan.n;
  int rem = misNu;
  for (int i = 0; i < plan.n; ++i) {
    const Piece& pc = plan.piece[i];
    out.piece[i] = {pc, rem, static_cast<uint16_t>(~EarlierLetters(plan, i, pc.off - kSeedLen) & 0xFFFFu)};
    rem -= pc.mis + 1;
    // The lookups compare letters up to 16 past each piece's start.
    out.reach = std::max<int32_t>(out.reach, std::min<int32_t>(rdLen, pc.off + 2 * kSeedLen));
  }
  return out;
}

void AddPieceProbes(const PieceLookup& look, int32_t misNu, const PackedStrand& letters, bool reverse,
                    std::vector<Probe>& out) {
  const Piece& pc = look.piece;
  const int rem = look.rem;  // mismatches left outside the earlier pieces
  const int off = pc.off;
  const int lb = std::min<int>(pc.len, kSeedLen);  // the piece's letters in the bucket
  const int tailBits = 2 * (kSeedLen - lb);        // the bucket's letters after them
  const bool longPiece = pc.len > kSeedLen;        // it reaches into the code after its bucket
  Probe probe;
  probe.off = static_cast<int16_t>(off);
  probe.reverse = reverse;
  probe.count = 1u << tailBits;
  ContextKey& key = probe.key;
  key.mask = letters.Coded(off - kSeedLen) << 16 | letters.Coded(off + kSeedLen);
  key.key = (letters.Code(off - kSeedLen) << 16 | letters.Code(off + kSeedLen)) & key.mask;
  // The part: a long piece's letters past its bucket; otherwise the
  // context's letters that no earlier piece holds.
  const unsigned outside = look.outside;
  key.partMask = longPiece ? (0xFFFFu << (2 * (2 * kSeedLen - pc.len))) & 0xFFFFu : outside << 16 | 0xFFFFu;
  const unsigned tail = (1u << tailBits) - 1;
  const unsigned own = letters.Code(off);
  probe.tailMask = static_cast<uint16_t>(letters.Coded(off) & tail);
  probe.tailKey = static_cast<uint16_t>(own & probe.tailMask);
  // Every letter other than A, C, G, T around the piece costs one mismatch;
  // none marks those among the piece's letters in the bucket.
  int uncodedAll = 0, uncodedPart = 0;
  unsigned none = 0;
  if (letters.HasUncoded()) {
    const unsigned prv = letters.Uncoded(off - kSeedLen), nxt = letters.Uncoded(off + kSeedLen);
    const unsigned bucket = letters.Uncoded(off);
    uncodedAll = (BitCount16<false>(prv) + BitCount16<false>(nxt) + BitCount16<false>(bucket & tail)) / 2;
    uncodedPart = longPiece ? BitCount16<false>(nxt & key.partMask) / 2
                            : (BitCount16<false>(prv & outside) + BitCount16<false>(nxt) +
                               BitCount16<false>(bucket & tail)) / 2;
    none = bucket >> tailBits;
  }
  const int partAllow = (longPiece ? pc.mis : rem) - uncodedPart;
  const int most = std::min<int>(pc.mis, rem);  // mismatches among the piece's bucket letters
  auto add = [&](unsigned variant, int d) {
    probe.allow = static_cast<int8_t>(misNu - d - uncodedAll);
    probe.partAllow = static_cast<int8_t>(partAllow - d);
    if (probe.allow < 0 || probe.partAllow < 0) return;
    probe.first = variant << tailBits;
    out.push_back(probe);
  };
  const unsigned head = own >> tailBits;  // the piece's letters in the bucket
  if (most == 0) {
    if (none == 0) add(head, 0);
    return;
  }
  // Every variant of them within the allowance, in ascending code; a
  // letter without code costs one mismatch whatever it is replaced by.
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
      if (d > most) continue;
      stack[top++] = {f.at + 1, f.code << 2 | c, d};
    }
  }
}

}  // namespace quorvane
