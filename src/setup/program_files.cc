#include "setup/program_files.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "common/file_msg.h"

// The install rules define where the data folder lies relative to the
// programs' folder; a build without them assumes the usual layout.
#ifndef QUORVANE_DATA_FROM_BIN
#define QUORVANE_DATA_FROM_BIN "../share/quorvane/"
#endif

namespace quorvane {
namespace {

bool Writable(const std::string& dir) {
  const std::string d = dir.empty() ? "." : dir;
  struct stat st {};
  return stat(d.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && access(d.c_str(), W_OK | X_OK) == 0;
}

// Creates dir and its missing parents, each with mode 0700.
void MakeFolders(const std::string& dir) {
  for (size_t slash = dir.find('/', 1); slash != std::string::npos; slash = dir.find('/', slash + 1)) {
    const std::string part = dir.substr(0, slash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return;
  }
}

}  // namespace

std::string SettingsFolder(const std::string& PthExe, const char* xdgConfigHome, const char* home) {
  if (Writable(PthExe)) return PthExe;
  std::string config;
  if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') {
    config = xdgConfigHome;
  } else if (home != nullptr && home[0] != '\0') {
    config = std::string(home) + "/.config";
  } else {
    return PthExe;
  }
  if (config.back() != '/') config.push_back('/');
  const std::string folder = config + "quorvane/";
  MakeFolders(folder);
  return folder;
}

std::string SettingsFolder(const std::string& PthExe) {
  const char* home = std::getenv("HOME");
  if (home == nullptr || home[0] == '\0') {
    const passwd* pw = getpwuid(getuid());
    if (pw != nullptr) home = pw->pw_dir;
  }
  return SettingsFolder(PthExe, std::getenv("XDG_CONFIG_HOME"), home);
}

std::string HelpTextPath(const std::string& PthExe) {
  const std::string beside = PthExe + kHelpText;
  if (FileExists(beside)) return beside;
  if (PthExe.empty()) return "";
  const std::string installed =
      (std::filesystem::path(PthExe) / QUORVANE_DATA_FROM_BIN / kHelpText).lexically_normal().string();
  return FileExists(installed) ? installed : "";
}

}  // namespace quorvane
