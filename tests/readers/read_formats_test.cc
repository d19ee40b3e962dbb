// Reads files in every form a user has them: plain lines, FASTA, FASTQ,
// compressed or not, regular files or streams.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <thread>

#include "readers/input_file.h"
#include "test_util.h"

namespace quorvane {
namespace {

using test::TempDir;
using test::WriteFile;

// What a source gave: "name|seq|qual|length" per read, or the failure.
struct Reads {
  std::vector<std::string> reads;
  Status status;
  bool again = false;  // a record came after the end or the failure
};

Reads ReadAll(const std::string& path) {
  Reads out;
  std::unique_ptr<ReadSource> source;
  out.status = OpenReadSource(*Env::Default(), path, source);
  if (!out.status.ok()) return out;
  ReadRecord r;
  bool more = true;
  while ((out.status = source->Next(r, more)).ok() && more) {
    out.reads.push_back(std::string(r.name) + "|" + std::string(r.seq) + "|" + std::string(r.qual) + "|" +
                        std::to_string(r.length));
  }
  const Status again = source->Next(r, out.again);
  out.again = out.again && again.ok();
  return out;
}

using V = std::vector<std::string>;

class ReadFormatsTest : public ::testing::Test {
 protected:
  Reads Of(const std::string& content) {
    WriteFile(dir_.File("r"), content);
    return ReadAll(dir_.File("r"));
  }
  TempDir dir_;
};

TEST_F(ReadFormatsTest, FastqRecordsWithNamesAndQualities) {
  const Reads r = Of("@r1 some comment\nACGTACGTACGTA\n+\nIIIIIIIIIIIII\n\n@r2\tx\r\nGGGG\r\n+r2\r\n!!!!\r\n");
  ASSERT_TRUE(r.status.ok()) << r.status.message();
  EXPECT_EQ(r.reads, (V{"r1|ACGTACGTACGTA|IIIIIIIIIIIII|13", "r2|GGGG|!!!!|4"}));
  // Sequence and qualities may run over several lines; a quality line may
  // begin with '@'.
  const Reads multi = Of("@m\nACGT\nAC\n+\n@@II\nII\n@n\nA\n+\n#\n");
  EXPECT_EQ(multi.reads, (V{"m|ACGTAC|@@IIII|6", "n|A|#|1"}));
}

TEST_F(ReadFormatsTest, FastaRecordsOverSeveralLines) {
  const Reads r = Of("\n>a first\nACGT\nACGTA\n>b\r\nTTTT\r\n>empty\n>c\nG");
  ASSERT_TRUE(r.status.ok());
  EXPECT_EQ(r.reads, (V{"a|ACGTACGTA||9", "b|TTTT||4", "empty|||0", "c|G||1"}));
}

TEST_F(ReadFormatsTest, ReadsTooLongToSearchAreCountedNotHeld) {
  const std::string big(5000, 'A');
  const Reads r = Of("@big\n" + big + "\n+\n" + std::string(5000, 'I') + "\n@s\nACGT\n+\nIIII\n");
  ASSERT_TRUE(r.status.ok());
  EXPECT_EQ(r.reads, (V{"big|||5000", "s|ACGT|IIII|4"}));
}

TEST_F(ReadFormatsTest, MalformedRecordsEndTheReadsWithWhereAndWhat) {
  struct Case {
    std::string content;
    size_t good;      // reads given before the failure
    std::string msg;  // after "malformed FASTQ record "
  };
  const Case cases[] = {
      {"@a\nACGT\n+\nIIII\n@b\nACGT\n", 1, "2 at line 5 of R: cut short"},
      {"@a\nACGT\n+\nII", 0, "1 at line 1 of R: cut short"},
      {"@a\nACGT\n+\nIIIII\n", 0, "1 at line 1 of R: a quality string of another length than its 4 letters"},
      {"@a\nACGT\n+\nIIII\nb\nACGT\n+\nIIII\n", 1, "2 at line 5 of R: no '@' at its start"},
      {"@a\nCAAGGT\n+\nCAGCCTCAAGGT\n@b\nACGT\n+\nIIII\n", 0,
       "1 at line 1 of R: a quality string of another length than its 6 letters"},
  };
  for (const Case& c : cases) {
    const Reads r = Of(c.content);
    EXPECT_EQ(r.reads.size(), c.good) << c.content;
    EXPECT_FALSE(r.again) << "a record after the failure: " << c.content;
    std::string want = "malformed FASTQ record " + c.msg;
    want.replace(want.find(" R:"), 3, " " + dir_.File("r") + ":");
    EXPECT_EQ(r.status.message(), want);
  }
}

TEST_F(ReadFormatsTest, CompressedFilesReadAsTheirContent) {
  std::string fastq, plain;
  for (int i = 0; i < 20000; ++i) {
    const std::string s = std::string(20 + i % 50, "ACGT"[i % 4]);
    fastq += "@r" + std::to_string(i) + "\n" + s + "\n+\n" + std::string(s.size(), 'I') + "\n";
    plain += s + "\n";
  }
  WriteFile(dir_.File("reads.fq"), fastq);
  const Reads want = ReadAll(dir_.File("reads.fq"));
  ASSERT_EQ(want.reads.size(), 20000u);
  test::WriteGzip(dir_.File("a"), fastq);
  test::WriteGzip(dir_.File("b"), fastq, 7);  // several members
  test::WriteBgzf(dir_.File("c"), fastq);
  for (const char* f : {"a", "b", "c"}) {
    const Reads got = ReadAll(dir_.File(f));
    ASSERT_TRUE(got.status.ok()) << f;
    EXPECT_EQ(got.reads, want.reads) << f;
  }
  test::WriteGzip(dir_.File("p"), plain);
  EXPECT_EQ(ReadAll(dir_.File("p")).reads.size(), 20000u);
  // A damaged stream is a failed read, never a short success.
  std::string gz = test::ReadFile(dir_.File("a"));
  WriteFile(dir_.File("cut"), gz.substr(0, gz.size() / 2));
  EXPECT_EQ(ReadAll(dir_.File("cut")).status.message(), "can't read " + dir_.File("cut"));
  // So is a member without its full trailer, or with a wrong CRC.
  WriteFile(dir_.File("cut"), gz.substr(0, gz.size() - 3));
  EXPECT_EQ(ReadAll(dir_.File("cut")).status.message(), "can't read " + dir_.File("cut"));
  std::string bad = gz;
  bad[bad.size() - 8] = static_cast<char>(bad[bad.size() - 8] ^ 1);
  WriteFile(dir_.File("crc"), bad);
  EXPECT_EQ(ReadAll(dir_.File("crc")).status.message(), "can't read " + dir_.File("crc"));
  // Zero bytes after the last member are padding.
  WriteFile(dir_.File("pad"), test::ReadFile(dir_.File("b")) + std::string(100, '\0'));
  EXPECT_EQ(ReadAll(dir_.File("pad")).reads, want.reads);
}

TEST_F(ReadFormatsTest, AFifoLosesNothing) {
  std::string fastq;
  for (int i = 0; i < 50000; ++i) fastq += "@r" + std::to_string(i) + "\nACGTACGTACGTACGT\n+\nIIIIIIIIIIIIIIII\n";
  const std::string fifo = dir_.File("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::thread writer([&] {
    const int fd = open(fifo.c_str(), O_WRONLY);
    for (size_t at = 0; at < fastq.size();) {
      // Small, uneven writes, as a decompressing program gives them.
      const ssize_t w = write(fd, fastq.data() + at, std::min<size_t>(fastq.size() - at, 1 + at % 4093));
      if (w <= 0) break;
      at += static_cast<size_t>(w);
    }
    close(fd);
  });
  const Reads got = ReadAll(fifo);
  writer.join();
  ASSERT_TRUE(got.status.ok());
  ASSERT_EQ(got.reads.size(), 50000u);
  EXPECT_EQ(got.reads.front(), "r0|ACGTACGTACGTACGT|IIIIIIIIIIIIIIII|16");
  EXPECT_EQ(got.reads.back(), "r49999|ACGTACGTACGTACGT|IIIIIIIIIIIIIIII|16");
}

TEST(SniffFormatTest, ByContentNeverByName) {
  EXPECT_EQ(SniffFormat(">x\nACGT"), InputFormat::kFasta);
  EXPECT_EQ(SniffFormat("\r\n  @x"), InputFormat::kFastq);
  EXPECT_EQ(SniffFormat("ACGT\n@"), InputFormat::kPlain);
  EXPECT_EQ(SniffFormat(""), InputFormat::kPlain);
}

}  // namespace
}  // namespace quorvane
