// The genes of an annotation and what a genome stretch overlaps of them.
#ifndef QUORVANE_READERS_ANNOTATION_H_
#define QUORVANE_READERS_ANNOTATION_H_

#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quorvane {

// Intervals of a sequence, 0-based, the end past the last letter.
using Span = std::pair<int64_t, int64_t>;

// One gene: its name, its extent, and the parts the file gives of it
// (each merged over its transcripts, sorted, not overlapping).
struct AnnotatedGene {
  std::string name;        // gene_name, Name, the BED name, or the gene's id
  int64_t begin = 0;       // first letter, 0-based
  int64_t end = 0;         // past the last letter
  std::vector<Span> exons; // empty when the file names none for it
  std::vector<Span> utrs;  // untranslated parts, where the file has them
};

class Annotation {
 public:
  // Adds a gene of sequence seq (exons and UTRs in any order).
  void AddGene(const std::string& seq, AnnotatedGene gene);
  // Readies the lookups; after the last AddGene.
  void Index();

  // What the letters start .. start + length - 1 of sequence seq (of
  // seqLength letters, past whose end a site runs into its start) overlap:
  // genes, the names of the genes in the order of their starts, joined by
  // ","; feature, per gene what the letters touch of it, joined by "/" in
  // the order exon, UTR, intron ("gene" for a gene whose parts the file
  // does not give), the genes' joined by ",". With no gene: "-" and
  // "intergenic".
  void Describe(const std::string& seq, int64_t start, int64_t length, int64_t seqLength, std::string& genes,
                std::string& feature) const;

  size_t genes() const;

 private:
  struct SeqGenes {
    std::vector<AnnotatedGene> genes;  // by begin
    std::vector<int64_t> maxEnd;       // maxEnd[i]: the furthest end of genes 0..i
  };
  std::unordered_map<std::string, SeqGenes> bySeq_;
};

}  // namespace quorvane

#endif  // QUORVANE_READERS_ANNOTATION_H_
