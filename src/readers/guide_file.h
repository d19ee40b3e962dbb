// Reading the guides of a guide search from a file.
#ifndef QUORVANE_READERS_GUIDE_FILE_H_
#define QUORVANE_READERS_GUIDE_FILE_H_

#include <string>
#include <vector>

#include "common/status.h"
#include "guides/guide_query.h"
#include "env/env.h"

namespace quorvane {

// Guides a file may hold.
inline constexpr int64_t kMaxGuides = 1'000'000;

// Reads the guides at path, in its order, each checked by CheckGuide. The
// format is told by the content: FASTA (a ">" header names the guide, its
// letters may run over several lines); a TSV of name, tab, letters (a
// first line whose letters are no guide, such as "name<TAB>sequence", is a
// header and passed over); or one guide a line, named by its letters.
// Blank lines and lines starting with "#" are passed over; the file may be
// gzip-compressed or a stream. Fails with kCantOpen ("can't open " +
// path), kIoError, or kBadInput: a guide's message from CheckGuide, "no
// guide in " + path, "more than 1,000,000 guides in " + path, or "line N
// of PATH is too long".
Status ReadGuides(Env& env, const std::string& path, std::vector<Guide>& guides, WaitAbort abort = {});

}  // namespace quorvane

#endif  // QUORVANE_READERS_GUIDE_FILE_H_
