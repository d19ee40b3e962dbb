// The parts of the file seam that every Env shares.
#include "env/env.h"

namespace quorvane {

Status Env::AppendFileTo(const std::string& from, const std::string& to) {
  std::unique_ptr<SequentialFile> in;
  if (!NewSequentialFile(from, in).ok()) return Status::CantOpen("can't open " + from);
  std::unique_ptr<WritableFile> out;
  if (!NewAppendableFile(to, out).ok()) return Status::CantOpen("can't open " + to);
  std::string buf(size_t{1} << 20, '\0');
  for (;;) {
    size_t got = 0;
    if (!in->Read(buf.data(), buf.size(), got).ok()) return Status::IoError("can't read " + from);
    if (got == 0) break;
    if (!out->Append(std::string_view(buf.data(), got)).ok()) return Status::IoError("can't write " + to);
  }
  if (!out->Close().ok()) return Status::IoError("can't write " + to);
  return Status::OK();
}

Status ReadFileHead(Env& env, const std::string& path, size_t head, std::string& out) {
  std::unique_ptr<SequentialFile> f;
  Status st = env.NewSequentialFile(path, f);
  if (!st.ok()) return st;
  out.assign(head, '\0');
  size_t have = 0;
  while (have < head) {
    size_t got = 0;
    st = f->Read(out.data() + have, head - have, got);
    if (!st.ok()) return st;
    if (got == 0) break;
    have += got;
  }
  out.resize(have);
  return Status::OK();
}

}  // namespace quorvane
