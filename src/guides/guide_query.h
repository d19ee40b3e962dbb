// What a guide search looks for: the guides, the PAM beside them and the
// mismatches allowed, checked before any search begins.
#ifndef QUORVANE_GUIDES_GUIDE_QUERY_H_
#define QUORVANE_GUIDES_GUIDE_QUERY_H_

#include <cstdint>
#include <string>
#include <vector>

#include "common/status.h"

namespace quorvane {

// Letters a guide may have (its protospacer).
inline constexpr int kMinGuideLen = 15;
inline constexpr int kMaxGuideLen = 40;
// Letters a PAM may have.
inline constexpr int kMaxPamLen = 12;
// Mismatches a guide search allows at most.
inline constexpr int kMaxGuideMis = 5;

// One guide: its name and its protospacer letters, 5' to 3', in upper
// case; IUPAC letters stand for every base they name.
struct Guide {
  std::string name;
  std::string letters;
};

// The PAM: IUPAC letters in upper case, matched exactly (a letter matches
// every base it names), 3' of the protospacer (Cas9's NGG) or 5' of it
// (Cas12a's TTTV).
struct Pam {
  std::string letters;
  bool fivePrime = false;
};

// Checks and upper-cases a PAM given as text. Fails with kBadInput: "PAM is
// empty", "PAM has N letters; at most 12", or "bad PAM letter 'X' in TEXT:
// a PAM holds the IUPAC letters A C G T R Y S W K M B D H V N".
Status ParsePam(const std::string& text, bool fivePrime, Pam& pam);

// Checks and upper-cases a guide's letters. name and line place it in the
// messages (line 0: none). Fails with kBadInput: "bad letter 'X' in guide
// NAME (line L): a guide holds the IUPAC letters A C G T R Y S W K M B D H
// V N", or "guide NAME (line L) has N letters; a guide has 15 to 40".
Status CheckGuide(Guide& guide, int64_t line);

// Reads a mismatch limit of 0 to 5 from text (one or two digits). Fails
// with kBadInput "mismatches must be a number from 0 to 5, not TEXT" or
// "a guide search allows at most 5 mismatches, not N".
Status ParseGuideMis(const std::string& text, int& mis);

// Reads a bulge limit of 0 to 2 from text; kind ("DNA" or "RNA") names it
// in the messages. Fails with kBadInput "KIND bulges must be a number from
// 0 to 2, not TEXT" or "a guide search allows KIND bulges of at most 2
// letters, not N".
Status ParseBulge(const std::string& text, const std::string& kind, int& bulge);

}  // namespace quorvane

#endif  // QUORVANE_GUIDES_GUIDE_QUERY_H_
