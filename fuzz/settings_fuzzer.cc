// The settings files and the mismatch box on any bytes: a settings file
// reads back as its first line, at most 998 bytes, whatever it holds; what
// is written is what is read; the mismatch text is taken only as one digit
// 0..3.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "check.h"
#include "common/show_msg.h"
#include "setup/input_checks.h"
#include "setup/path_settings.h"

using namespace quorvane;

namespace {

// A folder of this process for the one settings file, on tmpfs where
// there is one; removed at exit.
struct SettingsFolder {
  SettingsFolder() {
    dir = access("/dev/shm", W_OK) == 0 ? "/dev/shm/quorvane-fuzz-XXXXXX" : "/tmp/quorvane-fuzz-XXXXXX";
    if (mkdtemp(dir.data()) == nullptr) std::abort();
    path = dir + "/PthRds-DravenokOut.txt";
  }
  ~SettingsFolder() {
    unlink(path.c_str());
    rmdir(dir.c_str());
  }
  std::string dir, path;
};

const std::string& SettingsPath() {
  static const SettingsFolder folder;
  return folder.path;
}

// What ReadSetting must give for a file holding content.
std::string FirstLine(const std::string& content) {
  std::string line = content.substr(0, 998);
  const size_t lf = line.find('\n');
  return lf == std::string::npos ? line : line.substr(0, lf + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ScopedMsgSink quiet([](const std::string&) {});
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string& path = SettingsPath();

  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  const std::string read = ReadSetting(path);
  FUZZ_CHECK(read == FirstLine(text), "read %zu bytes of %zu", read.size(), text.size());

  FUZZ_CHECK(WriteSetting(path, read + text), "a setting not written");
  FUZZ_CHECK(ReadSetting(path) == FirstLine(read + text), "not read back as written");

  int32_t misNu = -1;
  const bool valid = ParseMisNu(text, misNu).ok();
  FUZZ_CHECK(valid == (size == 1 && text[0] >= '0' && text[0] <= '3'), "misNu text taken or refused wrongly");
  FUZZ_CHECK(!valid || misNu == text[0] - '0', "misNu %d from a valid text", misNu);
  return 0;
}
