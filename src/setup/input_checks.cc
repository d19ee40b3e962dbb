#include "setup/input_checks.h"

#include <cstring>

#include "common/file_msg.h"
#include "engine/reference.h"
#include "io/env.h"

namespace quorvane {

bool CheckInputs(const InputPaths& paths, AcceptedInputs& in, CheckListener& listener) {
  bool clean = true;
  auto fail = [&](const Status& st) {
    listener.OnMessage(st);
    clean = false;
  };
  in.PthGnm = paths.gnm;
  if (!FileExists(in.PthGnm)) {
    fail(Status::CantOpen(std::string(kTitInpGnm) + " does not exist"));
    return false;
  }
  Status st;
  int64_t gnmSize = 0;
  const std::string gnmCell = FileSizeText(in.PthGnm, gnmSize, st);
  listener.OnGenomeSize(gnmCell);
  if (!st.ok()) {
    fail(st);
  } else if (gnmSize > kMaxGnmLen) {
    // Every position must fit a signed 32-bit value.
    in.gnmLen = -1;
    fail(Status::BadInput("genome is too big\n" + in.PthGnm));
    return false;
  } else {
    in.gnmLen = gnmSize;
  }

  in.PthRds = paths.rds;
  if (!FileExists(in.PthRds)) {
    fail(Status::CantOpen(std::string(kTitInpRds) + " does not exist"));
    return false;
  }
  listener.OnReadsSize(FileSizeText(in.PthRds, in.rdsSize, st));
  if (!st.ok()) fail(st);

  // Only a regular file is looked at here: the bytes of a pipe can be
  // read once, and they are the run's.
  std::string head;
  int64_t size = 0;
  Env& env = *Env::Default();
  if (env.GetFileSize(in.PthRds, size).ok()) {
    if (!ReadFileHead(env, in.PthRds, 1024, head).ok()) {
      fail(Status::CantOpen("can't open " + in.PthRds));
      return false;
    }
    if (head.find('\n') == std::string::npos) {
      fail(Status::BadInput("separator of reads '\\n' not found"));
      return false;
    }
  }

  in.DiRes = paths.diRes;
  if (!DirExists(in.DiRes)) {
    fail(Status::CantOpen(std::string(kTitDiRes) + " does not exist"));
    return false;
  }
  return clean;
}

Status ParseMisNu(const std::string& text, int32_t& misNu) {
  if (text.size() != 1 || text[0] < '0' || text[0] > '9') return Status::BadInput("uknown misNu value");
  const int32_t v = text[0] - '0';
  if (v > 3) return Status::BadInput("misNu is big");
  misNu = v;
  return Status::OK();
}

}  // namespace quorvane
