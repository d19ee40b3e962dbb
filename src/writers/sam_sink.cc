#include "writers/sam_sink.h"

#include <htslib/hts_log.h>
#include <htslib/sam.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace quorvane {
namespace {

bool EndsWithNoCase(const std::string& s, const std::string& end) {
  if (s.size() < end.size()) return false;
  for (size_t i = 0; i < end.size(); ++i) {
    char c = s[s.size() - end.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != end[i]) return false;
  }
  return true;
}

// Records made at once for one read with very many hits.
constexpr size_t kPartBytes = size_t{1} << 20;
// Records that wait for the writing thread at most.
constexpr size_t kQueuedBytes = size_t{4} << 20;

// Whether the reader of standard output, a pipe, has gone away.
bool StdoutReaderGone() {
  pollfd p{STDOUT_FILENO, POLLOUT, 0};
  return ::poll(&p, 1, 0) == 1 && (p.revents & POLLERR) != 0;
}

}  // namespace

SamFormat SamFormatOf(const std::string& path) {
  if (EndsWithNoCase(path, ".bam")) return SamFormat::kBam;
  if (EndsWithNoCase(path, ".cram")) return SamFormat::kCram;
  return SamFormat::kSam;
}

SamSink::SamSink(Env& env, SamSettings settings) : env_(env), s_(std::move(settings)) {
  enc_.bam = s_.uncompressed || SamFormatOf(s_.path) == SamFormat::kBam;
  enc_.bamLevel = s_.uncompressed ? 0 : 1;
  enc_.misNu = s_.misNu;
  enc_.unaligned = s_.unaligned;
}

SamSink::~SamSink() {
  writer_.reset();
  own_.reset();
  ownPair_.reset();
  if (hdr_ != nullptr) sam_hdr_destroy(hdr_);
}

Status SamSink::Open() {
  if (SamFormatOf(s_.path) == SamFormat::kCram) {
    return Status::BadInput("can't write CRAM: give a .sam or .bam file\n" + s_.path);
  }
  Status st = target_.Prepare(env_, s_.path);
  if (!st.ok()) return st;
  st = target_.toStdout() ? env_.NewStdoutFile(file_) : env_.NewWritableFile(target_.writePath(), file_);
  if (!st.ok()) {
    target_.Discard();
    return Status::CantOpen("can't open " + target_.shownPath());
  }
  return Status::OK();
}

Status SamSink::Begin(const Reference& ref) {
  // Failures are ours to report, once, in our words.
  hts_set_log_level(HTS_LOG_OFF);
  ref_ = &ref;
  const std::string text = SamHeaderText(ref, s_.program);
  hdr_ = sam_hdr_parse(text.size(), text.c_str());
  if (hdr_ == nullptr) return Status::NoMemory("no mem sqD and sqC");
  own_ = std::make_unique<SamEncoder>(ref, hdr_, enc_);
  ownPair_ = std::make_unique<PairSamEncoder>(ref, hdr_, enc_);
  if (enc_.bam) bgzf_ = std::make_unique<BgzfCompressor>(enc_.bamLevel);
  // The header in blocks of its own, written before the thread starts.
  const Status st = Append(SamFileHead(text, hdr_, enc_));
  if (!st.ok()) return st;
  writer_ = std::make_unique<BackgroundWriter>([this](std::string& piece) { return WritePiece(piece); },
                                               kQueuedBytes);
  return Status::OK();
}

std::unique_ptr<ReadEncoder> SamSink::NewEncoder() { return std::make_unique<SamEncoder>(*ref_, hdr_, enc_); }

std::unique_ptr<PairEncoder> SamSink::NewPairEncoder() {
  return std::make_unique<PairSamEncoder>(*ref_, hdr_, enc_);
}

Status SamSink::WriteEncoded(std::string& bytes) { return Put(bytes); }

Status SamSink::Put(std::string& piece) {
  const Status st = writer_->Push(piece);
  if (st.ok() || told_) return Status::OK();
  told_ = true;
  return st;
}

Status SamSink::PutOwn() {
  piece_.clear();
  own_->Take(piece_);
  ownPair_->Take(piece_);
  return Put(piece_);
}

Status SamSink::WritePiece(std::string& piece) {
  if (!enc_.bam) return Append(piece);
  // Whole blocks: the records left over wait for the next piece.
  blocks_.clear();
  size_t from = 0;
  if (!carry_.empty()) {
    from = std::min(piece.size(), kBgzfBlockInput - carry_.size());
    carry_.append(piece, 0, from);
    if (carry_.size() < kBgzfBlockInput) return Status::OK();
    bgzf_->Compress(carry_.data(), carry_.size(), blocks_);
    carry_.clear();
  }
  const size_t full = (piece.size() - from) / kBgzfBlockInput * kBgzfBlockInput;
  bgzf_->Compress(piece.data() + from, full, blocks_);
  carry_.append(piece, from + full, std::string::npos);
  return Append(blocks_);
}

Status SamSink::Append(std::string_view bytes) {
  if (failed_ || bytes.empty()) return Status::OK();
  errno = 0;
  const Status st = file_->Append(bytes);
  return st.ok() ? st : WriteFailed(errno);
}

Status SamSink::WriteFailed(int err) {
  const bool first = !failed_;
  failed_ = true;
  if (!first) return Status::OK();
  if (err == EPIPE || (target_.toStdout() && StdoutReaderGone())) return Status::PipeClosed("");
  return Status::IoError("can't write " + target_.shownPath());
}

Status SamSink::Found(const ReadView& r, int64_t, const Hit* hits, size_t n) {
  // A read with very many hits goes out in parts, so that its records
  // never stand in memory all at once.
  const size_t part = std::max<size_t>(1, kPartBytes / SamRecordBytes(r));
  const size_t primary = PrimaryHit(hits, n);
  for (size_t from = 0; from < n; from += part) {
    Status st = own_->FoundPart(r, hits, n, primary, from, std::min(n, from + part));
    if (st.ok()) st = PutOwn();
    if (!st.ok()) return st;
  }
  return Status::OK();
}

Status SamSink::NotFound(const ReadView& r) {
  const Status st = own_->NotFound(r);
  return st.ok() ? PutOwn() : st;
}

Status SamSink::Skipped(const ReadView& r) {
  const Status st = own_->Skipped(r);
  return st.ok() ? PutOwn() : st;
}

Status SamSink::PairFound(const PairView& p, int64_t, const MatePair& pair, const PairSummary& sum) {
  const Status st = ownPair_->FoundInParts(p, pair, sum, kPartBytes, [this] { return PutOwn(); });
  return st.ok() ? PutOwn() : st;
}

Status SamSink::PairNotFound(const PairView& p) {
  const Status st = ownPair_->NotFound(p);
  return st.ok() ? PutOwn() : st;
}

Status SamSink::PairSkipped(const PairView& p) {
  const Status st = ownPair_->Skipped(p);
  return st.ok() ? PutOwn() : st;
}

Status SamSink::Finish(const std::string&) {
  Status st;
  if (writer_ != nullptr) {
    st = writer_->Drain();
    writer_.reset();
    if (told_) st = Status::OK();
  }
  if (file_ != nullptr) {
    // The last records, and BAM's end block, once the header was written.
    if (st.ok() && own_ != nullptr && enc_.bam) {
      blocks_.clear();
      bgzf_->Compress(carry_.data(), carry_.size(), blocks_);
      blocks_.append(BgzfEndBlock());
      st = Append(blocks_);
    }
    errno = 0;
    const Status closed = file_->Close();
    file_.reset();
    if (!closed.ok() && st.ok()) st = WriteFailed(errno);
  }
  if (failed_) target_.Discard();
  return st;
}

Status SamSink::Commit() {
  if (failed_) {
    target_.Discard();
    return Status::OK();
  }
  return target_.Commit();
}

}  // namespace quorvane
