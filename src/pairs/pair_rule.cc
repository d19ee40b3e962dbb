#include "pairs/pair_rule.h"

namespace quorvane {
namespace {

// A decimal number of at most 15 digits; false for anything else.
bool ParseLimit(const std::string& text, int64_t& v) {
  if (text.empty() || text.size() > 15) return false;
  v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  return true;
}

}  // namespace

CaseStrands StrandsOf(Orientation o, int upstreamMate) {
  switch (o) {
    case Orientation::kFr:
      return {Strand::kDirect, Strand::kCompl};
    case Orientation::kRf:
      return {Strand::kCompl, Strand::kDirect};
    case Orientation::kFf:
      break;
  }
  // Read on the direct strand, mate 1 comes first; read on the
  // complementary strand, mate 2 lies leftmost.
  return upstreamMate == 0 ? CaseStrands{Strand::kDirect, Strand::kDirect} : CaseStrands{Strand::kCompl, Strand::kCompl};
}

const char* OrientationName(Orientation o) {
  switch (o) {
    case Orientation::kFr:
      return "fr";
    case Orientation::kRf:
      return "rf";
    case Orientation::kFf:
      break;
  }
  return "ff";
}

Status ParseFragmentLimits(const std::string& minText, const std::string& maxText, PairRule& rule) {
  int64_t lo = 0, hi = 0;
  if (!ParseLimit(minText, lo)) return Status::BadInput("fragment MIN is not a number");
  if (!ParseLimit(maxText, hi)) return Status::BadInput("fragment MAX is not a number");
  if (hi > kMaxFragLimit) return Status::BadInput("fragment MAX is too big");
  if (lo > hi) return Status::BadInput("fragment MIN is above MAX");
  rule.minFrag = lo;
  rule.maxFrag = hi;
  return Status::OK();
}

std::string_view PairName(std::string_view mateName) {
  const size_t n = mateName.size();
  if (n >= 2 && mateName[n - 2] == '/' && (mateName[n - 1] == '1' || mateName[n - 1] == '2')) {
    return mateName.substr(0, n - 2);
  }
  return mateName;
}

}  // namespace quorvane
