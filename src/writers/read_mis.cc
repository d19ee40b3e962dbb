#include "writers/read_mis.h"

#include <cctype>

#include "common/nucleotide.h"

namespace quorvane {

void MakeReadMis(const char* rd, int32_t rdLen, const char* g, char* readMis) {
  for (int32_t j = 0; j < rdLen; ++j) {
    const uint8_t c = CodeOf(rd[j]);
    const bool same = c != kNoCode && c == CodeOf(g[j]);
    readMis[j] = same ? rd[j] : static_cast<char>(std::tolower(static_cast<unsigned char>(rd[j])));
  }
  readMis[rdLen] = '\0';
}

}  // namespace quorvane
