#include "common/number_text.h"

#include <cstdio>
#include <locale>

namespace quorvane {

NumberSeparators UserSeparators() {
  static const NumberSeparators seps = [] {
    NumberSeparators s{0, '.'};
    try {
      std::locale loc("");
      const auto& np = std::use_facet<std::numpunct<char>>(loc);
      s.decimal = np.decimal_point();
      if (!np.grouping().empty() && np.grouping()[0] > 0) s.thousands = np.thousands_sep();
    } catch (const std::exception&) {
      // An unknown locale in the environment: plain C conventions.
    }
    return s;
  }();
  return seps;
}

std::string GroupedNumberText(int64_t n, NumberSeparators seps) {
  std::string digits = std::to_string(n < 0 ? -static_cast<uint64_t>(n) : static_cast<uint64_t>(n));
  std::string out;
  if (n < 0) out.push_back('-');
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && seps.thousands != 0 && (digits.size() - i) % 3 == 0) out.push_back(seps.thousands);
    out.push_back(digits[i]);
  }
  return out;
}

std::string GroupedNumberText(int64_t n) { return GroupedNumberText(n, UserSeparators()); }

std::string SecondsText(double seconds, NumberSeparators seps) {
  char buf[64];
  if (seconds >= 1e7 || seconds <= -1e7) {
    std::snprintf(buf, sizeof buf, "%.7E", seconds);
  } else {
    std::snprintf(buf, sizeof buf, "%.1f", seconds);
  }
  std::string s = buf;
  for (char& c : s) {
    if (c == '.') c = seps.decimal;
  }
  return s;
}

std::string SecondsText(double seconds) { return SecondsText(seconds, UserSeparators()); }

void AppendInt(std::string& out, int64_t n) {
  char buf[24];
  char* end = buf + sizeof buf;
  char* p = end;
  uint64_t u = n < 0 ? -static_cast<uint64_t>(n) : static_cast<uint64_t>(n);
  do {
    *--p = static_cast<char>('0' + u % 10);
    u /= 10;
  } while (u != 0);
  if (n < 0) *--p = '-';
  out.append(p, end);
}

}  // namespace quorvane
