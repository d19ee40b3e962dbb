// Opening an input file whatever its form: plain, FASTA or FASTQ,
// compressed or not, a regular file or a stream.
#ifndef QUORVANE_READERS_INPUT_FILE_H_
#define QUORVANE_READERS_INPUT_FILE_H_

#include <memory>
#include <string>
#include <string_view>

#include "env/env.h"
#include "readers/line_cursor.h"
#include "readers/read_source.h"

namespace quorvane {

// What a file holds, told by its content, never by its name.
enum class InputFormat {
  kPlain,  // the system's own: a genome as one run of letters, reads one per line
  kFasta,  // records beginning with '>'
  kFastq,  // records beginning with '@'
};

// The format of content whose first bytes (decompressed) are head: FASTA
// or FASTQ when its first character other than white space is '>' or '@',
// plain otherwise.
InputFormat SniffFormat(std::string_view head);

// The path that stands for standard input.
inline constexpr const char* kStdinPath = "-";

// Opens path (kStdinPath for standard input) for reading line by line,
// decompressing it when it is gzip- or BGZF-compressed; a compressed file
// is read and decompressed on a thread of its own, ahead of its reader.
// Fails with kCantOpen (failure.message() empty: the caller words it) or
// kIoError ("can't read " + path). abort, when set, ends a wait for a
// stream's writer with kInterrupted, then or in a later read.
Status OpenInput(Env& env, const std::string& path, std::unique_ptr<LineCursor>& cursor, bool* compressed = nullptr,
                 WaitAbort abort = {});

// Opens the reads file at path as the source its content calls for.
// Fails with "i can't open\n" + path when it cannot be opened.
Status OpenReadSource(Env& env, const std::string& path, std::unique_ptr<ReadSource>& source, WaitAbort abort = {});

// The source that the content under cursor calls for: plain lines, FASTA
// or FASTQ. Fails when the first bytes cannot be read.
Status NewReadSource(std::unique_ptr<LineCursor> cursor, std::unique_ptr<ReadSource>& source);

}  // namespace quorvane

#endif  // QUORVANE_READERS_INPUT_FILE_H_
