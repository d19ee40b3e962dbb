// Names of the result files of a run.
#ifndef QUORVANE_COMMON_FILE_STEM_H_
#define QUORVANE_COMMON_FILE_STEM_H_

#include <cstdint>
#include <string>

namespace quorvane {

// The file name of path (the text after its last "/"), cut before its
// first "."; a name that begins with "." gives "".
std::string FileStem(const std::string& path);

// The prefix of every result file: "/" + stem of PthRds ("stdin" for
// standard input, "-") + "_" + stem of PthGnm + "_m" + misNu. A result
// path is DiRes + prefix + fixed name.
std::string ResultPrefix(const std::string& PthRds, const std::string& PthGnm, int32_t misNu);

}  // namespace quorvane

#endif  // QUORVANE_COMMON_FILE_STEM_H_
