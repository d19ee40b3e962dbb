// What a front end hears of a run while it goes: messages, progress and the
// moment its end steps are reached. The command line, the window and the
// tests each provide one.
#ifndef QUORVANE_RUN_RUN_OBSERVER_H_
#define QUORVANE_RUN_RUN_OBSERVER_H_

#include <cstdint>
#include <string>

#include "common/status.h"

namespace quorvane {

// A snapshot of the read loop.
struct RunProgress {
  std::string text;        // the progress text: the accepted reads before every 1000th read, "inpRdsNu" at the end
  int64_t readsRead = 0;   // reads delivered by the reads file so far
  int64_t accepted = 0;    // of them, reads of acceptable length
  int64_t bytesRead = 0;   // bytes of the reads file consumed so far
  int64_t bytesTotal = -1; // size of the reads file, -1 where unknown (a pipe)
  double seconds = 0;      // wall-clock time since the loop started
  bool pairs = false;      // a pair run: the counts are of pairs, the file is the mates 1
};

// Called on the run's own thread; each call returns before the run goes on.
class RunObserver {
 public:
  virtual ~RunObserver() = default;
  // A message for the user: a failure, with the system's own text.
  // Returns once the user has taken note of it.
  virtual void OnMessage(const Status& s) = 0;
  // The progress text changed.
  virtual void OnProgress(const RunProgress& p) = 0;
  // The elapsed seconds of the read loop, once, after the report.
  virtual void OnTime(const std::string& seconds) = 0;
  // The run has released its genome and closed its files and is about to
  // finish its results; done tells whether it reached its end without a
  // failure. Not called for a run that ended before it loaded the genome.
  virtual void OnEndSteps(bool done) = 0;
  // Polled between batches of reads, and a few times a second while an
  // input that is a pipe or FIFO waits for its writer (then possibly from
  // another thread than the run's): true ends the run at the next batch,
  // or the wait, as interrupted.
  virtual bool StopRequested() { return false; }
};

}  // namespace quorvane

#endif  // QUORVANE_RUN_RUN_OBSERVER_H_
