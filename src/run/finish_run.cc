#include "run/finish_run.h"

#include <cstdio>
#include <memory>
#include <new>

#include "common/file_msg.h"
#include "common/show_msg.h"

namespace quorvane {
namespace {

// Appends the file at from to the file at to, in pieces.
bool AppendFile(const std::string& from, const std::string& to) {
  int64_t size = 0;
  if (FileSizeText(from, size).empty()) return false;
  constexpr size_t kPiece = size_t{1} << 20;
  std::unique_ptr<char[]> buf(new (std::nothrow) char[kPiece]);
  if (!buf) {
    ShowMsg("no mem for MapTempLog");
    return false;
  }
  std::FILE* in = OpenFileMsg(from, "rb");
  if (in == nullptr) return false;
  std::FILE* out = OpenFileMsg(to, "ab");
  if (out == nullptr) {
    std::fclose(in);
    return false;
  }
  bool ok = true;
  size_t got;
  while (ok && (got = std::fread(buf.get(), 1, kPiece, in)) > 0) {
    ok = std::fwrite(buf.get(), 1, got, out) == got;
  }
  if (std::ferror(in)) {
    ShowMsg("can't read " + from);
    std::fclose(in);
    std::fclose(out);
    return false;
  }
  std::fclose(in);
  ok = std::fclose(out) == 0 && ok;
  if (!ok) ShowMsg("can't write " + to);
  return ok;
}

}  // namespace

bool FinishRun(int64_t readsIn, const ResultPaths& paths, Shell& shell, RunView& view) {
  if (readsIn == 0) {
    for (ResFile f : {kRdsOut, kRdsIn, kPos, kTempLog}) std::remove(paths.path[f].c_str());
    shell.OpenDocument(paths.path[kLog]);
    return true;
  }
  if (!AppendFile(paths.path[kTempLog], paths.path[kLog])) return false;
  std::remove(paths.path[kTempLog].c_str());
  shell.OpenInSpreadsheet(paths.path[kLog]);
  shell.OpenInSpreadsheet(paths.path[kPos]);
  view.OpenSetState();
  return true;
}

}  // namespace quorvane
