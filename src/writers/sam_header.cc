#include "writers/sam_header.h"

#include <string_view>

namespace quorvane {
namespace {

// Text fit for one field of a header line: printable bytes kept, every
// other byte replaced by `other`.
std::string FieldText(const std::string& s, char other) {
  std::string out(s);
  for (char& c : out) {
    if (c < '!' || c > '~') c = other;
  }
  return out;
}

bool PlainWordChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         std::string_view("+,-./:=@_%").find(c) != std::string_view::npos;
}

}  // namespace

std::string SamHeaderText(const Reference& ref, const SamProgram& pg) {
  std::string h = "@HD\tVN:1.6\tSO:unsorted\tGO:query\n";
  for (const RefSeq& s : ref.seqs()) {
    h += "@SQ\tSN:" + FieldText(s.name, '_') + "\tLN:" + std::to_string(s.length);
    if (s.circular) h += "\tTP:circular";
    h += '\n';
  }
  const std::string name = FieldText(pg.name, '_');
  h += "@PG\tID:" + name + "\tPN:" + name;
  if (!pg.version.empty()) h += "\tVN:" + FieldText(pg.version, '_');
  if (!pg.commandLine.empty()) {
    std::string cl = pg.commandLine;
    for (char& c : cl) {
      const unsigned char u = static_cast<unsigned char>(c);
      if (u < 0x20 || u == 0x7f) c = ' ';  // UTF-8 stays
    }
    h += "\tCL:" + cl;
  }
  h += '\n';
  return h;
}

std::string CommandLineText(int argc, const char* const* argv) {
  std::string out;
  for (int i = 0; i < argc; ++i) {
    const std::string word = argv[i];
    if (i > 0) out += ' ';
    bool plain = !word.empty();
    for (char c : word) plain = plain && PlainWordChar(c);
    if (plain) {
      out += word;
      continue;
    }
    out += '\'';
    for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    out += '\'';
  }
  return out;
}

}  // namespace quorvane
