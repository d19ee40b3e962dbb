#include "writers/text_sink.h"

#include <algorithm>

#include "common/file_stem.h"

namespace quorvane {
namespace {
// Records gathered before they go to the files.
constexpr size_t kFlushBytes = size_t{1} << 20;
// Hits of one read formatted at once: a read with very many hits goes to
// the files a slice at a time, its text never more than about a slice.
constexpr size_t kHitSlice = 4096;
}  // namespace

ResultPaths::ResultPaths(const std::string& DiRes, const std::string& PthRds, const std::string& PthGnm,
                         int32_t misNu) {
  stem = DiRes + ResultPrefix(PthRds, PthGnm, misNu);
  for (int f = 0; f < kResFiles; ++f) path[f] = stem + kResFileNames[f];
}

TextSink::TextSink(ResultStage& stage, ResultPaths paths, int32_t misNu, bool showRdsMis, const GenomeStore& store)
    : stage_(stage), paths_(std::move(paths)), misNu_(misNu), showRdsMis_(showRdsMis), format_(misNu, showRdsMis, store) {}

Status TextSink::Open() {
  for (int i = 0; i < kResFiles; ++i) {
    const ResFile f = static_cast<ResFile>(i);
    Status st = stage_.Create(paths_.path[f], file_[f]);
    if (!st.ok()) return st;
    if (f == kTempLog) {
      st = Put(kTempLog, RecordFormatter::TempLogHeader());
      if (!st.ok()) return st;
    }
  }
  return Status::OK();
}

Status TextSink::Begin(const Reference& ref) {
  begun_ = true;
  format_.SetSeqNames(ref.count() > 1);
  return Put(kPos, RecordFormatter::PosHeader(misNu_, showRdsMis_, ref.count() > 1));
}

Status TextSink::Put(ResFile f, std::string_view s) {
  if (failed_ || s.empty() || !file_[f]) return Status::OK();
  if (!file_[f]->Append(s).ok()) {
    failed_ = true;
    return Status::IoError("can't write " + paths_.path[f]);
  }
  return Status::OK();
}

Status TextSink::Flush() {
  Status st = Put(kRdsOut, texts_.rdsOut);
  if (st.ok()) st = Put(kRdsIn, texts_.rdsIn);
  if (st.ok()) st = Put(kTempLog, texts_.tempLog);
  if (st.ok()) st = Put(kPos, texts_.pos);
  texts_.Clear();
  return st;
}

Status TextSink::Found(const ReadView& r, int64_t rdNom, const Hit* hits, size_t n) {
  format_.ReadLines(texts_, rdNom, r.seq, hits, n);
  for (size_t i = 0; i < n; i += kHitSlice) {
    format_.PosLines(texts_, rdNom, r.seq, hits + i, std::min(kHitSlice, n - i));
    if (texts_.bytes() >= kFlushBytes) {
      const Status st = Flush();
      if (!st.ok()) return st;
    }
  }
  return Status::OK();
}

Status TextSink::NotFound(const ReadView& r) {
  format_.RdOut(texts_, r.seq);
  return texts_.bytes() >= kFlushBytes ? Flush() : Status::OK();
}

Status TextSink::Finish(const std::string& report) {
  if (!begun_ && file_[kPos]) {
    begun_ = true;
    Put(kPos, RecordFormatter::PosHeader(misNu_, showRdsMis_, false));
  }
  Status st = Flush();
  if (st.ok()) st = Put(kLog, report);
  const Status closed = CloseInOrder(file_, paths_.path, kResFiles, failed_);
  return closed.ok() ? st : closed;
}

}  // namespace quorvane
