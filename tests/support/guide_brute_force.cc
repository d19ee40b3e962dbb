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

}  // namespace quorvane::test
