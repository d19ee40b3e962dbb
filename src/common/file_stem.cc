#include "common/file_stem.h"

namespace quorvane {

std::string FileStem(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return name.substr(0, name.find('.'));
}

std::string ResultPrefix(const std::string& PthRds, const std::string& PthGnm, int32_t misNu) {
  std::string prefix(1, '/');
  // Reads from standard input name their results "stdin".
  prefix.append(PthRds == "-" ? std::string("stdin") : FileStem(PthRds)).append("_").append(FileStem(PthGnm)).append("_m");
  prefix.append(std::to_string(misNu));
  return prefix;
}

}  // namespace quorvane
