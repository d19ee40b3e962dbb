// Helpers shared by the test suites.
#ifndef QUORVANE_TESTS_TEST_UTIL_H_
#define QUORVANE_TESTS_TEST_UTIL_H_

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "common/show_msg.h"

namespace quorvane::test {

// A fresh folder under the system's temporary folder, removed with all its
// content when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Records every message shown while it lives.
class MsgRecorder {
 public:
  MsgRecorder() : sink_([this](const std::string& t) { msgs_.push_back(t); }) {}
  const std::vector<std::string>& msgs() const { return msgs_; }
  void Clear() { msgs_.clear(); }

 private:
  std::vector<std::string> msgs_;
  ScopedMsgSink sink_;
};

void WriteFile(const std::string& path, const std::string& content);
// Writes content gzip-compressed, in `members` gzip members one after
// another (as multi-member files and BGZF are).
void WriteGzip(const std::string& path, const std::string& content, int members = 1);
// Writes content as BGZF, the blocked gzip of htslib and samtools.
void WriteBgzf(const std::string& path, const std::string& content);
std::string ReadFile(const std::string& path);
bool PathExists(const std::string& path);

// Every file of folder (hidden ones too, not its subfolders) by name, with
// its size and a hash of its content: what a test compares before and
// after a run, short enough to print.
std::map<std::string, std::string> FolderFiles(const std::string& folder);

// Random text of n letters from alphabet.
std::string RandomLetters(std::mt19937& rng, size_t n, const std::string& alphabet = "ACGT");

// Reverse complement of letters (A, C, G, T in either case; anything else
// becomes N).
std::string ReverseComplement(const std::string& s);

// Where the folder of real genomes is, or "" when it is absent.
std::string SharedDataDir();

}  // namespace quorvane::test

#endif  // QUORVANE_TESTS_TEST_UTIL_H_
