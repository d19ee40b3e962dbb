// The shared routines: messages, opening and measuring files, numbers.
#include <unistd.h>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/file_msg.h"
#include "common/nucleotide.h"
#include "common/number_text.h"
#include "common/show_msg.h"
#include "test_util.h"

namespace quorvane {
namespace {

using test::MsgRecorder;
using test::TempDir;

TEST(ShowMsgTest, SinkReceivesEveryTextAndIsRestored) {
  std::vector<std::string> outer;
  ScopedMsgSink keep([&](const std::string& t) { outer.push_back(t); });
  {
    MsgRecorder rec;
    ShowMsg("first");
    ShowMsg("second\nline");
    EXPECT_EQ(rec.msgs(), (std::vector<std::string>{"first", "second\nline"}));
  }
  ShowMsg("after");
  EXPECT_EQ(outer, std::vector<std::string>{"after"});
}

TEST(NucleotideTest, SymbolTableCodesBothCasesAndNothingElse) {
  const std::string letters = "ACGTacgt";
  const int codes[] = {0, 1, 2, 3, 0, 1, 2, 3};
  int coded = 0;
  for (int b = 0; b < 256; ++b) {
    const auto pos = letters.find(static_cast<char>(b));
    if (b != 0 && pos != std::string::npos) {
      EXPECT_EQ(SmbCd[b], codes[pos]) << b;
      ++coded;
    } else {
      EXPECT_EQ(SmbCd[b], kNoCode) << b;
    }
  }
  EXPECT_EQ(coded, 8);
  EXPECT_EQ(SeedCodeOf("AAAAAAAC"), 1);
  EXPECT_EQ(SeedCodeOf("CAAAAAAA"), 16384);
  EXPECT_EQ(SeedCodeOf("ACGTACGT"), 6939);
  EXPECT_EQ(SeedCodeOf("acgtacgt"), 6939);
  EXPECT_EQ(SeedCodeOf("GATTACAG"), 36626);
  EXPECT_EQ(SeedCodeOf("TTTTTTTT"), 65535);
}

TEST(OpenFileMsgTest, OpensOrShowsThePath) {
  TempDir dir;
  MsgRecorder rec;
  const std::string missing = dir.File("none/x.txt");
  EXPECT_EQ(OpenFileMsg(missing, "rb"), nullptr);
  EXPECT_EQ(rec.msgs(), std::vector<std::string>{"can't open " + missing});

  rec.Clear();
  std::FILE* f = OpenFileMsg(dir.File("new.txt"), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("a\nb", f);
  std::fclose(f);
  EXPECT_EQ(test::ReadFile(dir.File("new.txt")), "a\nb");  // no line-end translation
  EXPECT_TRUE(rec.msgs().empty());
}

TEST(FileSizeTextTest, MeasuresGroupsAndFailsSoftly) {
  TempDir dir;
  Status st;
  int64_t size = 77;
  test::WriteFile(dir.File("empty"), "");
  EXPECT_EQ(FileSizeText(dir.File("empty"), size, st), "0");
  EXPECT_TRUE(st.ok());
  EXPECT_EQ(size, 0);

  test::WriteFile(dir.File("small"), std::string(1234, 'A'));
  const std::string text = FileSizeText(dir.File("small"), size, st);
  EXPECT_EQ(size, 1234);
  EXPECT_EQ(text, GroupedNumberText(1234));

  size = 5;
  EXPECT_EQ(FileSizeText(dir.File("missing"), size, st), "");
  EXPECT_EQ(size, 5);
  EXPECT_EQ(st.message(), "i can't open\n" + dir.File("missing"));

  // A FIFO without a writer is measured, not waited on.
  ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
  EXPECT_EQ(FileSizeText(dir.File("fifo"), size, st), "0");
  EXPECT_TRUE(st.ok());
}

TEST(FileSizeTextTest, FilesOfTwoGibibytesAndMoreKeepTheirSize) {
  TempDir dir;
  const std::string path = dir.File("sparse");
  test::WriteFile(path, "");
  const int64_t big = (int64_t{3} << 30) + 5;  // a sparse file takes no disk
  ASSERT_EQ(truncate(path.c_str(), big), 0);
  int64_t size = 0;
  Status st;
  const std::string text = FileSizeText(path, size, st);
  EXPECT_EQ(size, big);
  EXPECT_EQ(text, GroupedNumberText(big));
  EXPECT_NE(text.front(), '-');
}

TEST(NumberTextTest, GroupsByThreesWithTheGivenSeparator) {
  const NumberSeparators comma{',', '.'};
  EXPECT_EQ(GroupedNumberText(0, comma), "0");
  EXPECT_EQ(GroupedNumberText(999, comma), "999");
  EXPECT_EQ(GroupedNumberText(1000, comma), "1,000");
  EXPECT_EQ(GroupedNumberText(1234567, comma), "1,234,567");
  EXPECT_EQ(GroupedNumberText(3221225477, comma), "3,221,225,477");
  EXPECT_EQ(GroupedNumberText(-1234, comma), "-1,234");
  EXPECT_EQ(GroupedNumberText(1234567, NumberSeparators{0, '.'}), "1234567");
  EXPECT_EQ(GroupedNumberText(1234567, NumberSeparators{'.', ','}), "1.234.567");
}

TEST(NumberTextTest, SecondsHaveOneDecimalInTheLocalesNotation) {
  const NumberSeparators dot{',', '.'};
  EXPECT_EQ(SecondsText(12.345, dot), "12.3");
  EXPECT_EQ(SecondsText(0.04, dot), "0.0");
  EXPECT_EQ(SecondsText(0.05001, dot), "0.1");
  EXPECT_EQ(SecondsText(1234567.0, dot), "1234567.0");
  EXPECT_EQ(SecondsText(12.345, NumberSeparators{'.', ','}), "12,3");
  EXPECT_NE(SecondsText(123456789.0, dot).find('E'), std::string::npos);
}

TEST(NumberTextTest, AppendIntWritesPlainDecimal) {
  std::string s = "x";
  AppendInt(s, 0);
  AppendInt(s, -112);
  AppendInt(s, 2147483647);
  AppendInt(s, INT64_MIN);
  EXPECT_EQ(s, "x0-1122147483647-9223372036854775808");
}

}  // namespace
}  // namespace quorvane
