#include "run/result_files.h"

#include "common/file_msg.h"
#include "common/number_text.h"
#include "common/show_msg.h"
#include "engine/read_codes.h"
#include "run/file_stem.h"
#include "run/read_mis.h"

namespace quorvane {

ResultPaths::ResultPaths(const RunConfig& cfg) {
  const std::string stem = cfg.DiRes + ResultPrefix(cfg.PthRds, cfg.PthGnm, cfg.misNu);
  for (int f = 0; f < kResFiles; ++f) path[f] = stem + kResFileNames[f];
}

ResultFiles::ResultFiles(const RunConfig& cfg, const GenomeStore& store)
    : cfg_(cfg), store_(store), paths_(cfg), readMis_(kMaxRdLen + 2, '\0') {}

ResultFiles::~ResultFiles() {
  for (std::FILE*& f : file_) {
    if (f != nullptr) std::fclose(f);
    f = nullptr;
  }
}

bool ResultFiles::OpenResFiles() {
  for (int f = 0; f < kResFiles; ++f) {
    file_[f] = OpenFileMsg(paths_.path[f], "wb");
    if (file_[f] == nullptr) return false;
    if (f == kPos) {
      if (cfg_.misNu == 0) {
        Put(kPos, "rdNom\tread\tpos");
      } else if (!cfg_.showRdsMis) {
        Put(kPos, "rdNom\tread\tpos\tmisNu");
      } else {
        Put(kPos, "rdNom\tread\treadMis\tpos\tmisNu");
      }
    } else if (f == kTempLog) {
      Put(kTempLog, "\n\nrdNom\tread\tposUpNu\tposLwNu\tposUpLwNu");
    }
  }
  return true;
}

void ResultFiles::WriteRdOut(std::string_view read) {
  std::string& out = buf_[kRdsOut];
  out.append(read);
  out.push_back('\n');
  if (out.size() >= kFlushAt) Flush(kRdsOut);
}

void ResultFiles::WriteRdIn(int64_t rdNom, std::string_view read, const ReadHits& h) {
  std::string& in = buf_[kRdsIn];
  in.append(read);
  in.push_back('\n');

  std::string& tmp = buf_[kTempLog];
  tmp.push_back('\n');
  AppendInt(tmp, rdNom);
  tmp.push_back('\t');
  tmp.append(read);
  tmp.push_back('\t');
  AppendInt(tmp, h.posUpNu);
  tmp.push_back('\t');
  AppendInt(tmp, h.posLwNu);
  tmp.push_back('\t');
  AppendInt(tmp, h.posUpLwNu);

  std::string& pos = buf_[kPos];
  const bool withMis = cfg_.misNu > 0;
  const bool showMis = withMis && cfg_.showRdsMis;
  const int32_t rdLen = static_cast<int32_t>(read.size());
  for (int32_t i = 0; i < h.posUpLwNu; ++i) {
    const MisMatch& m = h.hits[i];
    pos.push_back('\n');
    AppendInt(pos, rdNom);
    pos.push_back('\t');
    pos.append(read);
    pos.push_back('\t');
    if (showMis) {
      const char* g = m.pos > 0 ? store_.sq(Strand::kDirect) + (m.pos - 1)
                                : store_.sq(Strand::kCompl) + (m.pos + store_.gnmLen());
      MakeReadMis(read.data(), rdLen, g, readMis_.data());
      pos.append(readMis_.data(), rdLen);
      pos.push_back('\t');
    }
    pos.push_back(m.pos > 0 ? '+' : '-');
    AppendInt(pos, m.pos > 0 ? m.pos : -static_cast<int64_t>(m.pos));
    if (withMis) {
      pos.push_back('\t');
      AppendInt(pos, m.mis);
    }
  }
  for (ResFile f : {kRdsIn, kTempLog, kPos}) {
    if (buf_[f].size() >= kFlushAt) Flush(f);
  }
}

void ResultFiles::WriteRunLog(const RunCounters& c) {
  Put(kLog, RunReport(c, cfg_.ProcNm, cfg_.misNu));
}

void ResultFiles::Flush(ResFile f) {
  std::string& b = buf_[f];
  if (b.empty()) return;
  if (file_[f] != nullptr && !failed_) {
    if (std::fwrite(b.data(), 1, b.size(), file_[f]) != b.size()) Fail(f);
  }
  b.clear();
}

void ResultFiles::Fail(ResFile f) {
  if (!failed_) ShowMsg("can't write " + paths_.path[f]);
  failed_ = true;
}

bool ResultFiles::CloseResFiles() {
  for (int i = 0; i < kResFiles; ++i) {
    const ResFile f = static_cast<ResFile>(i);
    if (file_[f] == nullptr) continue;
    Flush(f);
    const bool bad = std::ferror(file_[f]) != 0;
    const bool closeFailed = std::fclose(file_[f]) != 0;
    file_[f] = nullptr;
    if (bad || closeFailed) Fail(f);
  }
  return !failed_;
}

}  // namespace quorvane
