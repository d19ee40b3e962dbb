#include "readers/annotation.h"

#include <algorithm>

namespace quorvane {
namespace {

// Sorts spans and merges those that overlap or touch.
void Merge(std::vector<Span>& spans) {
  std::sort(spans.begin(), spans.end());
  std::vector<Span> out;
  for (const Span& s : spans) {
    if (!out.empty() && s.first <= out.back().second) {
      out.back().second = std::max(out.back().second, s.second);
    } else {
      out.push_back(s);
    }
  }
  spans.swap(out);
}

bool Inside(const std::vector<Span>& spans, int64_t p) {
  auto it = std::upper_bound(spans.begin(), spans.end(), Span{p, INT64_MAX});
  return it != spans.begin() && std::prev(it)->second > p;
}

}  // namespace

void Annotation::AddGene(const std::string& seq, AnnotatedGene gene) {
  Merge(gene.exons);
  Merge(gene.utrs);
  bySeq_[seq].genes.push_back(std::move(gene));
}

void Annotation::Index() {
  for (auto& [name, s] : bySeq_) {
    std::stable_sort(s.genes.begin(), s.genes.end(),
                     [](const AnnotatedGene& a, const AnnotatedGene& b) { return a.begin < b.begin; });
    s.maxEnd.resize(s.genes.size());
    int64_t m = INT64_MIN;
    for (size_t i = 0; i < s.genes.size(); ++i) s.maxEnd[i] = m = std::max(m, s.genes[i].end);
  }
}

size_t Annotation::genes() const {
  size_t n = 0;
  for (const auto& [name, s] : bySeq_) n += s.genes.size();
  return n;
}

void Annotation::Describe(const std::string& seq, int64_t start, int64_t length, int64_t seqLength,
                          std::string& genes, std::string& feature) const {
  genes = "-";
  feature = "intergenic";
  const auto found = bySeq_.find(seq);
  if (found == bySeq_.end() || length <= 0) return;
  const SeqGenes& s = found->second;
  // The letters as one or two spans: a site across a circular origin
  // runs on at the sequence's start.
  std::vector<Span> parts;
  if (start + length <= seqLength) {
    parts.push_back({start, start + length});
  } else {
    parts.push_back({start, seqLength});
    parts.push_back({0, start + length - seqLength});
  }
  std::vector<size_t> hit;
  for (const Span& part : parts) {
    // Genes that begin before the span ends, back to the first whose
    // furthest end reaches no further than the span's start.
    size_t i = static_cast<size_t>(std::lower_bound(s.genes.begin(), s.genes.end(), part.second,
                                                    [](const AnnotatedGene& g, int64_t v) { return g.begin < v; }) -
                                   s.genes.begin());
    while (i > 0 && s.maxEnd[i - 1] > part.first) {
      --i;
      if (s.genes[i].end > part.first) hit.push_back(i);
    }
  }
  if (hit.empty()) return;
  std::sort(hit.begin(), hit.end());
  hit.erase(std::unique(hit.begin(), hit.end()), hit.end());
  genes.clear();
  feature.clear();
  for (size_t h : hit) {
    const AnnotatedGene& g = s.genes[h];
    bool exon = false, utr = false, intron = false, inGene = false;
    for (const Span& part : parts) {
      for (int64_t p = std::max(part.first, g.begin); p < std::min(part.second, g.end); ++p) {
        inGene = true;
        if (Inside(g.utrs, p)) {
          utr = true;
        } else if (Inside(g.exons, p)) {
          exon = true;
        } else {
          intron = true;
        }
      }
    }
    if (!inGene) continue;
    std::string f;
    if (g.exons.empty() && g.utrs.empty()) {
      f = "gene";
    } else {
      for (const auto& [on, text] : {std::pair{exon, "exon"}, std::pair{utr, "UTR"}, std::pair{intron, "intron"}}) {
        if (!on) continue;
        if (!f.empty()) f += '/';
        f += text;
      }
    }
    if (!genes.empty()) {
      genes += ',';
      feature += ',';
    }
    genes += g.name;
    feature += f;
  }
  if (genes.empty()) {
    genes = "-";
    feature = "intergenic";
  }
}

}  // namespace quorvane
