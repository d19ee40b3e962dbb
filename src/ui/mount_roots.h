// The "drives" of a Linux machine: the roots of its mounted file systems
// that hold the user's files.
#ifndef QUORVANE_UI_MOUNT_ROOTS_H_
#define QUORVANE_UI_MOUNT_ROOTS_H_

#include <string>
#include <vector>

namespace quorvane {

// The mount points listed in mounts (the text of /proc/self/mounts), with
// their octal escapes decoded, leaving out the kernel's pseudo file
// systems and everything below /proc, /sys, /dev and /run. "/" always
// comes first; the others follow sorted, each once.
std::vector<std::string> ParseMountRoots(const std::string& mounts);

// The drives of this machine: ParseMountRoots of /proc/self/mounts,
// keeping only folders that exist. At least "/".
std::vector<std::string> MountRoots();

// The drive among drives whose root holds path (the longest root that is
// path itself or a folder above it); "/" when none does.
std::string DriveOf(const std::string& path, const std::vector<std::string>& drives);

// Whether path is root or lies below it.
bool PathUnder(const std::string& path, const std::string& root);

}  // namespace quorvane

#endif  // QUORVANE_UI_MOUNT_ROOTS_H_
