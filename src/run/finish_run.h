// What happens to the five result files once a run has closed them.
#ifndef QUORVANE_RUN_FINISH_RUN_H_
#define QUORVANE_RUN_FINISH_RUN_H_

#include <cstdint>

#include "common/status.h"
#include "env/env.h"
#include "writers/text_sink.h"
#include "run/shell.h"

namespace quorvane {

// With no read found: deletes every result file but the run log and opens
// the run log. Otherwise appends the temporary log (the per-read table) to
// the run log, deletes it, and opens the run log and the position file in
// the spreadsheet. Fails, with the temporary log left in place, when the
// table could not be moved: "i can't open\n" + path when the temporary log
// cannot be measured, "can't open " + path when a log cannot be opened,
// "can't read " / "can't write " + path when the copy fails.
Status FinishRun(int64_t readsIn, const ResultPaths& paths, Env& env, Shell& shell);

}  // namespace quorvane

#endif  // QUORVANE_RUN_FINISH_RUN_H_
