#include "app/stop_signals.h"

#include <atomic>
#include <csignal>

namespace quorvane {
namespace {

std::atomic<int> stopSignal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnStopSignal(int sig) {
  int none = 0;
  if (!stopSignal.compare_exchange_strong(none, sig)) {
    // Asked twice: the user no longer waits for the run to wind up.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
  }
}

}  // namespace

void CatchStopSignals() {
  struct sigaction sa {};
  sa.sa_handler = OnStopSignal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  sigaction(SIGINT, &sa, nullptr);
  sigaction(SIGTERM, &sa, nullptr);
}

int StopSignal() { return stopSignal.load(); }

}  // namespace quorvane
