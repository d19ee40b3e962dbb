#include "setup/program_path.h"

#include <unistd.h>

#include <climits>

namespace quorvane {

ProgramPath SplitProgramPath(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {"", path};
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

ProgramPath OwnProgramPath(const char* argv0) {
  char buf[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n > 0) return SplitProgramPath(std::string(buf, static_cast<size_t>(n)));
  return SplitProgramPath(argv0 != nullptr ? argv0 : "");
}

}  // namespace quorvane
