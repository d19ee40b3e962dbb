#include "readers/genome_file.h"

#include <emmintrin.h>

#include <algorithm>
#include <memory>

#include "common/nucleotide.h"
#include "readers/fasta_genome.h"
#include "common/file_stem.h"

namespace quorvane {
namespace {

constexpr size_t kChunk = size_t{1} << 20;

// Sequences go into a reference.
class ReferenceSink final : public GenomeSink {
 public:
  explicit ReferenceSink(Reference& ref) : ref_(ref) {}
  Status BeginSequence(std::string name, bool circular) override {
    ref_.BeginSequence(std::move(name), circular);
    return Status::OK();
  }
  Status AppendLetters(const char* letters, size_t n) override { return ref_.Append(letters, n); }

 private:
  Reference& ref_;
};

// Sequences are only counted.
class CountingSink final : public GenomeSink {
 public:
  explicit CountingSink(GenomeShape& shape) : shape_(shape) {}
  Status BeginSequence(std::string, bool) override {
    ++shape_.sequences;
    return Status::OK();
  }
  Status AppendLetters(const char*, size_t n) override {
    shape_.letters += static_cast<int64_t>(n);
    return shape_.letters > kMaxGnmLen ? Status::BadInput("genome is too big") : Status::OK();
  }

 private:
  GenomeShape& shape_;
};

// The first byte of letters[0, n) that is no letter A, C, G, T, as the
// message that reports it, or OK.
Status CheckLetters(const char* letters, size_t n) {
  // 16 letters at a time while all of them are A, C, G or T (either case);
  // the first other byte is then found one letter at a time.
  size_t i = 0;
  const __m128i lower = _mm_set1_epi8(0x20);
  for (; i + 16 <= n; i += 16) {
    const __m128i v = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(letters + i)), lower);
    const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('a')), _mm_cmpeq_epi8(v, _mm_set1_epi8('c'))),
                                     _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('g')), _mm_cmpeq_epi8(v, _mm_set1_epi8('t'))));
    if (_mm_movemask_epi8(hit) != 0xFFFF) break;
  }
  for (; i < n; ++i) {
    if (CodeOf(letters[i]) == kNoCode) {
      std::string msg = "bad symbol=' ' in genome";
      msg[12] = letters[i];
      return Status::BadInput(msg);
    }
  }
  return Status::OK();
}

// The plain genome: exactly gnmLen bytes and not one more, or to the end
// where gnmLen is -1, every one of them a letter A, C, G or T; one
// sequence, circular unless linear. A stream is checked as it comes, so
// that one without letters is not read to its end.
Status ReadPlain(LineCursor& c, const std::string& path, int64_t gnmLen, bool linear, Reference& ref) {
  if (gnmLen > kMaxGnmLen) return Status::BadInput("genome is too big\n" + path);
  ref.BeginSequence(FileStem(path), !linear);
  Status st;
  if (gnmLen >= 0 && !ref.Reserve(gnmLen).ok()) return Status::NoMemory("no mem sqD and sqC");
  int64_t have = 0;
  for (;;) {
    const int64_t want = gnmLen >= 0 ? std::min<int64_t>(gnmLen - have, kChunk) : static_cast<int64_t>(kChunk);
    if (want == 0) break;
    char* at = ref.Extend(static_cast<size_t>(want), st);
    if (at == nullptr) return st.code() == Status::Code::kBadInput ? Status::BadInput("genome is too big\n" + path) : st;
    size_t got = 0;
    st = c.ReadRaw(at, static_cast<size_t>(want), got);
    ref.Shrink(static_cast<size_t>(want) - got);
    if (!st.ok()) return st;
    if (gnmLen < 0) {
      st = CheckLetters(at, got);
      if (!st.ok()) return st;
    }
    have += static_cast<int64_t>(got);
    if (got == 0) break;
  }
  if (gnmLen < 0) return Status::OK();
  // A file that changed after it was measured is never mapped in part.
  if (have != gnmLen) {
    return Status::BadInput("genome file is shorter than gnmLen= " + std::to_string(gnmLen) + "\n" + path);
  }
  char more = 0;
  size_t got = 0;
  st = c.ReadRaw(&more, 1, got);
  if (!st.ok()) return st;
  if (got != 0) {
    return Status::BadInput("genome file is longer than gnmLen= " + std::to_string(gnmLen) + "\n" + path);
  }
  return CheckLetters(ref.letters(), static_cast<size_t>(have));
}

}  // namespace

Status ReadGenome(Env& env, const std::string& path, const GenomeOptions& opt, Reference& ref) {
  std::unique_ptr<LineCursor> cursor;
  bool compressed = false;
  Status st = OpenInput(env, path, cursor, &compressed, opt.abort);
  if (st.code() == Status::Code::kCantOpen) return Status::CantOpen("can't open " + path);
  if (!st.ok()) return st;
  std::string_view head;
  st = cursor->Peek(head);
  if (!st.ok()) return st;
  if (SniffFormat(head) == InputFormat::kFasta) {
    ReferenceSink sink(ref);
    return ReadFastaGenome(*cursor, opt.linear, sink);
  }
  int64_t size = 0;
  const bool exact = !compressed && opt.gnmLen >= 0 && env.GetFileSize(path, size).ok();
  return ReadPlain(*cursor, path, exact ? opt.gnmLen : -1, opt.linear, ref);
}

Status ScanGenome(Env& env, const std::string& path, GenomeShape& shape) {
  shape = GenomeShape();
  std::unique_ptr<LineCursor> cursor;
  Status st = OpenInput(env, path, cursor, &shape.compressed);
  if (st.code() == Status::Code::kCantOpen) return Status::CantOpen("can't open " + path);
  if (!st.ok()) return st;
  std::string_view head;
  st = cursor->Peek(head);
  if (!st.ok()) return st;
  shape.format = SniffFormat(head);
  if (shape.format != InputFormat::kFasta) {
    // A plain genome's letters are its bytes; a compressed one is read
    // through to count them.
    shape.sequences = 1;
    if (!shape.compressed) return env.GetFileSize(path, shape.letters);
    std::string buf(kChunk, '\0');
    for (size_t got = 1; got > 0;) {
      st = cursor->ReadRaw(buf.data(), buf.size(), got);
      if (!st.ok()) return st;
      shape.letters += static_cast<int64_t>(got);
    }
    return Status::OK();
  }
  CountingSink sink(shape);
  return ReadFastaGenome(*cursor, false, sink);
}

}  // namespace quorvane
