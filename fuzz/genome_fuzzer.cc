// The genome loaders (plain and FASTA, compressed or not, a regular file
// measured beforehand or a stream) on any bytes: no crash, and a loaded
// genome that the scan of the same file agrees with.
#include <cstddef>
#include <cstdint>
#include <string>

#include "check.h"
#include "common/nucleotide.h"
#include "engine/reference.h"
#include "readers/genome_file.h"
#include "mem_env.h"

using namespace quorvane;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // First byte: bits 0-1 the read size, bits 2-3 and 7 all set gzip the
  // rest (read ahead on a thread, whose fresh buffers cost a fuzz run
  // more than all the parsing), bit 4 a stream, bit 5 linear sequences,
  // bit 6 a measured length one off the file's, or two gzip members.
  const unsigned mode = data[0];
  std::string content(reinterpret_cast<const char*>(data) + 1, size - 1);
  // The content's size bounds the letters, unless the fuzzer's bytes are
  // themselves a gzip stream, whose content may be far larger.
  const bool gzipBytes = content.size() >= 2 && content[0] == '\x1f' && content[1] == '\x8b';
  const int64_t raw = gzipBytes ? int64_t{1} << 40 : static_cast<int64_t>(content.size());
  if ((mode & 0x8c) == 0x8c) content = fuzz::Gzip(content, mode & 64 ? 2 : 1);
  const bool regular = (mode & 16) == 0;
  fuzz::MemEnv env("g.fa", content, fuzz::PieceSize(mode), regular);

  GenomeOptions opt;
  opt.linear = (mode & 32) != 0;
  opt.gnmLen = regular ? static_cast<int64_t>(content.size()) + ((mode & 64) ? 1 : 0) : -1;
  Reference ref;
  const Status st = ReadGenome(env, "g.fa", opt, ref);
  if (!st.ok()) {
    FUZZ_CHECK(!st.message().empty(), "a failure without a message");
    return 0;
  }
  FUZZ_CHECK(ref.total() <= raw, "%lld letters from %lld bytes", static_cast<long long>(ref.total()),
             static_cast<long long>(raw));
  FUZZ_CHECK(ref.count() >= 1, "a genome without a sequence");
  int64_t sum = 0;
  for (size_t i = 0; i < ref.count(); ++i) {
    const RefSeq& q = ref.seq(i);
    FUZZ_CHECK(q.offset == sum, "sequence %zu at %lld", i, static_cast<long long>(q.offset));
    sum += q.length;
    for (int64_t p = q.offset; p < q.offset + q.length; ++p) {
      const char c = ref.letters()[p];
      FUZZ_CHECK((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'), "letter %d kept", c);
    }
  }
  FUZZ_CHECK(sum == ref.total(), "sequences of %lld letters, %lld in all", static_cast<long long>(sum),
             static_cast<long long>(ref.total()));

  // What the input check measures of the file is what was loaded.
  fuzz::MemEnv again("g.fa", content, fuzz::PieceSize(mode >> 2), regular);
  GenomeShape shape;
  const Status scanned = ScanGenome(again, "g.fa", shape);
  // A plain stream cannot be measured without being read: the checks
  // leave it to the run.
  if (!scanned.ok() && shape.format == InputFormat::kPlain && !shape.compressed && !regular) return 0;
  FUZZ_CHECK(scanned.ok(), "loaded, but the scan failed: %s", scanned.message().c_str());
  FUZZ_CHECK(shape.sequences == static_cast<int64_t>(ref.count()), "%lld sequences scanned, %zu loaded",
             static_cast<long long>(shape.sequences), ref.count());
  if (shape.format == InputFormat::kFasta || shape.compressed || !regular) {
    FUZZ_CHECK(shape.letters == ref.total(), "%lld letters scanned, %lld loaded",
               static_cast<long long>(shape.letters), static_cast<long long>(ref.total()));
  }
  return 0;
}
