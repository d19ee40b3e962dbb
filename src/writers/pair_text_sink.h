// The result files of a pair run: the pairs not found, the pairs found
// with their placements count, one line per concordant placement, and
// the run log.
#ifndef QUORVANE_WRITERS_PAIR_TEXT_SINK_H_
#define QUORVANE_WRITERS_PAIR_TEXT_SINK_H_

#include <cstdint>
#include <memory>
#include <string>

#include "env/env.h"
#include "writers/pair_sink.h"
#include "writers/result_stage.h"

namespace quorvane {

// The fixed names, in the order the files are opened and closed.
enum PairFile { kPairsOut = 0, kPairsIn, kPairsLog, kPairsPos, kPairFiles };
inline constexpr const char* kPairFileNames[kPairFiles] = {"PairsOutPos.txt", "PairsInPos.txt", "MapPairs_Log.txt",
                                                          "MapPairsPos.txt"};

// The paths of a pair run's result files: the results folder, the run's
// prefix as a single-read run of the first mates' file names it (see
// ResultPrefix), and the fixed name.
struct PairResultPaths {
  PairResultPaths(const std::string& DiRes, const std::string& PthRds1, const std::string& PthGnm, int32_t misNu);
  std::string stem;  // the results folder and the prefix
  std::string path[kPairFiles];
};

// The header line of the placements file.
inline constexpr const char* kPairPosHeader = "prNom\tpairName\tseqName\tpos1\tpos2\tmis1\tmis2\tfragLen\n";

class PairTextSink final : public PairSink {
 public:
  // The files are created through stage, which puts them in place once
  // the run commits.
  PairTextSink(ResultStage& stage, PairResultPaths paths);

  // Creates the four files in their order. At the first that cannot be
  // created fails with the stage's message ("can't open " + its path).
  Status Open() override;
  // Takes the sequences' names and lengths and writes the placements
  // file's header.
  Status Begin(const Reference& ref) override;
  // The pair's line in "PairsInPos.txt" (name, mate 1, mate 2, its
  // placements count) and one line per placement in the placements file
  // (prNom, name, sequence, each mate's signed position as the
  // single-read files write it, each mate's mismatches, the fragment's
  // length), in MatePair's order. A pair is named by its place in the
  // files where they name no reads.
  Status PairFound(const PairView& p, int64_t prNom, const MatePair& pair, const PairSummary& sum) override;
  // The pair's line in "PairsOutPos.txt": name, mate 1, mate 2.
  Status PairNotFound(const PairView& p) override;
  Status PairSkipped(const PairView&) override { return Status::OK(); }
  // Writes the report into the run log (when not empty) and closes the
  // files in their order. A failed write or close fails with "can't
  // write " + the file's path, once per sink.
  Status Finish(const std::string& report) override;

  const PairResultPaths& paths() const { return paths_; }

 private:
  // Hands the gathered lines of every file to it.
  Status Flush();
  Status Put(PairFile f, std::string_view s);
  // The pair's name, or its place.
  void AppendName(std::string& out, const PairView& p) const;

  ResultStage& stage_;
  PairResultPaths paths_;
  const Reference* ref_ = nullptr;
  std::string text_[kPairFiles];  // lines gathered since the last flush
  std::unique_ptr<WritableFile> file_[kPairFiles];
  bool failed_ = false;  // a write has failed; nothing more is written
};

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_PAIR_TEXT_SINK_H_
