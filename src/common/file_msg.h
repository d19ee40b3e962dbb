// File routines shared by the set-up and the front ends.
#ifndef QUORVANE_COMMON_FILE_MSG_H_
#define QUORVANE_COMMON_FILE_MSG_H_

#include <cstdint>
#include <cstdio>
#include <string>

#include "common/status.h"

namespace quorvane {

// Opens path with mode ("rb", "wb" or "ab"; no line-end translation) and
// returns the stream, or nullptr after showing "can't open " + path.
// The caller closes the stream.
std::FILE* OpenFileMsg(const std::string& path, const char* mode);

// Measures the file at path. On success stores its size in bytes in size
// and returns it in decimal, grouped by threes with the user locale's
// thousands separator. When the file cannot be opened for reading, sets
// status to "i can't open\n" + path, leaves size unchanged and returns "".
// The file is opened without waiting, so a FIFO never blocks the
// measurement; sizes of 2 GiB and more are measured exactly.
std::string FileSizeText(const std::string& path, int64_t& size, Status& status);

// Whether a regular file (not a directory) exists at path.
bool FileExists(const std::string& path);

// Whether a directory exists at path.
bool DirExists(const std::string& path);

}  // namespace quorvane

#endif  // QUORVANE_COMMON_FILE_MSG_H_
