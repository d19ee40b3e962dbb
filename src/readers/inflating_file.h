// Reading a file that may be gzip-compressed (BGZF included) as if it were
// not.
#ifndef QUORVANE_READERS_INFLATING_FILE_H_
#define QUORVANE_READERS_INFLATING_FILE_H_

#include <memory>
#include <string>

#include "env/env.h"

namespace quorvane {

// Wraps file: when its first bytes are the gzip magic, what Read gives is
// the decompressed content, every member of a multi-member file (BGZF)
// included; otherwise the bytes pass unchanged. Reads the first bytes at
// once to tell which (compressed says). Works on pipes: nothing is read
// ahead of what Read asks for beyond one buffer. path names the file in
// messages ("can't read " + path for a failed read or a damaged stream).
Status OpenInflating(std::unique_ptr<SequentialFile> file, std::string path, std::unique_ptr<SequentialFile>& out,
                     bool& compressed);

// Wraps file so that its reads (and any decompression beneath) run on a
// thread of their own, a few buffers ahead of the caller: reading and
// decompressing overlap what the caller does with the bytes. Memory stays
// at a few megabytes.
std::unique_ptr<SequentialFile> NewReadAheadFile(std::unique_ptr<SequentialFile> file);

}  // namespace quorvane

#endif  // QUORVANE_READERS_INFLATING_FILE_H_
