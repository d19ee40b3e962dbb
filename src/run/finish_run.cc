#include "run/finish_run.h"

namespace quorvane {

Status FinishRun(int64_t readsIn, const ResultPaths& paths, Env& env, Shell& shell) {
  if (readsIn == 0) {
    for (ResFile f : {kRdsOut, kRdsIn, kPos, kTempLog}) env.RemoveFile(paths.path[f]);
    shell.OpenDocument(paths.path[kLog]);
    return Status::OK();
  }
  // A table that cannot even be measured is reported as the checks report
  // a file they cannot measure.
  int64_t size = 0;
  if (!env.GetFileSize(paths.path[kTempLog], size).ok()) {
    return Status::CantOpen("i can't open\n" + paths.path[kTempLog]);
  }
  Status st = env.AppendFileTo(paths.path[kTempLog], paths.path[kLog]);
  if (!st.ok()) return st;
  env.RemoveFile(paths.path[kTempLog]);
  shell.OpenInSpreadsheet(paths.path[kLog]);
  shell.OpenInSpreadsheet(paths.path[kPos]);
  return Status::OK();
}

}  // namespace quorvane
