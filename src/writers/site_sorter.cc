#include "writers/site_sorter.h"

#include <algorithm>
#include <cstring>

namespace quorvane {
namespace {

// One site in a run: guide, sequence, start, strand, mismatches and the
// bulges, little-endian as the machine holds them.
constexpr size_t kRecord = 20;
// Runs read side by side at most; more are merged into fewer first.
constexpr size_t kMaxFanIn = 64;
// Bytes read from a run at a time.
constexpr size_t kReadBytes = size_t{256} << 10;

void Encode(const GuideSite& s, char* out) {
  std::memcpy(out, &s.guide, 4);
  std::memcpy(out + 4, &s.seq, 4);
  std::memcpy(out + 8, &s.start, 8);
  out[16] = static_cast<char>(s.strand);
  out[17] = static_cast<char>(s.mis);
  out[18] = static_cast<char>(s.dnaBulge);
  out[19] = static_cast<char>(s.rnaBulge);
}

void Decode(const char* in, GuideSite& s) {
  std::memcpy(&s.guide, in, 4);
  std::memcpy(&s.seq, in + 4, 4);
  std::memcpy(&s.start, in + 8, 8);
  s.strand = static_cast<Strand>(in[16]);
  s.mis = static_cast<int8_t>(in[17]);
  s.dnaBulge = static_cast<int8_t>(in[18]);
  s.rnaBulge = static_cast<int8_t>(in[19]);
}

}  // namespace

// The sites of one run, read in order.
class SiteSorter::RunReader {
 public:
  RunReader(std::unique_ptr<SequentialFile> file, std::string path)
      : file_(std::move(file)), path_(std::move(path)), buf_(kReadBytes) {}

  // Steps to the next site; has() false past the last.
  Status Advance() {
    if (at_ + kRecord > end_) {
      const size_t left = end_ - at_;
      std::memmove(buf_.data(), buf_.data() + at_, left);
      at_ = 0;
      end_ = left;
      while (end_ < kRecord) {
        size_t got = 0;
        if (!file_->Read(buf_.data() + end_, buf_.size() - end_, got).ok()) return Status::IoError("can't read " + path_);
        if (got == 0) break;
        end_ += got;
      }
      if (end_ < kRecord) {
        if (end_ != 0) return Status::IoError("can't read " + path_);
        has_ = false;
        return Status::OK();
      }
    }
    Decode(buf_.data() + at_, site_);
    at_ += kRecord;
    has_ = true;
    return Status::OK();
  }

  bool has() const { return has_; }
  const GuideSite& site() const { return site_; }

 private:
  std::unique_ptr<SequentialFile> file_;
  std::string path_;
  std::vector<char> buf_;
  size_t at_ = 0, end_ = 0;
  bool has_ = false;
  GuideSite site_;
};

SiteSorter::SiteSorter(Env& env, std::string runPrefix, size_t budgetBytes, size_t guides)
    : env_(env), prefix_(std::move(runPrefix)), budget_(std::max<size_t>(budgetBytes, sizeof(GuideSite))),
      perGuide_(guides, 0) {}

SiteSorter::~SiteSorter() {
  readers_.clear();
  for (const std::string& r : runs_) env_.RemoveFile(r);
}

Status SiteSorter::Take(std::vector<GuideSite>& batch) {
  // The whole budget at once: growing by doubling would pass it.
  if (buf_.capacity() == 0 && !batch.empty()) buf_.reserve(budget_ / sizeof(GuideSite) + 1);
  for (const GuideSite& s : batch) {
    ++perGuide_[s.guide];
    buf_.push_back(s);
    if (buf_.size() * sizeof(GuideSite) >= budget_) {
      Status st = WriteRun(buf_);
      if (!st.ok()) return st;
    }
  }
  total_ += static_cast<int64_t>(batch.size());
  batch.clear();
  return Status::OK();
}

Status SiteSorter::WriteRun(std::vector<GuideSite>& sites) {
  std::sort(sites.begin(), sites.end(), GuideSiteBefore);
  const std::string path = prefix_ + std::to_string(++runsWritten_);
  std::unique_ptr<WritableFile> f;
  if (!env_.NewWritableFile(path, f).ok()) return Status::CantOpen("can't open " + path);
  runs_.push_back(path);
  std::string out;
  out.reserve(kReadBytes + kRecord);
  for (const GuideSite& s : sites) {
    out.resize(out.size() + kRecord);
    Encode(s, out.data() + out.size() - kRecord);
    if (out.size() >= kReadBytes) {
      if (!f->Append(out).ok()) return Status::IoError("can't write " + path);
      out.clear();
    }
  }
  if (!f->Append(out).ok() || !f->Close().ok()) return Status::IoError("can't write " + path);
  sites.clear();
  return Status::OK();
}

Status SiteSorter::OpenReaders() {
  readers_.clear();
  heap_.clear();
  for (const std::string& r : runs_) {
    std::unique_ptr<SequentialFile> f;
    if (!env_.NewSequentialFile(r, f).ok()) return Status::CantOpen("can't open " + r);
    readers_.push_back(std::make_unique<RunReader>(std::move(f), r));
    Status st = readers_.back()->Advance();
    if (!st.ok()) return st;
    if (readers_.back()->has()) heap_.push_back(readers_.size() - 1);
  }
  auto later = [this](size_t a, size_t b) { return GuideSiteBefore(readers_[b]->site(), readers_[a]->site()); };
  std::make_heap(heap_.begin(), heap_.end(), later);
  return Status::OK();
}

Status SiteSorter::MergeRuns(size_t first, size_t count) {
  // The runs to merge are set aside, merged into a new run, then removed.
  std::vector<std::string> all = runs_;
  runs_.assign(all.begin() + static_cast<std::ptrdiff_t>(first),
               all.begin() + static_cast<std::ptrdiff_t>(first + count));
  Status st = OpenReaders();
  std::vector<GuideSite> merged;
  const std::string path = prefix_ + std::to_string(++runsWritten_);
  std::unique_ptr<WritableFile> f;
  if (st.ok() && !env_.NewWritableFile(path, f).ok()) st = Status::CantOpen("can't open " + path);
  std::vector<std::string> rest;
  for (size_t i = 0; i < all.size(); ++i) {
    if (i < first || i >= first + count) rest.push_back(all[i]);
  }
  const std::vector<std::string> merging = runs_;
  runs_ = rest;
  runs_.push_back(path);
  for (const std::string& r : merging) runs_.push_back(r);  // removed below, or by the destructor
  std::string out;
  merging_ = true;
  while (st.ok()) {
    GuideSite s;
    bool more = false;
    st = Next(s, more);
    if (!st.ok() || !more) break;
    out.resize(out.size() + kRecord);
    Encode(s, out.data() + out.size() - kRecord);
    if (out.size() >= kReadBytes) {
      if (!f->Append(out).ok()) st = Status::IoError("can't write " + path);
      out.clear();
    }
  }
  merging_ = false;
  readers_.clear();
  if (st.ok() && (!f->Append(out).ok() || !f->Close().ok())) st = Status::IoError("can't write " + path);
  if (!st.ok()) return st;
  for (const std::string& r : merging) {
    env_.RemoveFile(r);
    runs_.erase(std::find(runs_.begin(), runs_.end(), r));
  }
  return Status::OK();
}

Status SiteSorter::Finish() {
  if (runs_.empty()) {
    std::sort(buf_.begin(), buf_.end(), GuideSiteBefore);
    bufAt_ = 0;
    return Status::OK();
  }
  if (!buf_.empty()) {
    Status st = WriteRun(buf_);
    if (!st.ok()) return st;
  }
  std::vector<GuideSite>().swap(buf_);
  while (runs_.size() > kMaxFanIn) {
    Status st = MergeRuns(0, kMaxFanIn);
    if (!st.ok()) return st;
  }
  return OpenReaders();
}

Status SiteSorter::Next(GuideSite& site, bool& more) {
  if (readers_.empty() && !merging_) {
    more = bufAt_ < buf_.size();
    if (more) site = buf_[bufAt_++];
    return Status::OK();
  }
  more = !heap_.empty();
  if (!more) return Status::OK();
  auto later = [this](size_t a, size_t b) { return GuideSiteBefore(readers_[b]->site(), readers_[a]->site()); };
  std::pop_heap(heap_.begin(), heap_.end(), later);
  RunReader& r = *readers_[heap_.back()];
  site = r.site();
  Status st = r.Advance();
  if (!st.ok()) return st;
  if (r.has()) {
    std::push_heap(heap_.begin(), heap_.end(), later);
  } else {
    heap_.pop_back();
  }
  return Status::OK();
}

}  // namespace quorvane
