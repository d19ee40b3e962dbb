// The one entry to a mapping run, for every front end.
#ifndef QUORVANE_RUN_MAP_RUN_H_
#define QUORVANE_RUN_MAP_RUN_H_

#include <string>

#include "common/status.h"
#include "run/map_options.h"
#include "run/run_counters.h"
#include "run/run_observer.h"

namespace quorvane {

enum class RunOutcome {
  kDone,         // the run reached its end, with or without found reads
  kFailed,       // a step failed; its message has been given
  kInterrupted,  // the observer asked the run to stop
};

struct RunSummary {
  RunOutcome outcome = RunOutcome::kFailed;
  Status status;         // the first failure, OK when done
  RunCounters counters;  // the totals of the read loop (a single-read run)
  PairCounters pairs;    // the totals of a pair run
  std::string report;    // the run report, once written
  std::string seconds;   // the time text, once given
};

// Performs one whole run: opens the reads file (both mates' files of a
// pair run, whose pairs it searches and pairs by options.pairRule) and
// the result files, loads
// the genome and builds its index, searches every read of acceptable
// length on every thread asked for, writes the results in the order of the
// reads file and the run report, puts the result files in place, then
// finishes them (moving the per-read table into the run log, or keeping
// only the log when no read was found) and hands them to the shell. The
// result files are written aside (io/result_stage.h): a run that fails or
// is stopped leaves the results folder as it found it. Every failure
// reaches obs as a message; every file and buffer the run opens is closed
// before it returns, however it ends.
RunSummary RunMapping(const MapOptions& options, RunObserver& obs);

// Records a failure of a run in sum and gives its message to obs; the
// first failure is the run's status. A stop asked for, or a reader that
// went away, ends the run quietly, as interrupted.
void FailRun(const Status& st, RunObserver& obs, RunSummary& sum);

}  // namespace quorvane

#endif  // QUORVANE_RUN_MAP_RUN_H_
