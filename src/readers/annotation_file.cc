#include "readers/annotation_file.h"

#include <map>
#include <memory>

#include "readers/input_file.h"
#include "readers/line_cursor.h"

namespace quorvane {
namespace {

// Longest line read; attributes of real files stay far below it.
constexpr size_t kMaxAnnotationLine = size_t{1} << 20;

enum class Format { kUnknown, kGtf, kGff3, kBed };

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> f;
  size_t b = 0;
  while (true) {
    const size_t tab = line.find('\t', b);
    f.push_back(line.substr(b, tab == std::string::npos ? std::string::npos : tab - b));
    if (tab == std::string::npos) return f;
    b = tab + 1;
  }
}

// A whole number of at most 15 digits.
bool Number(const std::string& s, int64_t& v) {
  if (s.empty() || s.size() > 15) return false;
  v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  return true;
}

// The value of key in GTF attributes (key "value"; ...) or GFF3 ones
// (key=value;...); empty when absent.
std::string Attribute(const std::string& attrs, const std::string& key, bool gff3) {
  size_t at = 0;
  while (at < attrs.size()) {
    while (at < attrs.size() && (attrs[at] == ' ' || attrs[at] == ';')) ++at;
    const size_t end = attrs.find(';', at);
    const std::string item = attrs.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? attrs.size() : end + 1;
    const size_t sep = item.find(gff3 ? '=' : ' ');
    if (sep == std::string::npos || item.substr(0, sep) != key) continue;
    std::string v = item.substr(sep + 1);
    while (!v.empty() && v.front() == ' ') v.erase(0, 1);
    while (!v.empty() && v.back() == ' ') v.pop_back();
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    return v;
  }
  return "";
}

bool IsExon(const std::string& type) { return type == "exon"; }

bool IsUtr(const std::string& type) {
  return type == "UTR" || type == "five_prime_utr" || type == "three_prime_utr" || type == "five_prime_UTR" ||
         type == "three_prime_UTR" || type == "5UTR" || type == "3UTR";
}

bool IsGene(const std::string& type) { return type == "gene" || type == "pseudogene" || type == "ncRNA_gene"; }

// A gene as the lines give it, before it is indexed.
struct Pending {
  std::string seq, name;
  int64_t begin = INT64_MAX, end = 0;
  std::vector<Span> exons, utrs;
  void Cover(int64_t b, int64_t e) {
    begin = std::min(begin, b);
    end = std::max(end, e);
  }
};

class AnnotationReader {
 public:
  explicit AnnotationReader(const std::string& path) : path_(path) {}

  Status Line(const std::string& line, int64_t n) {
    if (line.empty() || line[0] == '#') {
      if (line.rfind("##gff-version 3", 0) == 0 && format_ == Format::kUnknown) format_ = Format::kGff3;
      return Status::OK();
    }
    if (line.rfind("track", 0) == 0 || line.rfind("browser", 0) == 0) return Status::OK();
    const std::vector<std::string> f = Fields(line);
    if (format_ == Format::kUnknown) {
      int64_t a = 0, b = 0;
      if (f.size() == 9 && Number(f[3], a) && Number(f[4], b)) {
        format_ = f[8].find('"') != std::string::npos || f[8].find('=') == std::string::npos ? Format::kGtf
                                                                                               : Format::kGff3;
      } else if (f.size() >= 3 && Number(f[1], a) && Number(f[2], b)) {
        format_ = Format::kBed;
      } else {
        return Bad(n, "not a GTF, GFF3 or BED line");
      }
    }
    return format_ == Format::kBed ? BedLine(f, n) : GffLine(f, n);
  }

  Status Finish(Annotation& ann) {
    // GFF3 parts reach their gene through their transcript.
    for (const auto& [parent, part] : parts_) {
      std::string id = parent;
      for (int hops = 0; hops < 4 && !genes_.count(id); ++hops) {
        const auto up = parentOf_.find(id);
        if (up == parentOf_.end()) break;
        id = up->second;
      }
      const auto g = genes_.find(id);
      if (g == genes_.end()) continue;
      (part.utr ? g->second.utrs : g->second.exons).push_back(part.span);
      g->second.Cover(part.span.first, part.span.second);
    }
    for (auto& [id, p] : genes_) {
      if (p.begin >= p.end) continue;
      ann.AddGene(p.seq, AnnotatedGene{p.name.empty() ? id : p.name, p.begin, p.end, std::move(p.exons),
                                       std::move(p.utrs)});
    }
    ann.Index();
    return Status::OK();
  }

 private:
  Status Bad(int64_t n, const std::string& what) const {
    return Status::BadInput("line " + std::to_string(n) + " of " + path_ + ": " + what);
  }

  Status GffLine(const std::vector<std::string>& f, int64_t n) {
    const bool gff3 = format_ == Format::kGff3;
    if (f.size() != 9) return Bad(n, std::string(gff3 ? "a GFF3" : "a GTF") + " line has 9 fields separated by tabs");
    int64_t a = 0, b = 0;
    if (!Number(f[3], a) || !Number(f[4], b) || a < 1 || b < a) {
      return Bad(n, "start and end must be whole numbers from 1 on, the start not past the end");
    }
    if (f[6] != "+" && f[6] != "-" && f[6] != "." && f[6] != "?") return Bad(n, "the strand must be +, - or .");
    const std::string& type = f[2];
    const Span span{a - 1, b};
    if (!gff3) {
      const std::string id = Attribute(f[8], "gene_id", false);
      if (id.empty()) return Bad(n, "a GTF line names its gene with gene_id \"...\"");
      Pending& p = genes_[f[0] + '\t' + id];
      p.seq = f[0];
      const std::string name = Attribute(f[8], "gene_name", false);
      if (p.name.empty()) p.name = name.empty() ? id : name;
      p.Cover(span.first, span.second);
      if (IsExon(type)) p.exons.push_back(span);
      if (IsUtr(type)) p.utrs.push_back(span);
      return Status::OK();
    }
    const std::string id = Attribute(f[8], "ID", true);
    const std::string parent = Attribute(f[8], "Parent", true);
    if (IsGene(type)) {
      if (id.empty()) return Bad(n, "a GFF3 gene has an ID=...");
      Pending& p = genes_[id];
      p.seq = f[0];
      std::string name = Attribute(f[8], "Name", true);
      if (name.empty()) name = Attribute(f[8], "gene_name", true);
      p.name = name.empty() ? id : name;
      p.Cover(span.first, span.second);
    } else if (IsExon(type) || IsUtr(type)) {
      // Parent may name several transcripts.
      size_t at = 0;
      while (at <= parent.size() && !parent.empty()) {
        const size_t comma = parent.find(',', at);
        parts_.push_back({parent.substr(at, comma == std::string::npos ? std::string::npos : comma - at),
                          Part{span, IsUtr(type)}});
        if (comma == std::string::npos) break;
        at = comma + 1;
      }
    } else if (!id.empty() && !parent.empty()) {
      parentOf_[id] = parent.substr(0, parent.find(','));
    }
    return Status::OK();
  }

  Status BedLine(const std::vector<std::string>& f, int64_t n) {
    int64_t a = 0, b = 0;
    if (f.size() < 3 || f.size() > 12 || f[0].empty()) {
      return Bad(n, "a BED line has 3 to 12 fields separated by tabs: sequence, start, end, ...");
    }
    if (!Number(f[1], a) || !Number(f[2], b) || b < a) {
      return Bad(n, "start and end must be whole numbers, the start not past the end");
    }
    if (f.size() >= 6 && f[5] != "+" && f[5] != "-" && f[5] != ".") return Bad(n, "the strand must be +, - or .");
    Pending p;
    p.seq = f[0];
    p.name = f.size() >= 4 && !f[3].empty() ? f[3] : f[0] + ":" + f[1] + "-" + f[2];
    p.Cover(a, b);
    if (f.size() == 12) {
      int64_t thickA = 0, thickB = 0, count = 0;
      if (!Number(f[6], thickA) || !Number(f[7], thickB) || !Number(f[9], count)) {
        return Bad(n, "thickStart, thickEnd and blockCount must be whole numbers");
      }
      std::vector<std::string> sizes = Fields(Replace(f[10])), starts = Fields(Replace(f[11]));
      if (!sizes.empty() && sizes.back().empty()) sizes.pop_back();
      if (!starts.empty() && starts.back().empty()) starts.pop_back();
      if (static_cast<int64_t>(sizes.size()) != count || static_cast<int64_t>(starts.size()) != count) {
        return Bad(n, "blockSizes and blockStarts must hold blockCount numbers each");
      }
      for (int64_t i = 0; i < count; ++i) {
        int64_t size = 0, start = 0;
        if (!Number(sizes[static_cast<size_t>(i)], size) || !Number(starts[static_cast<size_t>(i)], start) ||
            a + start + size > b) {
          return Bad(n, "a block lies outside its line's start and end");
        }
        const Span e{a + start, a + start + size};
        p.exons.push_back(e);
        // The parts of a coding block outside the thick part are UTR.
        if (thickA < thickB) {
          if (e.first < thickA) p.utrs.push_back({e.first, std::min(e.second, thickA)});
          if (e.second > thickB) p.utrs.push_back({std::max(e.first, thickB), e.second});
        }
      }
    } else {
      p.exons.push_back({a, b});
    }
    genes_["\n" + std::to_string(n)] = std::move(p);
    return Status::OK();
  }

  // Commas turned into tabs, for Fields.
  static std::string Replace(std::string s) {
    for (char& c : s) {
      if (c == ',') c = '\t';
    }
    return s;
  }

  struct Part {
    Span span;
    bool utr = false;
  };
  const std::string& path_;
  Format format_ = Format::kUnknown;
  std::map<std::string, Pending> genes_;                 // by id (GTF: sequence and gene_id)
  std::map<std::string, std::string> parentOf_;          // GFF3: transcript id -> its parent
  std::vector<std::pair<std::string, Part>> parts_;      // GFF3: exons and UTRs by parent id
};

}  // namespace

Status ReadAnnotation(Env& env, const std::string& path, Annotation& ann, WaitAbort abort) {
  std::unique_ptr<LineCursor> cursor;
  Status st = OpenInput(env, path, cursor, nullptr, std::move(abort));
  if (!st.ok()) return st.code() == Status::Code::kCantOpen ? Status::CantOpen("can't open " + path) : st;
  AnnotationReader reader(path);
  st = ForEachLine(*cursor, kMaxAnnotationLine,
                   [&](const std::string& line, int64_t n) { return reader.Line(line, n); });
  if (!st.ok()) return st;
  return reader.Finish(ann);
}

}  // namespace quorvane
