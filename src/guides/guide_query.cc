#include "guides/guide_query.h"

#include "common/iupac.h"

namespace quorvane {
namespace {

constexpr const char* kIupacLetters = "A C G T R Y S W K M B D H V N";

// The byte as the messages show it: itself when printable, else its code.
std::string Shown(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  if (u >= 0x21 && u <= 0x7e) return std::string(1, c);
  return "\\x" + std::string(1, "0123456789abcdef"[u >> 4]) + "0123456789abcdef"[u & 15];
}

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string Where(const Guide& g, int64_t line) {
  return "guide " + g.name + (line > 0 ? " (line " + std::to_string(line) + ")" : std::string());
}

}  // namespace

Status ParsePam(const std::string& text, bool fivePrime, Pam& pam) {
  if (text.empty()) return Status::BadInput("PAM is empty");
  for (char c : text) {
    if (kIupacSet[static_cast<unsigned char>(c)] == 0) {
      return Status::BadInput("bad PAM letter '" + Shown(c) + "' in " + text + ": a PAM holds the IUPAC letters " +
                              kIupacLetters);
    }
  }
  if (text.size() > static_cast<size_t>(kMaxPamLen)) {
    return Status::BadInput("PAM has " + std::to_string(text.size()) + " letters; at most " +
                            std::to_string(kMaxPamLen));
  }
  pam.letters.clear();
  for (char c : text) pam.letters += Upper(c);
  pam.fivePrime = fivePrime;
  return Status::OK();
}

Status CheckGuide(Guide& guide, int64_t line) {
  for (char& c : guide.letters) {
    if (kIupacSet[static_cast<unsigned char>(c)] == 0) {
      return Status::BadInput("bad letter '" + Shown(c) + "' in " + Where(guide, line) +
                              ": a guide holds the IUPAC letters " + kIupacLetters);
    }
    c = Upper(c);
  }
  const int64_t n = static_cast<int64_t>(guide.letters.size());
  if (n < kMinGuideLen || n > kMaxGuideLen) {
    return Status::BadInput(Where(guide, line) + " has " + std::to_string(n) + " letters; a guide has " +
                            std::to_string(kMinGuideLen) + " to " + std::to_string(kMaxGuideLen));
  }
  return Status::OK();
}

Status ParseGuideMis(const std::string& text, int& mis) {
  bool digits = !text.empty() && text.size() <= 2;
  for (char c : text) digits = digits && c >= '0' && c <= '9';
  if (!digits) return Status::BadInput("mismatches must be a number from 0 to 5, not " + text);
  const int v = std::stoi(text);
  if (v > kMaxGuideMis) {
    return Status::BadInput("a guide search allows at most 5 mismatches, not " + std::to_string(v));
  }
  mis = v;
  return Status::OK();
}

Status ParseBulge(const std::string& text, const std::string& kind, int& bulge) {
  bool digits = !text.empty() && text.size() <= 2;
  for (char c : text) digits = digits && c >= '0' && c <= '9';
  if (!digits) return Status::BadInput(kind + " bulges must be a number from 0 to 2, not " + text);
  const int v = std::stoi(text);
  if (v > 2) {
    return Status::BadInput("a guide search allows " + kind + " bulges of at most 2 letters, not " + std::to_string(v));
  }
  bulge = v;
  return Status::OK();
}

}  // namespace quorvane
