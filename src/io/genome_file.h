// Reading genome files into a reference.
#ifndef QUORVANE_IO_GENOME_FILE_H_
#define QUORVANE_IO_GENOME_FILE_H_

#include <cstdint>
#include <string>

#include "common/status.h"
#include "engine/reference.h"
#include "io/env.h"

namespace quorvane {

// Reads the plain genome file at path (one run of the letters A, C, G, T
// in either case, nothing else) into ref as one circular sequence named
// after the file's stem. gnmLen is the size the input check measured;
// exactly that many bytes are read, and a file of another length is
// refused. Fails with kCantOpen ("can't open " + path; also for anything
// but a regular file), kNoMemory ("no mem sqD and sqC"), or kBadInput:
// "genome is too big\n" + path, "genome file is shorter than gnmLen= " +
// gnmLen + "\n" + path, "genome file is longer than gnmLen= " + gnmLen +
// "\n" + path, or "bad symbol=' ' in genome" with the first byte that is
// no letter between the quotes.
Status ReadPlainGenome(Env& env, const std::string& path, int64_t gnmLen, Reference& ref);

}  // namespace quorvane

#endif  // QUORVANE_IO_GENOME_FILE_H_
