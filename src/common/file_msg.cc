#include "common/file_msg.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/number_text.h"
#include "common/show_msg.h"

namespace quorvane {

std::FILE* OpenFileMsg(const std::string& path, const char* mode) {
  std::FILE* f = std::fopen(path.c_str(), mode);
  if (f == nullptr) ShowMsg("can't open " + path);
  return f;
}

std::string FileSizeText(const std::string& path, int64_t& size, Status& status) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    status = Status::CantOpen("i can't open\n" + path);
    return "";
  }
  struct stat st {};
  const int64_t measured = ::fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
  ::close(fd);
  size = measured;
  status = Status::OK();
  return GroupedNumberText(measured);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool DirExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace quorvane
