// What happens to the result files once a run has closed them.
#ifndef QUORVANE_RUN_FINISH_RUN_H_
#define QUORVANE_RUN_FINISH_RUN_H_

#include <cstdint>
#include <string>
#include <vector>

#include "common/status.h"
#include "env/env.h"
#include "run/shell.h"
#include "writers/pair_text_sink.h"
#include "writers/text_sink.h"

namespace quorvane {

// With no read found: deletes every result file but the run log and opens
// the run log. Otherwise appends the temporary log (the per-read table) to
// the run log, deletes it, and opens the run log and the position file in
// the spreadsheet. Fails, with the temporary log left in place, when the
// table could not be moved: "i can't open\n" + path when the temporary log
// cannot be measured, "can't open " + path when a log cannot be opened,
// "can't read " / "can't write " + path when the copy fails. The files
// that no application opened are added to unopened.
Status FinishRun(int64_t readsIn, const ResultPaths& paths, Env& env, Shell& shell,
                 std::vector<std::string>& unopened);

// Opens the run log and the placements file of a pair run in the
// spreadsheet; returns the files that no application opened.
std::vector<std::string> OpenPairResults(const PairResultPaths& paths, Shell& shell);

// The one message of a run whose result files no application opened:
// "no application opened the result files:" and each path on a line of
// its own.
Status UnopenedResults(const std::vector<std::string>& paths);

}  // namespace quorvane

#endif  // QUORVANE_RUN_FINISH_RUN_H_
