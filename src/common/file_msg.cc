#include "common/file_msg.h"

#include <sys/stat.h>

#include "common/number_text.h"
#include "common/show_msg.h"

namespace quorvane {

std::FILE* OpenFileMsg(const std::string& path, const char* mode) {
  std::FILE* f = std::fopen(path.c_str(), mode);
  if (f == nullptr) ShowMsg("can't open " + path);
  return f;
}

std::string FileSizeText(const std::string& path, int64_t& size) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) {
    ShowMsg("i can't open\n" + path);
    return "";
  }
  struct stat st {};
  int64_t measured = 0;
  if (fstat(fileno(f), &st) == 0) {
    measured = static_cast<int64_t>(st.st_size);
  } else if (std::fseek(f, 0, SEEK_END) == 0) {
    measured = static_cast<int64_t>(ftello(f));
  }
  std::fclose(f);
  size = measured;
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
