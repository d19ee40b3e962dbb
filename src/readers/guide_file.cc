#include "readers/guide_file.h"

#include <memory>

#include "common/iupac.h"
#include "readers/input_file.h"
#include "readers/line_cursor.h"

namespace quorvane {
namespace {

// Longest line kept; a guide with its name is far shorter.
constexpr size_t kMaxGuideLine = 64 * 1024;

enum class Layout { kUnknown, kFasta, kTable, kLines };

std::string Trimmed(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

// The first word of a FASTA header, after its ">".
std::string HeaderName(const std::string& line) {
  const std::string t = Trimmed(line.substr(1));
  const size_t end = t.find_first_of(" \t");
  return end == std::string::npos ? t : t.substr(0, end);
}

class GuideReader {
 public:
  GuideReader(const std::string& path, std::vector<Guide>& guides) : path_(path), guides_(guides) {}

  // Takes one whole line, numbered from 1.
  Status Line(const std::string& raw, int64_t line) {
    if (layout_ == Layout::kUnknown) {
      const std::string t = Trimmed(raw);
      if (t.empty() || t[0] == '#') return Status::OK();
      layout_ = t[0] == '>' ? Layout::kFasta : t.find('\t') != std::string::npos ? Layout::kTable : Layout::kLines;
      if (layout_ == Layout::kTable) return TableLine(t, line, true);
    }
    const std::string t = Trimmed(raw);
    if (layout_ == Layout::kFasta) {
      if (!t.empty() && t[0] == '>') {
        Status st = EndRecord();
        if (!st.ok()) return st;
        pending_ = Guide{HeaderName(t), ""};
        pendingLine_ = line;
        letterLines_.clear();
        open_ = true;
        return Status::OK();
      }
      if (t.empty()) return Status::OK();
      letterLines_.emplace_back(pending_.letters.size(), line);
      pending_.letters += t;
      if (pending_.letters.size() > kMaxGuideLine) return TooLong(line);
      return Status::OK();
    }
    if (t.empty() || t[0] == '#') return Status::OK();
    if (layout_ == Layout::kTable) return TableLine(t, line, false);
    return Add(Guide{t, t}, line);
  }

  Status Finish() {
    Status st = EndRecord();
    if (!st.ok()) return st;
    if (guides_.empty()) return Status::BadInput("no guide in " + path_);
    return Status::OK();
  }

  Status TooLong(int64_t line) {
    return Status::BadInput("line " + std::to_string(line) + " of " + path_ + " is too long");
  }

 private:
  Status TableLine(const std::string& t, int64_t line, bool first) {
    const size_t tab = t.find('\t');
    Guide g;
    if (tab == std::string::npos) {
      g.letters = t;
      g.name = t;
    } else {
      g.name = Trimmed(t.substr(0, tab));
      g.letters = Trimmed(t.substr(tab + 1));
    }
    if (first) {
      Guide probe = g;
      if (!CheckGuide(probe, line).ok()) return Status::OK();  // a header line
    }
    return Add(std::move(g), line);
  }

  Status EndRecord() {
    if (!open_) return Status::OK();
    open_ = false;
    // A bad letter is shown with the line that holds it, not the header's.
    int64_t line = pendingLine_;
    for (size_t i = 0; i < pending_.letters.size(); ++i) {
      if (kIupacSet[static_cast<unsigned char>(pending_.letters[i])] != 0) continue;
      for (const auto& [from, at] : letterLines_) {
        if (from <= i) line = at;
      }
      break;
    }
    return Add(std::move(pending_), line);
  }

  Status Add(Guide g, int64_t line) {
    Status st = CheckGuide(g, line);
    if (!st.ok()) return st;
    if (static_cast<int64_t>(guides_.size()) >= kMaxGuides) {
      return Status::BadInput("more than 1,000,000 guides in " + path_);
    }
    guides_.push_back(std::move(g));
    return Status::OK();
  }

  const std::string& path_;
  std::vector<Guide>& guides_;
  Layout layout_ = Layout::kUnknown;
  Guide pending_;
  int64_t pendingLine_ = 0;
  std::vector<std::pair<size_t, int64_t>> letterLines_;  // where each line of the record's letters begins, and its number
  bool open_ = false;  // a FASTA record is being read
};

}  // namespace

Status ReadGuides(Env& env, const std::string& path, std::vector<Guide>& guides, WaitAbort abort) {
  guides.clear();
  std::unique_ptr<LineCursor> cursor;
  Status st = OpenInput(env, path, cursor, nullptr, std::move(abort));
  if (!st.ok()) return st.code() == Status::Code::kCantOpen ? Status::CantOpen("can't open " + path) : st;
  GuideReader reader(path, guides);
  st = ForEachLine(*cursor, kMaxGuideLine, [&](const std::string& line, int64_t n) { return reader.Line(line, n); });
  if (!st.ok()) return st;
  return reader.Finish();
}

}  // namespace quorvane
