// One mapping run, from "go" to its last file.
#ifndef QUORVANE_RUN_RUN_DRIVER_H_
#define QUORVANE_RUN_RUN_DRIVER_H_

#include <string>

#include "run/run_config.h"
#include "run/run_counters.h"
#include "run/run_view.h"
#include "run/shell.h"

namespace quorvane {

enum class RunStatus {
  kRefused,  // a set-up state was open; nothing was opened or changed
  kFailed,   // the run could not complete; its messages have been shown
  kDone,     // the run reached its end, with or without found reads
};

struct RunResult {
  RunStatus status = RunStatus::kRefused;
  RunCounters counters;  // the totals of the read loop
  std::string report;    // the run report, once written
  std::string seconds;   // the time text, once shown
};

// Performs one whole run: refuses while a set-up state is open, opens the
// reads file and the result files, loads the genome and builds its index,
// searches every read of acceptable length, writes the results and the
// report, shows the progress, the elapsed seconds and "done", releases
// everything and hands the results to the shell. Every file and buffer it
// opens is closed before it returns, however it ends.
RunResult BtnGoPosClick(const RunConfig& cfg, RunView& view, Shell& shell);

}  // namespace quorvane

#endif  // QUORVANE_RUN_RUN_DRIVER_H_
