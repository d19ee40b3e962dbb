// Annotation files (GTF, GFF3, BED) and what a site overlaps of their genes.
#include "readers/annotation_file.h"

#include <gtest/gtest.h>

#include <utility>

#include "test_util.h"

namespace quorvane {
namespace {

using test::WriteFile;

// Genes on both strands of chr1: alpha (+) with three exons and UTRs at
// both ends, beta (-) overlapping its last exon, delta at the sequence's
// start; gamma on chr2.
const char* const kGtf =
    "#!genome-build test\n"
    "chr1\tt\tgene\t101\t400\t.\t+\t.\tgene_id \"A1\"; gene_name \"alpha\";\n"
    "chr1\tt\ttranscript\t101\t400\t.\t+\t.\tgene_id \"A1\"; transcript_id \"A1.1\"; gene_name \"alpha\";\n"
    "chr1\tt\texon\t101\t150\t.\t+\t.\tgene_id \"A1\"; transcript_id \"A1.1\"; gene_name \"alpha\";\n"
    "chr1\tt\texon\t201\t260\t.\t+\t.\tgene_id \"A1\"; transcript_id \"A1.1\"; gene_name \"alpha\";\n"
    "chr1\tt\texon\t351\t400\t.\t+\t.\tgene_id \"A1\"; transcript_id \"A1.1\"; gene_name \"alpha\";\n"
    "chr1\tt\tfive_prime_utr\t101\t120\t.\t+\t.\tgene_id \"A1\"; transcript_id \"A1.1\";\n"
    "chr1\tt\tthree_prime_utr\t381\t400\t.\t+\t.\tgene_id \"A1\"; transcript_id \"A1.1\";\n"
    "chr1\tt\texon\t301\t330\t.\t-\t.\tgene_id \"B1\"; transcript_id \"B1.1\"; gene_name \"beta\";\n"
    "chr1\tt\texon\t501\t600\t.\t-\t.\tgene_id \"B1\"; transcript_id \"B1.1\"; gene_name \"beta\";\n"
    "chr1\tt\texon\t1\t10\t.\t+\t.\tgene_id \"D1\"; gene_name \"delta\";\n"
    "chr2\tt\texon\t1\t50\t.\t-\t.\tgene_id \"G1\"; gene_name \"gamma\";\n";

std::pair<std::string, std::string> At(const Annotation& a, const std::string& seq, int64_t start, int64_t len = 23) {
  std::pair<std::string, std::string> out;
  a.Describe(seq, start, len, 1000, out.first, out.second);
  return out;
}

using P = std::pair<std::string, std::string>;

void ExpectTheGenes(const Annotation& a) {
  EXPECT_EQ(At(a, "chr1", 210), P("alpha", "exon"));
  // A site across an exon's edge touches the exon and the intron.
  EXPECT_EQ(At(a, "chr1", 250), P("alpha", "exon/intron"));
  EXPECT_EQ(At(a, "chr1", 100, 10), P("alpha", "UTR"));
  EXPECT_EQ(At(a, "chr1", 110), P("alpha", "exon/UTR"));
  // Overlapping genes on both strands: each with its own feature.
  EXPECT_EQ(At(a, "chr1", 320), P("alpha,beta", "intron,exon/intron"));
  EXPECT_EQ(At(a, "chr1", 700), P("-", "intergenic"));
  EXPECT_EQ(At(a, "chrX", 10), P("-", "intergenic"));
  EXPECT_EQ(At(a, "chr2", 10), P("gamma", "exon"));
  // Across the origin of a circular sequence: on at its start.
  EXPECT_EQ(At(a, "chr1", 990), P("delta", "exon"));
}

TEST(AnnotationTest, GtfGenesOnBothStrandsOverlapsAndEdges) {
  test::TempDir dir;
  WriteFile(dir.File("genes.gtf"), kGtf);
  Annotation a;
  ASSERT_TRUE(ReadAnnotation(*Env::Default(), dir.File("genes.gtf"), a).ok());
  EXPECT_EQ(a.genes(), 4u);
  ExpectTheGenes(a);
  // The same file gzipped.
  test::WriteGzip(dir.File("genes.gtf.gz"), kGtf);
  Annotation z;
  ASSERT_TRUE(ReadAnnotation(*Env::Default(), dir.File("genes.gtf.gz"), z).ok());
  ExpectTheGenes(z);
}

TEST(AnnotationTest, Gff3ThroughTranscriptsAndBedBlocks) {
  test::TempDir dir;
  WriteFile(dir.File("genes.gff3"),
            "##gff-version 3\n"
            "chr1\tt\tgene\t101\t400\t.\t+\t.\tID=gene:A1;Name=alpha\n"
            "chr1\tt\tmRNA\t101\t400\t.\t+\t.\tID=tx:A1;Parent=gene:A1\n"
            "chr1\tt\texon\t101\t150\t.\t+\t.\tParent=tx:A1\n"
            "chr1\tt\texon\t201\t260\t.\t+\t.\tParent=tx:A1\n"
            "chr1\tt\texon\t351\t400\t.\t+\t.\tParent=tx:A1\n"
            "chr1\tt\tfive_prime_UTR\t101\t120\t.\t+\t.\tParent=tx:A1\n"
            "chr1\tt\tthree_prime_UTR\t381\t400\t.\t+\t.\tParent=tx:A1\n"
            "chr1\tt\tgene\t301\t600\t.\t-\t.\tID=gene:B1;Name=beta\n"
            "chr1\tt\texon\t301\t330\t.\t-\t.\tParent=tx:B1\n"
            "chr1\tt\tmRNA\t301\t600\t.\t-\t.\tID=tx:B1;Parent=gene:B1\n"
            "chr1\tt\texon\t501\t600\t.\t-\t.\tParent=tx:B1\n"
            "chr1\tt\tgene\t1\t10\t.\t+\t.\tID=gene:D1;Name=delta\n"
            "chr1\tt\texon\t1\t10\t.\t+\t.\tParent=gene:D1\n"
            "chr2\tt\tgene\t1\t50\t.\t-\t.\tID=gene:G1;Name=gamma\n"
            "chr2\tt\texon\t1\t50\t.\t-\t.\tParent=gene:G1\n");
  Annotation g;
  ASSERT_TRUE(ReadAnnotation(*Env::Default(), dir.File("genes.gff3"), g).ok());
  ExpectTheGenes(g);
  // BED12: blocks are exons, the parts outside the thick part UTRs.
  WriteFile(dir.File("genes.bed"),
            "track name=genes\n"
            "chr1\t100\t400\talpha\t0\t+\t120\t380\t0\t3\t50,60,50,\t0,100,250,\n"
            "chr1\t300\t600\tbeta\t0\t-\t300\t300\t0\t2\t30,100\t0,200\n"
            "chr1\t0\t10\tdelta\n"
            "chr2\t0\t50\tgamma\t0\t-\n");
  Annotation b;
  ASSERT_TRUE(ReadAnnotation(*Env::Default(), dir.File("genes.bed"), b).ok());
  ExpectTheGenes(b);
}

TEST(AnnotationTest, RefusesBadLinesWithTheirNumber) {
  test::TempDir dir;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"chr1\tt\texon\t1\t10\t.\t+\t.\tgene_id \"A\";\nchr1\tt\texon\t5\t+\t.\tgene_id \"A\";\n",
       "line 2 of F: a GTF line has 9 fields separated by tabs"},
      {"chr1\tt\texon\t1\t10\t.\t+\t.\tgene_id \"A\";\n\nchr1\tt\texon\t20\t10\t.\t+\t.\tgene_id \"A\";\n",
       "line 3 of F: start and end must be whole numbers from 1 on, the start not past the end"},
      {"chr1\tt\texon\t1\t10\t.\t*\t.\tgene_id \"A\";\n", "line 1 of F: the strand must be +, - or ."},
      {"chr1\tt\texon\t1\t10\t.\t+\t.\ttranscript_id \"T\";\n",
       "line 1 of F: a GTF line names its gene with gene_id \"...\""},
      {"##gff-version 3\nchr1\tt\tgene\t1\t10\t.\t+\t.\tName=x\n", "line 2 of F: a GFF3 gene has an ID=..."},
      {"chr1\t0\t10\tg\nchr1\tten\t20\tg\n", "line 2 of F: start and end must be whole numbers, the start not past the end"},
      {"chr1\t0\t100\tg\t0\t+\t0\t100\t0\t2\t10,\t0,50,\n",
       "line 1 of F: blockSizes and blockStarts must hold blockCount numbers each"},
      {"chr1\t0\t100\tg\t0\t+\t0\t100\t0\t1\t50\t60\n", "line 1 of F: a block lies outside its line's start and end"},
      {"hello world\n", "line 1 of F: not a GTF, GFF3 or BED line"},
  };
  for (const auto& [text, message] : cases) {
    const std::string path = dir.File("bad.txt");
    WriteFile(path, text);
    Annotation a;
    const Status st = ReadAnnotation(*Env::Default(), path, a);
    EXPECT_EQ(st.code(), Status::Code::kBadInput) << text;
    std::string want = message;
    want.replace(want.find(" F:"), 3, " " + path + ":");
    EXPECT_EQ(st.message(), want);
  }
  Annotation a;
  EXPECT_EQ(ReadAnnotation(*Env::Default(), dir.File("none.gtf"), a).message(), "can't open " + dir.File("none.gtf"));
}

}  // namespace
}  // namespace quorvane
