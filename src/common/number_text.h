// Numbers as the user reads them, in the user's locale.
#ifndef QUORVANE_COMMON_NUMBER_TEXT_H_
#define QUORVANE_COMMON_NUMBER_TEXT_H_

#include <cstdint>
#include <string>

namespace quorvane {

// The separators of the user's locale (from the environment, as set by
// LANG / LC_NUMERIC); thousands is 0 where the locale groups nothing.
struct NumberSeparators {
  char thousands;
  char decimal;
};

// The user locale's separators, read once per process.
NumberSeparators UserSeparators();

// n in decimal, digits grouped by threes with seps.thousands.
std::string GroupedNumberText(int64_t n, NumberSeparators seps);
std::string GroupedNumberText(int64_t n);

// Seconds in fixed-point notation with one digit after seps.decimal, as in
// 12.3 or 0.0; values too large for 8 significant digits turn scientific.
std::string SecondsText(double seconds, NumberSeparators seps);
std::string SecondsText(double seconds);

// Appends the decimal text of n to out; the fast path of the result files.
void AppendInt(std::string& out, int64_t n);

}  // namespace quorvane

#endif  // QUORVANE_COMMON_NUMBER_TEXT_H_
