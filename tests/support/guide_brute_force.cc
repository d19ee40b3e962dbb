#include "guide_brute_force.h"

#include <algorithm>
#include <cctype>
#include <string>

namespace quorvane::test {
namespace {

// The bases an IUPAC letter names, spelled out.
std::string Bases(char letter) {
  switch (std::toupper(static_cast<unsigned char>(letter))) {
    case 'A':
      return "A";
    case 'C':
      return "C";
    case 'G':
      return "G";
    case 'T':
      return "T";
    case 'R':
      return "AG";
    case 'Y':
      return "CT";
    case 'S':
      return "CG";
    case 'W':
      return "AT";
    case 'K':
      return "GT";
    case 'M':
      return "AC";
    case 'B':
      return "CGT";
    case 'D':
      return "AGT";
    case 'H':
      return "ACT";
    case 'V':
      return "ACG";
    case 'N':
      return "ACGT";
    default:
      return "";
  }
}

// Whether the genome letter g is a base the pattern letter p names; a
// genome letter other than A, C, G, T is none.
bool Fits(char p, char g) {
  const char u = static_cast<char>(std::toupper(static_cast<unsigned char>(g)));
  if (u != 'A' && u != 'C' && u != 'G' && u != 'T') return false;
  return Bases(p).find(u) != std::string::npos;
}

char Complement(char g) {
  switch (std::toupper(static_cast<unsigned char>(g))) {
    case 'A':
      return 'T';
    case 'C':
      return 'G';
    case 'G':
      return 'C';
    case 'T':
      return 'A';
    default:
      return 'N';
  }
}

}  // namespace

std::vector<GuideSite> BruteGuideSites(const Reference& ref, const std::vector<Guide>& guides, const Pam& pam,
                                       int mis) {
  std::vector<GuideSite> out;
  for (size_t g = 0; g < guides.size(); ++g) {
    const std::string& guide = guides[g].letters;
    const int L = static_cast<int>(guide.size());
    const int S = L + static_cast<int>(pam.letters.size());
    const std::string pattern = pam.fivePrime ? pam.letters + guide : guide + pam.letters;
    const int guideAt = pam.fivePrime ? static_cast<int>(pam.letters.size()) : 0;
    for (size_t q = 0; q < ref.count(); ++q) {
      const RefSeq& r = ref.seq(q);
      const std::string letters(ref.letters() + r.offset, static_cast<size_t>(r.length));
      const int64_t n = r.length;
      for (int64_t s = 0; s < n; ++s) {
        if (S > n || (!r.circular && s + S > n)) break;
        std::string fwd;
        for (int k = 0; k < S; ++k) fwd += letters[static_cast<size_t>((s + k) % n)];
        std::string rev(fwd.rbegin(), fwd.rend());
        for (char& c : rev) c = Complement(c);
        for (Strand strand : {Strand::kDirect, Strand::kCompl}) {
          const std::string& site = strand == Strand::kDirect ? fwd : rev;
          int m = 0;
          bool pamOk = true;
          for (int k = 0; k < S; ++k) {
            const bool inGuide = k >= guideAt && k < guideAt + L;
            if (inGuide) {
              m += !Fits(pattern[k], site[k]);
            } else {
              pamOk = pamOk && Fits(pattern[k], site[k]);
            }
          }
          if (pamOk && m <= mis) {
            out.push_back(
                GuideSite{static_cast<uint32_t>(g), static_cast<uint32_t>(q), s, strand, static_cast<int8_t>(m)});
          }
        }
      }
    }
  }
  std::sort(out.begin(), out.end(), GuideSiteBefore);
  return out;
}

namespace {

// The columns of a partial alignment, in order: 0 a pair, 1 a DNA bulge,
// 2 an RNA bulge; so ranked, text order is the order of the best.
struct Columns {
  uint8_t n = 0;
  uint8_t c[48] = {};
  friend bool operator<(const Columns& a, const Columns& b) {
    return std::lexicographical_compare(a.c, a.c + a.n, b.c, b.c + b.n);
  }
  std::string Text() const {
    std::string t;
    for (int i = 0; i < n; ++i) t += "PDR"[c[i]];
    return t;
  }
};

// One cell of the oracle's table: the fewest mismatches of a partial
// alignment and its columns; found false: none.
struct Cell {
  bool found = false;
  int mis = 0;
  Columns columns;
};

}  // namespace

BruteAlignment BruteAlign(const std::string& guideIn, const std::string& stretchIn, bool pamAtEnd, int mis, int dna,
                          int rna) {
  // From the PAM outward.
  const std::string guide = pamAtEnd ? std::string(guideIn.rbegin(), guideIn.rend()) : guideIn;
  const std::string site = pamAtEnd ? std::string(stretchIn.rbegin(), stretchIn.rend()) : stretchIn;
  const int L = static_cast<int>(guide.size()), S = static_cast<int>(site.size());
  if (L == 0 || S == 0) return {};
  // cell[i][j][d][r][last]: i guide letters and j stretch letters used.
  auto idx = [&](int i, int j, int d, int r, int last) {
    return static_cast<size_t>((((i * (S + 1) + j) * (dna + 1) + d) * (rna + 1) + r) * 3 + last);
  };
  // One table for every call, as the calls are many.
  static thread_local std::vector<Cell> cell;
  cell.assign(idx(L, S, dna, rna, 2) + 1, Cell{});
  auto relax = [&](int i, int j, int d, int r, int last, const Cell& from, uint8_t column, int add) {
    if (from.mis + add > mis) return;
    Cell c = from;
    c.mis += add;
    c.columns.c[c.columns.n++] = column;
    Cell& to = cell[idx(i, j, d, r, last)];
    if (!to.found || c.mis < to.mis || (c.mis == to.mis && c.columns < to.columns)) to = c;
  };
  relax(1, 1, 0, 0, 0, Cell{true, 0, {}}, 0, Fits(guide[0], site[0]) ? 0 : 1);
  for (int i = 1; i <= L; ++i) {
    for (int j = 1; j <= S; ++j) {
      for (int d = 0; d <= dna; ++d) {
        for (int r = 0; r <= rna; ++r) {
          for (int last = 0; last < 3; ++last) {
            const Cell c = cell[idx(i, j, d, r, last)];
            if (!c.found) continue;
            if (i < L && j < S) relax(i + 1, j + 1, d, r, 0, c, 0, Fits(guide[i], site[j]) ? 0 : 1);
            if (last != 2 && d < dna && j < S) relax(i, j + 1, d + 1, r, 1, c, 1, 0);
            if (last != 1 && r < rna && i < L) relax(i + 1, j, d, r + 1, 2, c, 2, 0);
          }
        }
      }
    }
  }
  BruteAlignment best;
  Columns bestColumns;
  for (int d = 0; d <= dna; ++d) {
    for (int r = 0; r <= rna; ++r) {
      const Cell& c = cell[idx(L, S, d, r, 0)];
      if (!c.found) continue;
      const bool better = !best.found || d + r < best.dna + best.rna ||
                          (d + r == best.dna + best.rna &&
                           (c.mis < best.mis || (c.mis == best.mis && c.columns < bestColumns)));
      if (better) {
        best = BruteAlignment{true, c.mis, d, r, c.columns.Text()};
        bestColumns = c.columns;
      }
    }
  }
  return best;
}

namespace {

// Columns as text ranked so that text order is P, then D, then R.
std::string Rank(const std::string& columns) {
  std::string r = columns;
  for (char& c : r) c = c == 'P' ? 'a' : c == 'D' ? 'b' : 'c';
  return r;
}

}  // namespace

std::vector<GuideSite> BruteBulgeSites(const Reference& ref, const std::vector<Guide>& guides, const Pam& pam, int mis,
                                       int dna, int rna) {
  std::vector<GuideSite> out;
  const int P = static_cast<int>(pam.letters.size());
  for (size_t g = 0; g < guides.size(); ++g) {
    const std::string& guide = guides[g].letters;
    const int L = static_cast<int>(guide.size());
    for (size_t q = 0; q < ref.count(); ++q) {
      const RefSeq& r = ref.seq(q);
      const std::string letters(ref.letters() + r.offset, static_cast<size_t>(r.length));
      const int64_t n = r.length;
      // Every PAM placed at direct-strand position p, on either strand; the
      // site reads pam + stretch or stretch + pam on its strand.
      for (int64_t p = 0; p < n; ++p) {
        for (Strand strand : {Strand::kDirect, Strand::kCompl}) {
          BruteAlignment best;
          int64_t bestStart = 0;
          for (int s = L - rna; s <= L + dna; ++s) {
            const int64_t len = s + P;
            if (len > n) continue;
            // The site's leftmost direct-strand letter: the PAM lies at its
            // right on the direct strand for a 3' PAM, at its left for a 5'
            // one; the other way round on the complementary strand.
            const bool pamRight = pam.fivePrime == (strand == Strand::kCompl);
            int64_t start = pamRight ? p - s : p;
            if (!r.circular && (start < 0 || start + len > n)) continue;
            if (start < 0) start += n;
            std::string fwd;
            for (int64_t k = 0; k < len; ++k) fwd += letters[static_cast<size_t>((start + k) % n)];
            std::string site = fwd;
            if (strand == Strand::kCompl) {
              site.assign(fwd.rbegin(), fwd.rend());
              for (char& c : site) c = Complement(c);
            }
            const std::string pamLetters = pam.fivePrime ? site.substr(0, P) : site.substr(static_cast<size_t>(s));
            bool pamOk = true;
            for (int k = 0; k < P; ++k) pamOk = pamOk && Fits(pam.letters[static_cast<size_t>(k)], pamLetters[k]);
            if (!pamOk) break;  // the same PAM for every stretch
            const std::string stretch = pam.fivePrime ? site.substr(static_cast<size_t>(P)) : site.substr(0, s);
            const BruteAlignment a = BruteAlign(guide, stretch, !pam.fivePrime, mis, dna, rna);
            if (!a.found) continue;
            const bool better = !best.found || a.dna + a.rna < best.dna + best.rna ||
                                (a.dna + a.rna == best.dna + best.rna &&
                                 (a.mis < best.mis || (a.mis == best.mis && Rank(a.columns) < Rank(best.columns))));
            if (better) {
              best = a;
              bestStart = start;
            }
          }
          if (best.found) {
            out.push_back(GuideSite{static_cast<uint32_t>(g), static_cast<uint32_t>(q), bestStart, strand,
                                    static_cast<int8_t>(best.mis), static_cast<int8_t>(best.dna),
                                    static_cast<int8_t>(best.rna)});
          }
        }
      }
    }
  }
  std::sort(out.begin(), out.end(), GuideSiteBefore);
  return out;
}

}  // namespace quorvane::test
