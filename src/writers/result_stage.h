// A run's result files, written aside and put in place whole. Each file is
// written under a hidden name beside its final one ("." + "part-" + its
// name); only a run that has written and closed every file moves them
// onto their final names, so that a run that fails or is stopped leaves
// the results of an earlier run of the same names as they were. A lock in
// the results folder keeps a second run off the same names meanwhile.
#ifndef QUORVANE_WRITERS_RESULT_STAGE_H_
#define QUORVANE_WRITERS_RESULT_STAGE_H_

#include <memory>
#include <string>
#include <vector>

#include "common/status.h"
#include "env/env.h"

namespace quorvane {

class ResultStage {
 public:
  // stem names the run's results: the results folder and the run's
  // prefix, every final name begins with it. Nothing is touched yet.
  ResultStage(Env& env, std::string stem);
  // Removes whatever was not committed and gives the lock up.
  ~ResultStage();
  ResultStage(const ResultStage&) = delete;
  ResultStage& operator=(const ResultStage&) = delete;

  // No result may be the file at path, through any link.
  void Protect(const std::string& path);

  // Creates the file that is to become final and hands it out for
  // writing. The first call takes the lock of the stem. Fails, having
  // written nothing, with kBusy "another run writes these results\n" +
  // stem while another run holds the lock, kBadInput "result file is an
  // input file\n" + final when final is a protected file, or kCantOpen
  // "can't open " + final.
  Status Create(const std::string& final, std::unique_ptr<WritableFile>& file);

  // Moves every created file, closed by now, onto its final name, in the
  // order of creation. When one cannot be moved, the ones moved before it
  // get their former files back, nothing of the run stays, and it fails
  // with kIoError "can't write " + that final name.
  Status Commit();

  // Removes every created file that was not committed.
  void Abort();

  const std::string& stem() const { return stem_; }

 private:
  struct Staged {
    std::string final, part, old;  // the final name, the name written, the former file's name meanwhile
    bool kept = false;             // the former file has a second name, old
    bool moved = false;            // the former file was moved to old
    bool placed = false;           // part has been moved onto final
  };

  // Puts the former files of the first n entries back.
  void Restore(size_t n);
  // Removes what a run that died left under the hidden names of s.
  void ClearLeftovers(const Staged& s);
  bool IsInput(const std::string& path);

  Env& env_;
  std::string stem_;
  std::vector<std::string> inputs_;
  std::vector<Staged> files_;
  std::unique_ptr<FileLock> lock_;
};

// Closes the files that files[0..n) hold, in order, each checked, and
// empties them. The first close that fails, when failed is not set yet,
// sets it and makes the result kIoError "can't write " + its path from
// paths[0..n); otherwise the result is OK.
Status CloseInOrder(std::unique_ptr<WritableFile>* files, const std::string* paths, int n, bool& failed);

}  // namespace quorvane

#endif  // QUORVANE_WRITERS_RESULT_STAGE_H_
