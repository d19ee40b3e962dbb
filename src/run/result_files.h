// The five result files of a run, from their creation to their closing.
#ifndef QUORVANE_RUN_RESULT_FILES_H_
#define QUORVANE_RUN_RESULT_FILES_H_

#include <cstdio>
#include <string>
#include <string_view>

#include "run/record_format.h"
#include "run/run_config.h"

namespace quorvane {

// The fixed names, in the order the files are opened and closed.
enum ResFile { kRdsOut = 0, kRdsIn, kLog, kPos, kTempLog, kResFiles };
inline constexpr const char* kResFileNames[kResFiles] = {"RdsOutPos.txt", "RdsInPos.txt", "MapRds_Log.txt",
                                                         "MapRdsPos.txt", "MapTempLog.txt"};

// The paths of a run's result files: DiRes + prefix + fixed name.
struct ResultPaths {
  explicit ResultPaths(const RunConfig& cfg);
  std::string path[kResFiles];
};

// Writes the texts of a run into its files. Every write and close is
// checked; the first failure is shown as "can't write " + path and
// remembered, and nothing more is written after it.
class ResultFiles {
 public:
  explicit ResultFiles(const RunConfig& cfg);
  ~ResultFiles();  // closes whatever is still open, without checks
  ResultFiles(const ResultFiles&) = delete;
  ResultFiles& operator=(const ResultFiles&) = delete;

  // Opens the five files in their order with mode "wb" and writes the
  // headers of the position file and the temporary log. At the first file
  // that cannot be opened, "can't open " + path has been shown, the files
  // opened before stay open, and the result is false.
  bool OpenResFiles();

  // Appends the record texts of consecutive reads to their files.
  void Write(const RecordTexts& t);
  // The run report (see RunReport) at the head of the run log.
  void WriteRunLog(const std::string& report);

  // Closes the open files in their order. Returns false if a write or a
  // close failed (the first failure has been shown).
  bool CloseResFiles();

  // Whether a write has failed so far.
  bool failed() const { return failed_; }
  const ResultPaths& paths() const { return paths_; }

 private:
  void Put(ResFile f, std::string_view s);

  const RunConfig& cfg_;
  ResultPaths paths_;
  std::FILE* file_[kResFiles] = {};
  bool failed_ = false;
};

}  // namespace quorvane

#endif  // QUORVANE_RUN_RESULT_FILES_H_
