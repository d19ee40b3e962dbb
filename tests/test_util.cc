#include "test_util.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/nucleotide.h"

namespace quorvane::test {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "quorvane-test-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

bool PathExists(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0;
}

std::map<std::string, std::string> FolderFiles(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    if (!e.is_regular_file()) continue;
    const std::string content = ReadFile(e.path().string());
    uint64_t h = 14695981039346656037ull;  // FNV-1a
    for (const char c : content) h = (h ^ static_cast<uint8_t>(c)) * 1099511628211ull;
    char text[64];
    std::snprintf(text, sizeof text, "%zu bytes, hash %016llx", content.size(), static_cast<unsigned long long>(h));
    files[e.path().filename().string()] = text;
  }
  return files;
}

std::string RandomLetters(std::mt19937& rng, size_t n, const std::string& alphabet) {
  std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
  std::string s(n, 'A');
  for (char& c : s) c = alphabet[pick(rng)];
  return s;
}

std::string ReverseComplement(const std::string& s) {
  std::string r(s.rbegin(), s.rend());
  for (char& c : r) {
    const uint8_t code = CodeOf(c);
    c = code == kNoCode ? 'N' : kComplLetters[code];
  }
  return r;
}

std::string SharedDataDir() {
  const std::string dir = QUORVANE_SHARED_DATA;
  return PathExists(dir + "/lambda.txt") ? dir : "";
}

}  // namespace quorvane::test
