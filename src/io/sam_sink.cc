#include "io/sam_sink.h"

#include <htslib/hfile.h>
#include <htslib/hts_log.h>
#include <htslib/sam.h>
#include <poll.h>
#include <unistd.h>

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

SamSink::SamSink(Env& env, SamSettings settings) : env_(env), s_(std::move(settings)) {}

SamSink::~SamSink() { Close(); }

void SamSink::Close() {
  if (fp_ != nullptr) sam_close(fp_);
  fp_ = nullptr;
  if (hdr_ != nullptr) sam_hdr_destroy(hdr_);
  hdr_ = nullptr;
  if (rec_ != nullptr) bam_destroy1(rec_);
  rec_ = nullptr;
}

Status SamSink::Open() {
  const SamFormat format = SamFormatOf(s_.path);
  if (format == SamFormat::kCram) return Status::BadInput("can't write CRAM: give a .sam or .bam file\n" + s_.path);
  // Failures are ours to report, once, in our words.
  hts_set_log_level(HTS_LOG_OFF);
  Status st = target_.Prepare(env_, s_.path);
  if (!st.ok()) return st;
  // BGZF level 1: with BAM's packed letters it gives files a few percent
  // larger than the default level, at a fraction of its time.
  const char* mode = format == SamFormat::kBam ? "wb1" : "w";
  if (target_.toStdout()) {
    // A copy of the descriptor, so that closing the file leaves standard
    // output open for the program's last check.
    const int fd = ::dup(STDOUT_FILENO);
    hFILE* h = fd < 0 ? nullptr : hdopen(fd, "w");
    if (h == nullptr && fd >= 0) ::close(fd);
    fp_ = h == nullptr ? nullptr : hts_hopen(h, "-", mode);
    if (fp_ == nullptr && h != nullptr) hclose_abruptly(h);
  } else {
    fp_ = sam_open(target_.writePath().c_str(), mode);
  }
  rec_ = bam_init1();
  if (fp_ == nullptr || rec_ == nullptr) {
    target_.Discard();
    return Status::CantOpen("can't open " + target_.shownPath());
  }
  if (format == SamFormat::kBam && s_.threads > 0) hts_set_threads(fp_, s_.threads);
  return Status::OK();
}

Status SamSink::Begin(const Reference& ref) {
  const std::string text = SamHeaderText(ref, s_.program);
  hdr_ = sam_hdr_parse(text.size(), text.c_str());
  if (hdr_ == nullptr) return Status::NoMemory("no mem sqD and sqC");
  maker_ = std::make_unique<SamRecordMaker>(ref, s_.misNu);
  if (sam_hdr_write(fp_, hdr_) < 0) return WriteFailed();
  return Status::OK();
}

Status SamSink::Write() {
  if (sam_write1(fp_, hdr_, rec_) < 0) return WriteFailed();
  return Status::OK();
}

Status SamSink::WriteFailed() {
  const int err = errno;
  const bool first = !failed_;
  failed_ = true;
  if (!first) return Status::OK();
  if (err == EPIPE || (target_.toStdout() && StdoutReaderGone())) return Status::PipeClosed("");
  return Status::IoError("can't write " + target_.shownPath());
}

Status SamSink::Found(const ReadView& r, int64_t, const Hit* hits, size_t n) {
  maker_->SetRead(r);
  const size_t primary = PrimaryHit(hits, n);
  for (size_t i = 0; i < n; ++i) {
    if (!maker_->HitRecord(hits, n, i, primary, rec_)) return Status::NoMemory("no mem Chns, ArrMisMatches");
    Status st = Write();
    if (!st.ok()) return st;
  }
  return Status::OK();
}

Status SamSink::NotFound(const ReadView& r) {
  if (!s_.unaligned) return Status::OK();
  maker_->SetRead(r);
  if (!maker_->UnmappedRecord(true, rec_)) return Status::NoMemory("no mem Chns, ArrMisMatches");
  return Write();
}

Status SamSink::Skipped(const ReadView& r) {
  if (!s_.unaligned) return Status::OK();
  maker_->SetRead(r);
  if (!maker_->UnmappedRecord(false, rec_)) return Status::NoMemory("no mem Chns, ArrMisMatches");
  return Write();
}

Status SamSink::Finish(const std::string&) {
  Status st;
  if (fp_ != nullptr) {
    errno = 0;
    const int rc = sam_close(fp_);
    fp_ = nullptr;
    if (rc < 0) st = WriteFailed();
  }
  Close();
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
