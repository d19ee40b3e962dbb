// What happens to the result files once a run has closed them.
#ifndef QUORVANE_RUN_FINISH_RUN_H_
#define QUORVANE_RUN_FINISH_RUN_H_

#include <cstdint>

#include "run/result_files.h"
#include "run/run_view.h"
#include "run/shell.h"

namespace quorvane {

// With no read found: deletes every result file but the run log and opens
// the run log. Otherwise appends the temporary log (the per-read table) to
// the run log, deletes it, opens the run log and the position file in the
// spreadsheet and opens the set state. Returns false, with a message shown,
// when the table could not be moved; the temporary log then stays.
bool FinishRun(int64_t readsIn, const ResultPaths& paths, Shell& shell, RunView& view);

}  // namespace quorvane

#endif  // QUORVANE_RUN_FINISH_RUN_H_
