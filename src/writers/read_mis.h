// The display copy of a read at one hit.
#ifndef QUORVANE_WRITERS_READ_MIS_H_
#define QUORVANE_WRITERS_READ_MIS_H_

#include <cstdint>

namespace quorvane {

// Writes into readMis the rdLen letters of rd followed by a zero byte,
// each letter that differs from the genome text g (the strand's letters
// from the hit's start) in lower case. Letters are compared by their
// nucleotide code, so case never counts as a difference; a read letter
// other than A, C, G, T always differs.
void MakeReadMis(const char* rd, int32_t rdLen, const char* g, char* readMis);

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_READ_MIS_H_
