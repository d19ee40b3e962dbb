// The two files of a pair run read in step: mate 1 of a pair from the
// first, mate 2 from the second, the pairs in the files' order.
#ifndef QUORVANE_READERS_MATES_SOURCE_H_
#define QUORVANE_READERS_MATES_SOURCE_H_

#include <cstdint>
#include <memory>
#include <string>

#include "env/env.h"
#include "readers/read_source.h"

namespace quorvane {

// Gives the records of both files interleaved: mate 1 of pair 1, mate 2
// of pair 1, mate 1 of pair 2, and so on. Each file may be of any format
// the reads take (see OpenReadSource). The mates of a pair must have the
// same name once a trailing "/1" or "/2" is dropped (see PairName), where
// both files name their reads.
class MatesSource final : public ReadSource {
 public:
  MatesSource(std::unique_ptr<ReadSource> first, std::string path1, std::unique_ptr<ReadSource> second,
              std::string path2);

  // A record of either file that is malformed fails as that file's source
  // fails (its message names the file and the record). Fails with
  // kBadInput when the files end apart, at the end of the shorter one:
  // "mates files of different lengths: " + the shorter + " ends after
  // read N, " + the longer + " goes on"; or when the names disagree:
  // "mates' names disagree at read N: NAME1 in PATH1, NAME2 in PATH2".
  // After a failure nothing more is given.
  Status Next(ReadRecord& r, bool& more) override;
  // The bytes of the first file consumed: the progress of the run.
  int64_t bytesRead() const override { return first_->bytesRead(); }

 private:
  std::unique_ptr<ReadSource> first_, second_;
  std::string path1_, path2_;
  ReadRecord mate2_;      // mate 2 of the pair whose mate 1 was given last
  bool owesMate2_ = false;
  int64_t pairs_ = 0;     // pairs begun
  Status failed_;         // the failure that ended the source
};

// Opens both files of a pair run as one MatesSource. Fails with "i can't
// open\n" + the path of a file that cannot be opened.
Status OpenMatesSource(Env& env, const std::string& path1, const std::string& path2,
                       std::unique_ptr<ReadSource>& source, WaitAbort abort = {});

}  // namespace quorvane

#endif  // QUORVANE_READERS_MATES_SOURCE_H_
