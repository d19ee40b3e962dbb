// What the whole-run fuzz targets share: a folder of their own, the
// input's bytes one after another, files written and read whole, and an
// observer that keeps the last message.
#ifndef QUORVANE_FUZZ_FUZZ_FILES_H_
#define QUORVANE_FUZZ_FUZZ_FILES_H_

#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "run/run_observer.h"

namespace quorvane::fuzz {

// Hears nothing; a message is a failure the checks report.
class QuietObserver final : public RunObserver {
 public:
  std::string msg;
  void OnMessage(const Status& s) override { msg = s.message(); }
  void OnProgress(const RunProgress&) override {}
  void OnTime(const std::string&) override {}
  void OnEndSteps(bool) override {}
};

// A fresh folder, in memory where /dev/shm is, removed with the object.
struct Folder {
  Folder() {
    path = access("/dev/shm", W_OK) == 0 ? "/dev/shm/quorvane-fuzz-XXXXXX" : "/tmp/quorvane-fuzz-XXXXXX";
    if (mkdtemp(path.data()) == nullptr) std::abort();
  }
  ~Folder() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  std::string path;
};

// The bytes of the input one after another; zeros once they run out.
class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  unsigned Next() { return at_ < size_ ? data_[at_++] : 0; }
  bool left() const { return at_ < size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// The whole content of path, or "<missing>".
inline std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Writes content to path, or aborts.
inline void Put(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) std::abort();
}

}  // namespace quorvane::fuzz

#endif  // QUORVANE_FUZZ_FUZZ_FILES_H_
