// The reads readers (plain lines, FASTA, FASTQ; compressed or not; a
// regular file or a stream read in pieces of any size) on any bytes: no
// crash, no unbounded memory, and records that keep their promises.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "check.h"
#include "readers/inflating_file.h"
#include "readers/fastx_source.h"
#include "readers/input_file.h"
#include "readers/line_cursor.h"
#include "mem_env.h"

using namespace quorvane;

namespace {

// The source for content as OpenReadSource chooses it, without the thread
// that reads ahead of a compressed file (which only moves bytes).
Status OpenDirect(const std::string& content, size_t piece, std::unique_ptr<ReadSource>& source) {
  std::unique_ptr<SequentialFile> file;
  bool compressed = false;
  Status st = OpenInflating(std::make_unique<fuzz::MemFile>(content, piece), "r.txt", file, compressed);
  if (!st.ok()) return st;
  return NewReadSource(std::make_unique<LineCursor>(std::move(file), "r.txt"), source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // First byte: bits 0-1 the read size, bits 2-3 both set gzip the rest,
  // bit 4 in two members, bit 5 a stream rather than a regular file, bits
  // 6-7 both set through OpenReadSource itself (plain bytes only).
  const unsigned mode = data[0];
  std::string content(reinterpret_cast<const char*>(data) + 1, size - 1);
  // The content's size bounds what is read of it, unless the fuzzer's
  // bytes are themselves a gzip stream, whose content may be far larger.
  const bool gzipBytes = content.size() >= 2 && content[0] == '\x1f' && content[1] == '\x8b';
  const size_t raw = gzipBytes ? size_t{1} << 40 : content.size();
  if ((mode & 12) == 12) content = fuzz::Gzip(content, mode & 16 ? 2 : 1);

  // The file outlives the source that reads it.
  fuzz::MemEnv env("r.txt", content, fuzz::PieceSize(mode), (mode & 32) == 0);
  std::unique_ptr<ReadSource> source;
  Status st;
  // OpenReadSource itself for plain bytes only: for a compressed file it
  // adds the thread that reads ahead, whose fresh buffers cost a fuzz run
  // more than all the parsing.
  const bool gzipped = content.size() >= 2 && content[0] == '\x1f' && content[1] == '\x8b';
  if ((mode & 0xc0) == 0xc0 && !gzipped) {
    st = OpenReadSource(env, "r.txt", source);
  } else {
    st = OpenDirect(content, fuzz::PieceSize(mode), source);
  }
  if (!st.ok()) return 0;
  int64_t reads = 0, lastBytes = 0;
  for (;;) {
    ReadRecord r;
    bool more = false;
    st = source->Next(r, more);
    if (!st.ok()) {
      FUZZ_CHECK(!st.message().empty(), "a failure without a message");
      bool again = false;
      const Status next = source->Next(r, again);
      FUZZ_CHECK(!(next.ok() && again), "a record after a failure");
      break;
    }
    if (!more) break;
    ++reads;
    FUZZ_CHECK(r.seq.size() <= static_cast<size_t>(kMaxKeptLetters), "%zu letters kept", r.seq.size());
    FUZZ_CHECK(r.length >= static_cast<int64_t>(r.seq.size()), "length %lld < %zu letters",
               static_cast<long long>(r.length), r.seq.size());
    FUZZ_CHECK(r.seq.empty() || r.length == static_cast<int64_t>(r.seq.size()), "a cut read with letters");
    FUZZ_CHECK(r.qual.empty() || r.qual.size() == r.seq.size(), "%zu qualities for %zu letters", r.qual.size(),
               r.seq.size());
    FUZZ_CHECK(r.seq.find('\n') == std::string_view::npos, "a line end in a read");
    FUZZ_CHECK(source->bytesRead() >= lastBytes, "bytes read went back");
    lastBytes = source->bytesRead();
    // Every record takes at least one byte (its line end) of the content;
    // a compressed file's content is what was compressed.
    FUZZ_CHECK(reads <= static_cast<int64_t>(raw) + 1, "%lld reads from %zu bytes", static_cast<long long>(reads),
               raw);
  }
  FUZZ_CHECK(lastBytes <= static_cast<int64_t>(raw), "more bytes read than there are");
  return 0;
}
