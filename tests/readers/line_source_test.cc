// Splitting the plain reads file into lines.
#include <gtest/gtest.h>

#include "fault_env.h"
#include "readers/line_source.h"
#include "test_util.h"

namespace quorvane {
namespace {

// Every line of content, over-long ones as "<long>".
std::vector<std::string> Lines(const std::string& content, int64_t* consumed = nullptr) {
  test::TempDir dir;
  test::WriteFile(dir.File("r"), content);
  std::unique_ptr<SequentialFile> f;
  EXPECT_TRUE(Env::Default()->NewSequentialFile(dir.File("r"), f).ok());
  LineSource source(std::make_unique<LineCursor>(std::move(f), dir.File("r")));
  std::vector<std::string> out;
  ReadRecord r;
  bool more = true;
  for (;;) {
    EXPECT_TRUE(source.Next(r, more).ok());
    if (!more) break;
    EXPECT_TRUE(r.name.empty() && r.qual.empty());
    if (r.length > kMaxLineLen) {
      EXPECT_TRUE(r.seq.empty());
      out.push_back("<long " + std::to_string(r.length) + ">");
    } else {
      EXPECT_EQ(r.length, static_cast<int64_t>(r.seq.size()));
      out.push_back(std::string(r.seq));
    }
  }
  if (consumed != nullptr) *consumed = source.bytesRead();
  return out;
}

using V = std::vector<std::string>;

TEST(LineSourceTest, LineEnds) {
  EXPECT_EQ(Lines(""), V{});
  EXPECT_EQ(Lines("\n"), V{""});
  EXPECT_EQ(Lines("ab\ncd\n"), (V{"ab", "cd"}));
  EXPECT_EQ(Lines("ab\r\ncd\r\n"), (V{"ab", "cd"}));
  EXPECT_EQ(Lines("ab\ncd"), (V{"ab", "cd"}));
  EXPECT_EQ(Lines("ab\r\ncd\r"), (V{"ab", "cd"}));
  EXPECT_EQ(Lines("\n\nx\n"), (V{"", "", "x"}));
  EXPECT_EQ(Lines("a\rb\n"), V{"a\rb"});  // only a CR before the line end goes
}

TEST(LineSourceTest, OverLongLinesAreSkippedWhole) {
  const std::string max(kMaxLineLen, 'A');
  EXPECT_EQ(Lines(max + "\n" + max + "\r\nx"), (V{max, max, "x"}));
  EXPECT_EQ(Lines(max + "C\nx\n"), (V{"<long 1026>", "x"}));
  EXPECT_EQ(Lines("x\n" + std::string(3 << 20, 'G') + "\r\ny\n"), (V{"x", "<long 3145728>", "y"}));
  EXPECT_EQ(Lines(std::string(3 << 20, 'G')), V{"<long 3145728>"});
}

TEST(LineSourceTest, LinesAcrossTheBufferBoundaryAndTheBytesConsumed) {
  std::string content;
  V want;
  for (int i = 0; content.size() < (5u << 20); ++i) {
    std::string line(1 + (i * 37) % 1025, "ACGT"[i % 4]);
    content += line + (i % 3 ? "\n" : "\r\n");
    want.push_back(line);
  }
  int64_t consumed = 0;
  EXPECT_EQ(Lines(content, &consumed), want);
  EXPECT_EQ(consumed, static_cast<int64_t>(content.size()));
}

TEST(LineSourceTest, AFailedReadEndsTheSourceWithItsMessage) {
  test::TempDir dir;
  std::string content;
  for (int i = 0; i < 100000; ++i) content += "ACGTACGTACGTACGT\n";
  test::WriteFile(dir.File("r"), content);
  test::FaultEnv env;
  env.FailReadAfter("/r", 1 << 20);
  std::unique_ptr<SequentialFile> f;
  ASSERT_TRUE(env.NewSequentialFile(dir.File("r"), f).ok());
  LineSource source(std::make_unique<LineCursor>(std::move(f), dir.File("r")));
  ReadRecord r;
  bool more = true;
  int lines = 0;
  Status st;
  while ((st = source.Next(r, more)).ok() && more) ++lines;
  EXPECT_EQ(st.message(), "can't read " + dir.File("r"));
  EXPECT_FALSE(more);
  EXPECT_LT(lines, 100000);
  EXPECT_TRUE(source.Next(r, more).code() == Status::Code::kIoError);  // and nothing after it
}

}  // namespace
}  // namespace quorvane
