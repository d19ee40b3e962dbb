#include "run/shell.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

namespace quorvane {
namespace {

// Starts argv[0] through posix_spawnp with the given file actions and
// waits for it; it only starts work in the background and ends at once.
bool SpawnAndReap(const char* const* argv, const posix_spawn_file_actions_t* actions) {
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], actions, nullptr, const_cast<char* const*>(argv), environ) != 0) return false;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return true;
}

// Starts xdg-open on path in the background through a short-lived shell,
// so that no child is left to reap and nothing is printed when xdg-open is
// missing.
void XdgOpen(const std::string& path) {
  const char* argv[] = {"sh", "-c", "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &", "sh", path.c_str(), nullptr};
  SpawnAndReap(argv, nullptr);
}

// Starts xdg-open on path as XdgOpen does, its exit status to come as a
// decimal line through a pipe; returns the pipe's reading end, or -1.
int XdgOpenWatched(const std::string& path) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (int fd = 0; fd < 3; ++fd) {
    posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
  // The background subshell outlives the shell that starts it; it keeps
  // the pipe (3) from xdg-open and whatever xdg-open starts.
  const char* argv[] = {"sh", "-c", "( xdg-open \"$1\" 3>&-; echo $? >&3 ) &", "sh", path.c_str(), nullptr};
  const bool started = SpawnAndReap(argv, &actions);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  if (!started) {
    close(fds[0]);
    return -1;
  }
  return fds[0];
}

}  // namespace

std::vector<std::string> Shell::OpenResults(const std::vector<ResultDoc>& docs) {
  for (const ResultDoc& d : docs) {
    if (d.spreadsheet) {
      OpenInSpreadsheet(d.path);
    } else {
      OpenDocument(d.path);
    }
  }
  return {};
}

void DesktopShell::OpenDocument(const std::string& path) { XdgOpen(path); }

void DesktopShell::OpenInSpreadsheet(const std::string& path) { XdgOpen(path); }

std::vector<std::string> DesktopShell::OpenResults(const std::vector<ResultDoc>& docs) {
  struct Watch {
    int fd;
    std::string answer;
    bool done = false;
  };
  std::vector<Watch> watches;
  for (const ResultDoc& d : docs) watches.push_back(Watch{XdgOpenWatched(d.path), {}, false});
  const auto deadline = std::chrono::steady_clock::now() + wait_;
  for (;;) {
    std::vector<pollfd> open;
    std::vector<Watch*> of;
    for (Watch& w : watches) {
      if (w.fd >= 0 && !w.done) {
        open.push_back(pollfd{w.fd, POLLIN, 0});
        of.push_back(&w);
      }
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (open.empty() || left.count() <= 0) break;
    const int n = poll(open.data(), open.size(), static_cast<int>(left.count()));
    if (n < 0 && errno != EINTR) break;
    for (size_t i = 0; i < open.size(); ++i) {
      if (open[i].revents == 0) continue;
      char buf[32];
      const ssize_t got = read(open[i].fd, buf, sizeof buf);
      if (got > 0) {
        of[i]->answer.append(buf, static_cast<size_t>(got));
        of[i]->done = of[i]->answer.find('\n') != std::string::npos;
      } else if (got == 0 || errno != EINTR) {
        of[i]->done = true;
      }
    }
  }
  std::vector<std::string> failed;
  for (size_t i = 0; i < watches.size(); ++i) {
    Watch& w = watches[i];
    if (w.fd >= 0) close(w.fd);
    // No answer yet: the opener still runs, showing the file.
    const bool ok = w.fd >= 0 && (!w.done || (!w.answer.empty() && std::atoi(w.answer.c_str()) == 0));
    if (!ok) failed.push_back(docs[i].path);
  }
  return failed;
}

}  // namespace quorvane
