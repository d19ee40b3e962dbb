#include "io/genome_file.h"

#include <memory>

#include "common/nucleotide.h"
#include "io/file_stem.h"

namespace quorvane {

Status ReadPlainGenome(Env& env, const std::string& path, int64_t gnmLen, Reference& ref) {
  if (gnmLen < 0 || gnmLen > kMaxGnmLen) return Status::BadInput("genome is too big\n" + path);
  const std::string shorter = "genome file is shorter than gnmLen= " + std::to_string(gnmLen) + "\n" + path;
  const std::string longer = "genome file is longer than gnmLen= " + std::to_string(gnmLen) + "\n" + path;
  // Only a regular file: a FIFO or a device could block or never end.
  int64_t size = 0;
  if (!env.GetFileSize(path, size).ok()) return Status::CantOpen("can't open " + path);
  if (size > gnmLen) return Status::BadInput(longer);
  std::unique_ptr<SequentialFile> file;
  if (!env.NewSequentialFile(path, file).ok()) return Status::CantOpen("can't open " + path);
  ref.BeginSequence(FileStem(path), true);
  Status st;
  char* letters = ref.Extend(static_cast<size_t>(gnmLen), st);
  if (letters == nullptr) return st;
  int64_t have = 0;
  while (have < gnmLen) {
    size_t got = 0;
    if (!file->Read(letters + have, static_cast<size_t>(gnmLen - have), got).ok()) {
      return Status::IoError("can't read " + path);
    }
    if (got == 0) break;
    have += static_cast<int64_t>(got);
  }
  // A file that changed since it was measured is never mapped in part.
  if (have != gnmLen) return Status::BadInput(shorter);
  char more = 0;
  size_t got = 0;
  if (!file->Read(&more, 1, got).ok()) return Status::IoError("can't read " + path);
  if (got != 0) return Status::BadInput(longer);
  for (int64_t p = 0; p < gnmLen; ++p) {
    if (CodeOf(letters[p]) == kNoCode) {
      std::string msg = "bad symbol=' ' in genome";
      msg[12] = letters[p];
      return Status::BadInput(msg);
    }
  }
  return Status::OK();
}

}  // namespace quorvane
