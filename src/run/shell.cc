#include "run/shell.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

extern char** environ;

namespace quorvane {
namespace {

// Starts xdg-open on path in the background through a short-lived shell,
// so that no child is left to reap and nothing is printed when xdg-open is
// missing.
void XdgOpen(const std::string& path) {
  const char* argv[] = {"sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &", "sh", path.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0) return;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

void DesktopShell::OpenDocument(const std::string& path) { XdgOpen(path); }

void DesktopShell::OpenInSpreadsheet(const std::string& path) { XdgOpen(path); }

}  // namespace quorvane
