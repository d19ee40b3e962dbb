// Genomes in FASTA: one or more named sequences, each circular or linear.
#ifndef QUORVANE_READERS_FASTA_GENOME_H_
#define QUORVANE_READERS_FASTA_GENOME_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "common/status.h"
#include "readers/line_cursor.h"

namespace quorvane {

// Receives the sequences of a genome file as they are read.
class GenomeSink {
 public:
  virtual ~GenomeSink() = default;
  virtual Status BeginSequence(std::string name, bool circular) = 0;
  // Appends letters to the sequence begun last.
  virtual Status AppendLetters(const char* letters, size_t n) = 0;
};

// The topology a header's words ask for: `topology=linear`,
// `topology=circular`, `circular=true` or `circular=false`, in any case;
// dflt when they say nothing.
bool HeaderCircular(std::string_view words, bool dflt);

// Reads a FASTA genome from cursor into sink. The name of a sequence is
// the first word of its header; line breaks (LF or CR LF), blanks and tabs
// within the letters are passed over; letters of either case are kept as
// they are, the IUPAC codes beside A, C, G, T (N, R, Y, ...) included. Each
// sequence is circular unless linear is set or its header says otherwise.
// Fails with kBadInput, the path on a line of its own after: a byte that
// is no letter ("bad symbol='\x01' at position N of sequence NAME in
// genome"), a header without a name, or a name used twice.
Status ReadFastaGenome(LineCursor& cursor, bool linear, GenomeSink& sink);

}  // namespace quorvane

#endif  // QUORVANE_READERS_FASTA_GENOME_H_
