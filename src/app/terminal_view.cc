#include "app/terminal_view.h"

#include <unistd.h>

#include <cstdio>

#include "common/number_text.h"

namespace quorvane {

TerminalView::TerminalView(bool quiet) : live_(!quiet && isatty(STDERR_FILENO) == 1) {}

std::string ProgressLine(const RunProgress& p) {
  const double share = p.bytesTotal > 0 ? static_cast<double>(p.bytesRead) / static_cast<double>(p.bytesTotal) : 1.0;
  const double rate = p.seconds > 0 ? static_cast<double>(p.linesRead) / p.seconds : 0;
  std::string line = "reads " + GroupedNumberText(p.linesRead);
  char buf[96];
  std::snprintf(buf, sizeof buf, "  %5.1f%% of the reads file", 100.0 * share);
  line += buf;
  line += "  " + GroupedNumberText(static_cast<int64_t>(rate)) + " reads/s";
  if (share > 0 && share < 1 && p.seconds > 0) {
    const int64_t left = static_cast<int64_t>(p.seconds * (1 - share) / share + 0.5);
    std::snprintf(buf, sizeof buf, "  %lld:%02lld left", static_cast<long long>(left / 60),
                  static_cast<long long>(left % 60));
    line += buf;
  }
  return line;
}

void TerminalView::SetProgressText(const std::string&, const RunProgress& progress) {
  if (!live_) return;
  const auto now = std::chrono::steady_clock::now();
  if (drawn_ && now - last_ < std::chrono::milliseconds(100)) return;
  last_ = now;
  const std::string line = "\r" + ProgressLine(progress) + "\033[K";
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
  drawn_ = true;
}

void TerminalView::ClearLine() {
  if (!drawn_) return;
  std::fputs("\r\033[K", stderr);
  drawn_ = false;
}

void TerminalView::Message(const std::string& text) {
  ClearLine();
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

void TerminalView::EndProgress() {
  ClearLine();
  std::fflush(stderr);
}

}  // namespace quorvane
