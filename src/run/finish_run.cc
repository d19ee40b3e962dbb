#include "run/finish_run.h"

namespace quorvane {

Status FinishRun(int64_t readsIn, const ResultPaths& paths, Env& env, Shell& shell,
                 std::vector<std::string>& unopened) {
  if (readsIn == 0) {
    for (ResFile f : {kRdsOut, kRdsIn, kPos, kTempLog}) env.RemoveFile(paths.path[f]);
    unopened = shell.OpenResults({ResultDoc{paths.path[kLog], false}});
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
  unopened = shell.OpenResults({ResultDoc{paths.path[kLog], true}, ResultDoc{paths.path[kPos], true}});
  return Status::OK();
}

std::vector<std::string> OpenPairResults(const PairResultPaths& paths, Shell& shell) {
  return shell.OpenResults({ResultDoc{paths.path[kPairsLog], true}, ResultDoc{paths.path[kPairsPos], true}});
}

Status UnopenedResults(const std::vector<std::string>& paths) {
  std::string text = "no application opened the result files:";
  for (const std::string& p : paths) text += "\n" + p;
  return Status::CantOpen(text);
}

}  // namespace quorvane
