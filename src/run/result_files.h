// The five result files of a run, from their creation to their closing.
#ifndef QUORVANE_RUN_RESULT_FILES_H_
#define QUORVANE_RUN_RESULT_FILES_H_

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/mis_match.h"
#include "engine/genome_store.h"
#include "run/run_config.h"
#include "run/run_counters.h"

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

// One hit list of one read, as the writer needs it.
struct ReadHits {
  const MisMatch* hits;  // records in the engine's order
  int32_t posUpNu;       // of them on the direct strand
  int32_t posLwNu;       // of them on the complementary strand
  int32_t posUpLwNu;     // all of them
};

// Writes the records of a run. Records are gathered in memory and written
// in large pieces; every write and close is checked, and the first failure
// is shown as "can't write " + path and remembered.
class ResultFiles {
 public:
  ResultFiles(const RunConfig& cfg, const GenomeStore& store);
  ~ResultFiles();  // closes whatever is still open, without checks
  ResultFiles(const ResultFiles&) = delete;
  ResultFiles& operator=(const ResultFiles&) = delete;

  // Opens the five files in their order with mode "wb" and writes the
  // headers of the position file and the temporary log. At the first file
  // that cannot be opened, "can't open " + path has been shown, the files
  // opened before stay open, and the result is false.
  bool OpenResFiles();

  // A read without hits: one line in "RdsOutPos.txt".
  void WriteRdOut(std::string_view read);
  // A read with hits, found-read number rdNom: one line in "RdsInPos.txt",
  // one in the temporary log, one per hit in the position file.
  void WriteRdIn(int64_t rdNom, std::string_view read, const ReadHits& h);
  // The run report at the head of the run log.
  void WriteRunLog(const RunCounters& c);

  // Closes the open files in their order. Returns false if a write or a
  // close failed (the first failure has been shown).
  bool CloseResFiles();

  // Whether a write has failed so far.
  bool failed() const { return failed_; }
  const ResultPaths& paths() const { return paths_; }

 private:
  void Put(ResFile f, std::string_view s) { buf_[f].append(s); if (buf_[f].size() >= kFlushAt) Flush(f); }
  void Flush(ResFile f);
  void Fail(ResFile f);

  static constexpr size_t kFlushAt = size_t{1} << 20;

  const RunConfig& cfg_;
  const GenomeStore& store_;
  ResultPaths paths_;
  std::FILE* file_[kResFiles] = {};
  std::string buf_[kResFiles];
  std::string readMis_;  // display copy of the read at one hit
  bool failed_ = false;
};

}  // namespace quorvane

#endif  // QUORVANE_RUN_RESULT_FILES_H_
