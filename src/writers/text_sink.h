// The five result files of a run: the reads not found, the reads found,
// the run log, the position file and the temporary log.
#ifndef QUORVANE_WRITERS_TEXT_SINK_H_
#define QUORVANE_WRITERS_TEXT_SINK_H_

#include <cstdint>
#include <memory>
#include <string>

#include "engine/genome_store.h"
#include "env/env.h"
#include "writers/record_format.h"
#include "writers/result_sink.h"
#include "writers/result_stage.h"

namespace quorvane {

// The fixed names, in the order the files are opened and closed.
enum ResFile { kRdsOut = 0, kRdsIn, kLog, kPos, kTempLog, kResFiles };
inline constexpr const char* kResFileNames[kResFiles] = {"RdsOutPos.txt", "RdsInPos.txt", "MapRds_Log.txt",
                                                         "MapRdsPos.txt", "MapTempLog.txt"};

// The paths of a run's result files: the results folder, the run's prefix
// (see ResultPrefix) and the fixed name.
struct ResultPaths {
  ResultPaths(const std::string& DiRes, const std::string& PthRds, const std::string& PthGnm, int32_t misNu);
  std::string stem;  // the results folder and the prefix
  std::string path[kResFiles];
};

class TextSink final : public ResultSink {
 public:
  // store gives the letters of the display copy; it must be loaded before
  // the first read arrives and stay loaded until Finish. The files are
  // created through stage, which puts them in place once the run commits.
  TextSink(ResultStage& stage, ResultPaths paths, int32_t misNu, bool showRdsMis, const GenomeStore& store);

  // Creates the five files in their order and writes the header of the
  // temporary log. At the first file that cannot be created fails with
  // the stage's message ("can't open " + its path).
  Status Open() override;
  // Writes the position file's header: with a column seqName before pos
  // when the genome has more than one sequence.
  Status Begin(const Reference& ref) override;
  Status Found(const ReadView& r, int64_t rdNom, const Hit* hits, size_t n) override;
  Status NotFound(const ReadView& r) override;
  Status Skipped(const ReadView&) override { return Status::OK(); }
  // Writes the report at the head of the run log (when not empty) and
  // closes the files in their order (the position file with its header
  // for one sequence when Begin never came). A failed write or close fails
  // with "can't write " + the file's path, once per sink.
  Status Finish(const std::string& report) override;

  const ResultPaths& paths() const { return paths_; }

 private:
  // Hands the gathered records to the files.
  Status Flush();
  Status Put(ResFile f, std::string_view s);

  ResultStage& stage_;
  ResultPaths paths_;
  int32_t misNu_;
  bool showRdsMis_;
  RecordFormatter format_;
  RecordTexts texts_;  // records gathered since the last flush
  std::unique_ptr<WritableFile> file_[kResFiles];
  bool failed_ = false;  // a write has failed; nothing more is written
  bool begun_ = false;   // the position file has its header
};

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_TEXT_SINK_H_
