// Reading genome files into a reference, whatever their format.
#ifndef QUORVANE_READERS_GENOME_FILE_H_
#define QUORVANE_READERS_GENOME_FILE_H_

#include <cstdint>
#include <string>

#include "common/status.h"
#include "engine/reference.h"
#include "env/env.h"
#include "readers/input_file.h"

namespace quorvane {

struct GenomeOptions {
  // The size the input check measured of a plain genome that is a regular,
  // uncompressed file: exactly that many bytes are read. -1 reads to the
  // end, as for a stream or a compressed file.
  int64_t gnmLen = -1;
  // Sequences are linear unless their FASTA header says otherwise, and a
  // plain genome is one linear sequence; without it they are circular.
  bool linear = false;
  // Ends a wait for the writer of a genome that is a FIFO or pipe.
  WaitAbort abort;
};

// Reads the genome file at path into ref. A plain genome (one run of the
// letters A, C, G, T in either case, nothing else) becomes one sequence
// named after the file's stem, circular unless opt.linear; a FASTA genome one sequence per
// record (see ReadFastaGenome); either may be gzip- or BGZF-compressed, a
// regular file or a stream. Fails with kCantOpen ("can't open " + path),
// kNoMemory ("no mem sqD and sqC"), kIoError ("can't read " + path), or
// kBadInput: "genome is too big\n" + path; for a plain genome "genome file
// is shorter than gnmLen= " + gnmLen + "\n" + path or "genome file is
// longer than gnmLen= " + gnmLen + "\n" + path (it changed since it was
// measured), or "bad symbol=' ' in genome" with the first byte that is no
// letter between the quotes.
Status ReadGenome(Env& env, const std::string& path, const GenomeOptions& opt, Reference& ref);

// What a genome file holds, found by reading it without keeping it.
struct GenomeShape {
  InputFormat format = InputFormat::kPlain;
  bool compressed = false;
  int64_t letters = 0;    // letters of all sequences together
  int64_t sequences = 0;  // sequences (1 for a plain genome)
};

// Reads the FASTA genome at path through, counting its letters and
// sequences; a plain genome is read only when it is compressed (otherwise
// its letters are its size). Fails as ReadGenome does for a FASTA genome.
Status ScanGenome(Env& env, const std::string& path, GenomeShape& shape);

}  // namespace quorvane

#endif  // QUORVANE_READERS_GENOME_FILE_H_
