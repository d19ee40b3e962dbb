#include "app/terminal_observer.h"

#include <unistd.h>

#include <cstdio>

#include "app/stop_signals.h"
#include "common/number_text.h"

namespace quorvane {

TerminalObserver::TerminalObserver(bool quiet) : live_(!quiet && isatty(STDERR_FILENO) == 1) {}

std::string ProgressLine(const RunProgress& p) {
  const double rate = p.seconds > 0 ? static_cast<double>(p.readsRead) / p.seconds : 0;
  const std::string unit = p.pairs ? "pairs" : "reads";
  std::string line = unit + " " + GroupedNumberText(p.readsRead);
  char buf[96];
  if (p.bytesTotal > 0) {
    const double share = static_cast<double>(p.bytesRead) / static_cast<double>(p.bytesTotal);
    std::snprintf(buf, sizeof buf, p.pairs ? "  %5.1f%% of the mates 1 file" : "  %5.1f%% of the reads file",
                  100.0 * share);
    line += buf;
    line += "  " + GroupedNumberText(static_cast<int64_t>(rate)) + " " + unit + "/s";
    if (share > 0 && share < 1 && p.seconds > 0) {
      const int64_t left = static_cast<int64_t>(p.seconds * (1 - share) / share + 0.5);
      std::snprintf(buf, sizeof buf, "  %lld:%02lld left", static_cast<long long>(left / 60),
                    static_cast<long long>(left % 60));
      line += buf;
    }
    return line;
  }
  const int64_t s = static_cast<int64_t>(p.seconds);
  std::snprintf(buf, sizeof buf, "  %lld:%02lld", static_cast<long long>(s / 60), static_cast<long long>(s % 60));
  line += buf;
  line += "  " + GroupedNumberText(static_cast<int64_t>(rate)) + " " + unit + "/s";
  return line;
}

void TerminalObserver::OnProgress(const RunProgress& p) {
  if (!live_) return;
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && now - last_ < std::chrono::milliseconds(100)) return;
  last_ = now;
  const std::string line = "\r" + ProgressLine(p) + "\033[K";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  drawn_ = true;
}

void TerminalObserver::ClearLine() {
  if (!drawn_) return;
  std::fputs("\r\033[K", stderr);
  drawn_ = false;
}

void TerminalObserver::OnMessage(const Status& s) {
  ClearLine();
  std::fwrite(s.message().data(), 1, s.message().size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

bool TerminalObserver::StopRequested() { return StopSignal() != 0; }

void TerminalObserver::EndProgress() {
  ClearLine();
  std::fflush(stderr);
}

}  // namespace quorvane
