// A fuzz target's check: a broken promise is reported and ends the run as
// a crash, so that libFuzzer keeps the input that broke it.
#ifndef QUORVANE_FUZZ_CHECK_H_
#define QUORVANE_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond, ...)                                             \
  do {                                                                    \
    if (!(cond)) {                                                        \
      std::fprintf(stderr, "%s:%d: %s: ", __FILE__, __LINE__, #cond);     \
      std::fprintf(stderr, __VA_ARGS__);                                  \
      std::fputc('\n', stderr);                                           \
      std::abort();                                                       \
    }                                                                     \
  } while (0)

#endif  // QUORVANE_FUZZ_CHECK_H_
