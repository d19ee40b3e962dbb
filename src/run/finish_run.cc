#include "run/finish_run.h"

#include <fcntl.h>
#include <unistd.h>

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
  // The kernel copies between the files itself where it can; the loop
  // below copies whatever it left.
  int64_t moved = 0;
  const int outFd = fileno(out);
  const int flags = fcntl(outFd, F_GETFL);
  const bool direct = flags >= 0 && fcntl(outFd, F_SETFL, flags & ~O_APPEND) == 0 && lseek(outFd, 0, SEEK_END) >= 0;
  while (direct && moved < size) {
    const ssize_t n = copy_file_range(fileno(in), nullptr, fileno(out), nullptr,
                                      static_cast<size_t>(size - moved), 0);
    if (n <= 0) break;
    moved += n;
  }
  if (moved > 0 && std::fseek(in, static_cast<long>(moved), SEEK_SET) != 0) ok = false;
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
