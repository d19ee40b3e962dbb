#include "setup/path_settings.h"

#include <cstdio>

#include "common/file_msg.h"
#include "common/show_msg.h"

namespace quorvane {

namespace {
constexpr size_t kMaxSetting = 998;
}  // namespace

std::string ReadSetting(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return "";
  std::string text;
  int c;
  while (text.size() < kMaxSetting && (c = std::fgetc(f)) != EOF) {
    text.push_back(static_cast<char>(c));
    if (c == '\n') break;
  }
  std::fclose(f);
  return text;
}

bool WriteSetting(const std::string& path, const std::string& text) {
  std::FILE* f = OpenFileMsg(path, "wb");
  if (f == nullptr) return false;
  const bool wrote = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  const bool closed = std::fclose(f) == 0;
  if (!wrote || !closed) {
    ShowMsg("can't write " + path);
    return false;
  }
  return true;
}

}  // namespace quorvane
