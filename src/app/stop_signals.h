// SIGINT and SIGTERM as a request to stop the run: the run ends at its
// next batch and puts nothing in place, instead of dying with its files
// half written.
#ifndef QUORVANE_APP_STOP_SIGNALS_H_
#define QUORVANE_APP_STOP_SIGNALS_H_

namespace quorvane {

// From now on the first SIGINT or SIGTERM is only noted; a second one
// ends the program at once, as the signal would have without this.
void CatchStopSignals();

// The signal that asked to stop, or 0 while none came.
int StopSignal();

}  // namespace quorvane

#endif  // QUORVANE_APP_STOP_SIGNALS_H_
