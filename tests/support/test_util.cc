#include "test_util.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <htslib/bgzf.h>
#include <zlib.h>

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

void WriteGzip(const std::string& path, const std::string& content, int members) {
  std::string all;
  const size_t part = content.size() / static_cast<size_t>(members) + 1;
  for (size_t at = 0; at < content.size() || (at == 0 && all.empty()); at += part) {
    const std::string piece = content.substr(at, part);
    z_stream z{};
    if (deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::runtime_error("zlib");
    std::string out(deflateBound(&z, piece.size()) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
    z.avail_in = static_cast<uInt>(piece.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("zlib");
    out.resize(z.total_out);
    deflateEnd(&z);
    all += out;
    if (content.empty()) break;
  }
  WriteFile(path, all);
}

void WriteBgzf(const std::string& path, const std::string& content) {
  BGZF* f = bgzf_open(path.c_str(), "w");
  if (f == nullptr || bgzf_write(f, content.data(), content.size()) < 0 || bgzf_close(f) != 0) {
    throw std::runtime_error("cannot write " + path);
  }
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
