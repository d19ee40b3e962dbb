// The folder part of a path.
#ifndef QUORVANE_UI_DIR_PART_H_
#define QUORVANE_UI_DIR_PART_H_

#include <string>

namespace quorvane {

// Everything before the last "/" of path: "/a/b.txt" gives "/a", a name
// directly in the root ("/b.txt", or "/" itself) gives "/", and a text
// without "/" gives "".
std::string DirPart(const std::string& path);

}  // namespace quorvane

#endif  // QUORVANE_UI_DIR_PART_H_
