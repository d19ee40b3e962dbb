#include "writers/pair_text_sink.h"

#include "common/file_stem.h"
#include "common/number_text.h"

namespace quorvane {
namespace {

// Lines gathered before they go to the files.
constexpr size_t kFlushBytes = size_t{1} << 20;

void AppendPos(std::string& out, int64_t p) {
  out.push_back(p > 0 ? '+' : '-');
  AppendInt(out, p > 0 ? p : -p);
}

}  // namespace

PairResultPaths::PairResultPaths(const std::string& DiRes, const std::string& PthRds1, const std::string& PthGnm,
                                 int32_t misNu) {
  stem = DiRes + ResultPrefix(PthRds1, PthGnm, misNu);
  for (int f = 0; f < kPairFiles; ++f) path[f] = stem + kPairFileNames[f];
}

PairTextSink::PairTextSink(ResultStage& stage, PairResultPaths paths) : stage_(stage), paths_(std::move(paths)) {}

Status PairTextSink::Open() {
  for (int f = 0; f < kPairFiles; ++f) {
    const Status st = stage_.Create(paths_.path[f], file_[f]);
    if (!st.ok()) return st;
  }
  return Status::OK();
}

Status PairTextSink::Begin(const Reference& ref) {
  ref_ = &ref;
  return Put(kPairsPos, kPairPosHeader);
}

Status PairTextSink::Put(PairFile f, std::string_view s) {
  if (failed_ || s.empty() || !file_[f]) return Status::OK();
  if (!file_[f]->Append(s).ok()) {
    failed_ = true;
    return Status::IoError("can't write " + paths_.path[f]);
  }
  return Status::OK();
}

Status PairTextSink::Flush() {
  Status st;
  for (int f = 0; f < kPairFiles; ++f) {
    if (st.ok()) st = Put(static_cast<PairFile>(f), text_[f]);
    text_[f].clear();
  }
  return st;
}

void PairTextSink::AppendName(std::string& out, const PairView& p) const {
  if (p.name.empty()) {
    AppendInt(out, p.number);
  } else {
    out.append(p.name);
  }
}

Status PairTextSink::PairFound(const PairView& p, int64_t prNom, const MatePair& pair, const PairSummary& sum) {
  std::string& in = text_[kPairsIn];
  AppendName(in, p);
  for (const ReadView& m : p.mate) {
    in.push_back('\t');
    in.append(m.seq);
  }
  in.push_back('\t');
  AppendInt(in, sum.placements);
  in.push_back('\n');
  std::string& pos = text_[kPairsPos];
  Status st;
  pair.Visit([&](const Placement& pl) {
    const RefSeq& q = ref_->seq(pl.hit[0]->seq);
    AppendInt(pos, prNom);
    pos.push_back('\t');
    AppendName(pos, p);
    pos.push_back('\t');
    pos.append(q.name);
    for (int k = 0; k < 2; ++k) {
      pos.push_back('\t');
      AppendPos(pos, MatePos(*pl.hit[k], q.length, pair.length(k)));
    }
    for (int k = 0; k < 2; ++k) {
      pos.push_back('\t');
      AppendInt(pos, pl.hit[k]->mis);
    }
    pos.push_back('\t');
    AppendInt(pos, pl.fragment);
    pos.push_back('\n');
    // A pair with very many placements goes to the file a slice at a time.
    if (pos.size() >= kFlushBytes) st = Flush();
    return st.ok();
  });
  if (st.ok() && in.size() + pos.size() >= kFlushBytes) st = Flush();
  return st;
}

Status PairTextSink::PairNotFound(const PairView& p) {
  std::string& out = text_[kPairsOut];
  AppendName(out, p);
  for (const ReadView& m : p.mate) {
    out.push_back('\t');
    out.append(m.seq);
  }
  out.push_back('\n');
  return out.size() >= kFlushBytes ? Flush() : Status::OK();
}

Status PairTextSink::Finish(const std::string& report) {
  // The placements file has its header however early the run ended.
  if (ref_ == nullptr) Put(kPairsPos, kPairPosHeader);
  Status st = Flush();
  if (st.ok() && !report.empty()) st = Put(kPairsLog, report + "\n");
  const Status closed = CloseInOrder(file_, paths_.path, kPairFiles, failed_);
  return closed.ok() ? st : closed;
}

}  // namespace quorvane
