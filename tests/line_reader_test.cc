// Splitting the reads file into lines.
#include <gtest/gtest.h>

#include <cstdio>

#include "run/line_reader.h"
#include "test_util.h"

namespace quorvane {
namespace {

// Every line of content, over-long ones as "<long>".
std::vector<std::string> Lines(const std::string& content, int64_t* consumed = nullptr) {
  test::TempDir dir;
  test::WriteFile(dir.File("r"), content);
  std::FILE* f = std::fopen(dir.File("r").c_str(), "rb");
  LineReader reader(f);
  std::vector<std::string> out;
  std::string_view line;
  for (;;) {
    const LineReader::Next n = reader.ReadLine(line);
    if (n == LineReader::Next::kEnd) break;
    EXPECT_NE(n, LineReader::Next::kError);
    out.push_back(n == LineReader::Next::kLong ? "<long>" : std::string(line));
  }
  if (consumed != nullptr) *consumed = reader.consumed();
  std::fclose(f);
  return out;
}

using V = std::vector<std::string>;

TEST(LineReaderTest, LineEnds) {
  EXPECT_EQ(Lines(""), V{});
  EXPECT_EQ(Lines("\n"), V{""});
  EXPECT_EQ(Lines("ab\ncd\n"), (V{"ab", "cd"}));
  EXPECT_EQ(Lines("ab\r\ncd\r\n"), (V{"ab", "cd"}));
  EXPECT_EQ(Lines("ab\ncd"), (V{"ab", "cd"}));
  EXPECT_EQ(Lines("ab\r\ncd\r"), (V{"ab", "cd"}));
  EXPECT_EQ(Lines("\n\nx\n"), (V{"", "", "x"}));
  EXPECT_EQ(Lines("a\rb\n"), V{"a\rb"});  // only a CR before the line end goes
}

TEST(LineReaderTest, OverLongLinesAreSkippedWhole) {
  const std::string max(kMaxLineLen, 'A');
  EXPECT_EQ(Lines(max + "\n" + max + "\r\nx"), (V{max, max, "x"}));
  EXPECT_EQ(Lines(max + "C\nx\n"), (V{"<long>", "x"}));
  EXPECT_EQ(Lines("x\n" + std::string(3 << 20, 'G') + "\r\ny\n"), (V{"x", "<long>", "y"}));
  EXPECT_EQ(Lines(std::string(3 << 20, 'G')), V{"<long>"});
}

TEST(LineReaderTest, LinesAcrossTheBufferBoundaryAndTheBytesConsumed) {
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

}  // namespace
}  // namespace quorvane
