#include "run/result_files.h"

#include "common/file_msg.h"
#include "common/show_msg.h"
#include "run/file_stem.h"

namespace quorvane {

namespace {
// Large stream buffers: the records of a batch go out in few system calls.
constexpr size_t kStreamBuffer = size_t{1} << 20;
}  // namespace

ResultPaths::ResultPaths(const RunConfig& cfg) {
  const std::string stem = cfg.DiRes + ResultPrefix(cfg.PthRds, cfg.PthGnm, cfg.misNu);
  for (int f = 0; f < kResFiles; ++f) path[f] = stem + kResFileNames[f];
}

ResultFiles::ResultFiles(const RunConfig& cfg) : cfg_(cfg), paths_(cfg) {}

ResultFiles::~ResultFiles() {
  for (std::FILE*& f : file_) {
    if (f != nullptr) std::fclose(f);
    f = nullptr;
  }
}

bool ResultFiles::OpenResFiles() {
  for (int i = 0; i < kResFiles; ++i) {
    const ResFile f = static_cast<ResFile>(i);
    file_[f] = OpenFileMsg(paths_.path[f], "wb");
    if (file_[f] == nullptr) return false;
    std::setvbuf(file_[f], nullptr, _IOFBF, kStreamBuffer);
    if (f == kPos) Put(kPos, RecordFormatter::PosHeader(cfg_.misNu, cfg_.showRdsMis));
    if (f == kTempLog) Put(kTempLog, RecordFormatter::TempLogHeader());
  }
  return true;
}

void ResultFiles::Put(ResFile f, std::string_view s) {
  if (failed_ || s.empty() || file_[f] == nullptr) return;
  if (std::fwrite(s.data(), 1, s.size(), file_[f]) != s.size()) {
    ShowMsg("can't write " + paths_.path[f]);
    failed_ = true;
  }
}

void ResultFiles::Write(const RecordTexts& t) {
  Put(kRdsOut, t.rdsOut);
  Put(kRdsIn, t.rdsIn);
  Put(kTempLog, t.tempLog);
  Put(kPos, t.pos);
}

void ResultFiles::WriteRunLog(const std::string& report) { Put(kLog, report); }

bool ResultFiles::CloseResFiles() {
  for (int i = 0; i < kResFiles; ++i) {
    const ResFile f = static_cast<ResFile>(i);
    if (file_[f] == nullptr) continue;
    const bool bad = std::fflush(file_[f]) != 0 || std::ferror(file_[f]) != 0;
    const bool closeFailed = std::fclose(file_[f]) != 0;
    file_[f] = nullptr;
    if ((bad || closeFailed) && !failed_) {
      ShowMsg("can't write " + paths_.path[f]);
      failed_ = true;
    }
  }
  return !failed_;
}

}  // namespace quorvane
