#include "readers/fasta_genome.h"

#include <array>
#include <cstdio>
#include <unordered_set>

namespace quorvane {
namespace {

enum Kind : uint8_t { kBad, kLetter, kSkip };

// Letters a genome may hold: A, C, G, T and the other IUPAC codes, either
// case; blanks are passed over.
constexpr std::array<uint8_t, 256> kKinds = [] {
  std::array<uint8_t, 256> t{};
  for (const char* p = "ACGTNRYSWKMBDHV"; *p != 0; ++p) {
    t[static_cast<unsigned char>(*p)] = kLetter;
    t[static_cast<unsigned char>(*p + 'a' - 'A')] = kLetter;
  }
  t[' '] = t['\t'] = t['\r'] = kSkip;
  return t;
}();

std::string Readable(unsigned char b) {
  if (b > 0x20 && b < 0x7f) return std::string(1, static_cast<char>(b));
  char buf[8];
  std::snprintf(buf, sizeof buf, "\\x%02X", b);
  return buf;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The reading of one genome file.
class FastaReader {
 public:
  FastaReader(LineCursor& cursor, bool linear, GenomeSink& sink) : c_(cursor), linear_(linear), sink_(sink) {}

  Status Run() {
    LineCursor::Piece p;
    for (;;) {
      bool more = false;
      Status st = c_.Next(p, more);
      if (!st.ok() || !more) return st;
      st = p.first && !p.text.empty() && p.text[0] == '>' ? Header(p) : Letters(p.text);
      if (!st.ok()) return st;
    }
  }

 private:
  Status Fail(const std::string& what) const { return Status::BadInput(what + " in genome\n" + c_.path()); }

  // A header line, all of its pieces.
  Status Header(LineCursor::Piece p) {
    std::string line(p.text.substr(1));
    while (!p.eol) {
      bool more = false;
      Status st = c_.Next(p, more);
      if (!st.ok()) return st;
      if (line.size() < 4096) line.append(p.text);
    }
    size_t b = 0;
    while (b < line.size() && IsBlank(line[b])) ++b;
    size_t e = b;
    while (e < line.size() && !IsBlank(line[e])) ++e;
    std::string name = line.substr(b, e - b);
    if (name.empty()) return Fail("a sequence without a name at line " + std::to_string(c_.line()));
    if (!names_.insert(name).second) return Fail("duplicate sequence name " + name);
    name_ = name;
    at_ = 0;
    return sink_.BeginSequence(std::move(name), HeaderCircular(std::string_view(line).substr(e), !linear_));
  }

  // Letters of a sequence line (or a piece of one).
  Status Letters(std::string_view t) {
    if (names_.empty()) {
      for (char ch : t) {
        if (kKinds[static_cast<unsigned char>(ch)] != kSkip) return Fail("letters before the first header");
      }
      return Status::OK();
    }
    // Runs of letters go to the sink whole; blanks break them.
    size_t run = 0;
    for (size_t i = 0; i < t.size(); ++i) {
      const uint8_t k = kKinds[static_cast<unsigned char>(t[i])];
      if (k == kLetter) continue;
      if (i > run) {
        Status st = Flush(t.data() + run, i - run);
        if (!st.ok()) return st;
      }
      if (k == kBad) {
        return Fail("bad symbol='" + Readable(static_cast<unsigned char>(t[i])) + "' at position " +
                    std::to_string(at_ + 1) + " of sequence " + name_);
      }
      run = i + 1;
    }
    return t.size() > run ? Flush(t.data() + run, t.size() - run) : Status::OK();
  }

  Status Flush(const char* p, size_t n) {
    at_ += static_cast<int64_t>(n);
    Status st = sink_.AppendLetters(p, n);
    if (st.code() == Status::Code::kBadInput) return Status::BadInput(st.message() + "\n" + c_.path());
    return st;
  }

  LineCursor& c_;
  bool linear_;
  GenomeSink& sink_;
  std::unordered_set<std::string> names_;
  std::string name_;  // of the sequence being read
  int64_t at_ = 0;    // its letters so far
};

}  // namespace

bool HeaderCircular(std::string_view words, bool dflt) {
  bool circular = dflt;
  size_t i = 0;
  while (i < words.size()) {
    while (i < words.size() && IsBlank(words[i])) ++i;
    size_t e = i;
    while (e < words.size() && !IsBlank(words[e])) ++e;
    const std::string_view w = words.substr(i, e - i);
    if (EqualsNoCase(w, "topology=linear") || EqualsNoCase(w, "circular=false")) circular = false;
    if (EqualsNoCase(w, "topology=circular") || EqualsNoCase(w, "circular=true")) circular = true;
    i = e;
  }
  return circular;
}

Status ReadFastaGenome(LineCursor& cursor, bool linear, GenomeSink& sink) {
  return FastaReader(cursor, linear, sink).Run();
}

}  // namespace quorvane
