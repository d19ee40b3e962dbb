// Genome files into references: the plain format exactly as it always was,
// and FASTA of one or more sequences, compressed or not.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "readers/genome_file.h"
#include "test_util.h"

namespace quorvane {
namespace {

using test::TempDir;
using test::WriteFile;

// "name:letters:c|l" per sequence, or the failure's message.
std::string Load(const std::string& path, GenomeOptions opt = GenomeOptions()) {
  Reference ref;
  const Status st = ReadGenome(*Env::Default(), path, opt, ref);
  if (!st.ok()) return st.message();
  std::string out;
  for (const RefSeq& s : ref.seqs()) {
    if (!out.empty()) out += " ";
    out += s.name + ":" + std::string(ref.letters() + s.offset, static_cast<size_t>(s.length)) + ":" +
           (s.circular ? "c" : "l");
  }
  return out;
}

class GenomeFileTest : public ::testing::Test {
 protected:
  std::string Of(const std::string& content, GenomeOptions opt = GenomeOptions()) {
    WriteFile(dir_.File("g.txt"), content);
    return Load(dir_.File("g.txt"), opt);
  }
  TempDir dir_;
};

TEST_F(GenomeFileTest, PlainGenomesAsEver) {
  EXPECT_EQ(Of("ACGTacgt"), "g:ACGTacgt:c");
  EXPECT_EQ(Of(""), "g::c");
  struct Case {
    std::string genome, msg;
  };
  const Case bad[] = {
      {"ACGTACGT\n", "bad symbol='\n' in genome"},
      {"ACGTACGT\r\n", "bad symbol='\r' in genome"},
      {"ACGNACXT", "bad symbol='N' in genome"},
      {"ACGT ACG", "bad symbol=' ' in genome"},
      {std::string("AC") + static_cast<char>(200), std::string("bad symbol='") + static_cast<char>(200) + "' in genome"},
  };
  for (const Case& c : bad) EXPECT_EQ(Of(c.genome), c.msg);
  // The length the checks measured is read; a file of another length has
  // changed since, and none of it is mapped.
  GenomeOptions opt;
  opt.gnmLen = 8;
  EXPECT_EQ(Of("ACGTACGT", opt), "g:ACGTACGT:c");
  EXPECT_EQ(Of("ACGTACGTAC", opt), "genome file is longer than gnmLen= 8\n" + dir_.File("g.txt"));
  opt.gnmLen = 11;
  EXPECT_EQ(Of("ACGTACGTAC", opt), "genome file is shorter than gnmLen= 11\n" + dir_.File("g.txt"));
  EXPECT_EQ(Load(dir_.File("missing")), "can't open " + dir_.File("missing"));
  // Compressed, it is read to its end.
  test::WriteGzip(dir_.File("g.gz"), "ACGTTTGA");
  EXPECT_EQ(Load(dir_.File("g.gz")), "g:ACGTTTGA:c");
  // Asked for linear sequences, it is one, measured or streamed.
  GenomeOptions linear;
  linear.linear = true;
  EXPECT_EQ(Of("ACGTacgt", linear), "g:ACGTacgt:l");
  EXPECT_EQ(Load(dir_.File("g.gz"), linear), "g:ACGTTTGA:l");
  linear.gnmLen = 8;
  EXPECT_EQ(Of("ACGTacgt", linear), "g:ACGTacgt:l");
}

TEST_F(GenomeFileTest, FastaSequencesWithTheirNamesAndTopologies) {
  EXPECT_EQ(Of(">chr1 E. coli\nACGT\nacgt\r\n\n>p1 topology=linear\nNNRYacg t\tG\n>p2 CIRCULAR=false circular=TRUE\nAC\n"),
            "chr1:ACGTacgt:c p1:NNRYacgtG:l p2:AC:c");
  GenomeOptions linear;
  linear.linear = true;
  EXPECT_EQ(Of(">a\nAC\n>b Topology=Circular\nGT\n", linear), "a:AC:l b:GT:c");
  EXPECT_EQ(Of(">only\n"), "only::c");
}

TEST_F(GenomeFileTest, FastaRefusalsNameTheSequenceThePositionAndTheByte) {
  const std::string in = " in genome\n" + dir_.File("g.txt");
  EXPECT_EQ(Of(">a\nACGT\n>b\nAC\nG*T\n"), "bad symbol='*' at position 4 of sequence b" + in);
  EXPECT_EQ(Of(">a\nAC\x01G\n"), "bad symbol='\\x01' at position 3 of sequence a" + in);
  EXPECT_EQ(Of(">a\nACGT\n>b\nAC\n>a x\nGG\n"), "duplicate sequence name a" + in);
  EXPECT_EQ(Of(">a\nAC\n> \nGG\n"), "a sequence without a name at line 3" + in);
}

TEST_F(GenomeFileTest, CompressedAndStreamedFastaGivesTheSameSequences) {
  std::mt19937 rng(4);
  std::string fasta;
  for (int s = 0; s < 3; ++s) {
    fasta += ">s" + std::to_string(s) + "\n";
    const std::string letters = test::RandomLetters(rng, 200000 + 1000 * static_cast<size_t>(s));
    for (size_t at = 0; at < letters.size(); at += 70) fasta += letters.substr(at, 70) + "\n";
  }
  const std::string want = Of(fasta);
  ASSERT_EQ(want.substr(0, 3), "s0:");
  test::WriteGzip(dir_.File("g.fa.gz"), fasta, 3);
  EXPECT_EQ(Load(dir_.File("g.fa.gz")), want);
  test::WriteBgzf(dir_.File("g.fa.bgz"), fasta);
  EXPECT_EQ(Load(dir_.File("g.fa.bgz")), want);

  // From a FIFO, read to its end: never mistaken for an empty genome.
  const std::string fifo = dir_.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] {
    const int fd = open(fifo.c_str(), O_WRONLY);
    for (size_t at = 0; at < fasta.size();) {
      const ssize_t w = write(fd, fasta.data() + at, std::min<size_t>(fasta.size() - at, 3000));
      if (w <= 0) break;
      at += static_cast<size_t>(w);
    }
    close(fd);
  });
  EXPECT_EQ(Load(fifo), want);
  writer.join();
}

TEST_F(GenomeFileTest, AStreamWithoutLettersIsRefusedAtOnce) {
  // /dev/zero never ends; its first byte is no letter.
  EXPECT_EQ(Load("/dev/zero"), std::string("bad symbol='") + '\0' + "' in genome");
}

TEST_F(GenomeFileTest, ScanningCountsLettersAndSequences) {
  WriteFile(dir_.File("g.fa"), ">a\nACGT\nAC\n>b\nNNNN\n>c\n");
  GenomeShape shape;
  ASSERT_TRUE(ScanGenome(*Env::Default(), dir_.File("g.fa"), shape).ok());
  EXPECT_EQ(shape.format, InputFormat::kFasta);
  EXPECT_EQ(shape.letters, 10);
  EXPECT_EQ(shape.sequences, 3);
  test::WriteGzip(dir_.File("g.gz"), std::string(12345, 'A'));
  ASSERT_TRUE(ScanGenome(*Env::Default(), dir_.File("g.gz"), shape).ok());
  EXPECT_EQ(shape.format, InputFormat::kPlain);
  EXPECT_TRUE(shape.compressed);
  EXPECT_EQ(shape.letters, 12345);
  WriteFile(dir_.File("bad.fa"), ">a\nAC-GT\n");
  EXPECT_EQ(ScanGenome(*Env::Default(), dir_.File("bad.fa"), shape).message(),
            "bad symbol='-' at position 3 of sequence a in genome\n" + dir_.File("bad.fa"));
}

}  // namespace
}  // namespace quorvane
