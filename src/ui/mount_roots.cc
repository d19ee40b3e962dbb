#include "ui/mount_roots.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>

#include "common/file_msg.h"

namespace quorvane {
namespace {

// File systems that hold no user files.
const std::set<std::string>& PseudoTypes() {
  static const std::set<std::string> types = {
      "proc",    "sysfs",     "devpts",     "devtmpfs",  "cgroup",  "cgroup2",  "mqueue",
      "debugfs", "tracefs",   "securityfs", "pstore",    "bpf",     "autofs",   "configfs",
      "fusectl", "hugetlbfs", "binfmt_misc", "efivarfs", "nsfs",    "rpc_pipefs", "selinuxfs"};
  return types;
}

// Mount points write a blank, tab, line feed and backslash as \040, \011,
// \012 and \134.
std::string DecodeOctal(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size()) {
      const char a = s[i + 1], b = s[i + 2], c = s[i + 3];
      if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
        out.push_back(static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0')));
        i += 3;
        continue;
      }
    }
    out.push_back(s[i]);
  }
  return out;
}

}  // namespace

bool PathUnder(const std::string& path, const std::string& root) {
  if (root == "/") return !path.empty() && path[0] == '/';
  if (path.compare(0, root.size(), root) != 0) return false;
  return path.size() == root.size() || path[root.size()] == '/';
}

std::vector<std::string> ParseMountRoots(const std::string& mounts) {
  std::set<std::string> found;
  std::istringstream lines(mounts);
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string device, point, type;
    if (!(fields >> device >> point >> type)) continue;
    if (PseudoTypes().count(type) != 0) continue;
    point = DecodeOctal(point);
    if (point.empty() || point[0] != '/' || point == "/") continue;
    if (PathUnder(point, "/proc") || PathUnder(point, "/sys") || PathUnder(point, "/dev") ||
        PathUnder(point, "/run")) {
      continue;
    }
    found.insert(point);
  }
  std::vector<std::string> roots{"/"};
  roots.insert(roots.end(), found.begin(), found.end());
  return roots;
}

std::vector<std::string> MountRoots() {
  std::ifstream in("/proc/self/mounts");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> roots = ParseMountRoots(text);
  // Files mounted over files (a container's /etc/hosts) are no drives.
  roots.erase(std::remove_if(roots.begin() + 1, roots.end(), [](const std::string& r) { return !DirExists(r); }),
              roots.end());
  return roots;
}

std::string DriveOf(const std::string& path, const std::vector<std::string>& drives) {
  std::string best = "/";
  for (const std::string& d : drives) {
    if (PathUnder(path, d) && d.size() > best.size()) best = d;
  }
  return best;
}

}  // namespace quorvane
