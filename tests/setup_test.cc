// The input checks, the mismatch setting and the remembered paths.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/number_text.h"
#include "setup/input_checks.h"
#include "setup/path_settings.h"
#include "setup/program_path.h"
#include "test_util.h"

namespace quorvane {
namespace {

using test::MsgRecorder;
using test::TempDir;
using test::WriteFile;

// Records what the checks tell, in order.
class CheckRecorder final : public CheckListener {
 public:
  std::vector<std::string> msgs;
  std::vector<std::string> events;  // messages and cells in the order they came
  std::string gnmCell = "<untouched>", rdsCell = "<untouched>";
  void OnMessage(const Status& s) override {
    msgs.push_back(s.message());
    events.push_back("msg " + s.message());
  }
  void OnGenomeSize(const std::string& t) override {
    gnmCell = t;
    events.push_back("genome " + t);
  }
  void OnReadsSize(const std::string& t) override {
    rdsCell = t;
    events.push_back("reads " + t);
  }
  void Clear() { msgs.clear(); events.clear(); }
};

class CheckInputsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteFile(dir_.File("g.txt"), "ACGTACGTAC");
    WriteFile(dir_.File("r.txt"), "ACGTACGTACGT\r\nACGTACGTACGT\n");
    boxes_.gnm = dir_.File("g.txt");
    boxes_.rds = dir_.File("r.txt");
    boxes_.diRes = dir_.path();
  }
  TempDir dir_;
  InputPaths boxes_;
  AcceptedInputs in_;
  CheckRecorder msgs_;
};

TEST_F(CheckInputsTest, ACompletePassTakesEverythingOverSilently) {
  EXPECT_TRUE(CheckInputs(boxes_, in_, msgs_));
  EXPECT_TRUE(msgs_.msgs.empty());
  EXPECT_EQ(in_.PthGnm, boxes_.gnm);
  EXPECT_EQ(in_.PthRds, boxes_.rds);
  EXPECT_EQ(in_.DiRes, boxes_.diRes);
  EXPECT_EQ(in_.gnmLen, 10);
  EXPECT_EQ(msgs_.gnmCell, "10");
  EXPECT_EQ(in_.rdsSize, 27);
  EXPECT_EQ(msgs_.rdsCell, "27");
}

TEST_F(CheckInputsTest, EachMissingInputStopsAtItsStep) {
  in_.DiRes = "old dir";
  boxes_.rds = dir_.File("missing.txt");
  EXPECT_FALSE(CheckInputs(boxes_, in_, msgs_));
  EXPECT_EQ(msgs_.msgs, std::vector<std::string>{" file of Reads does not exist"});
  // The genome values are taken over, the later ones are not.
  EXPECT_EQ(in_.gnmLen, 10);
  EXPECT_EQ(in_.PthRds, dir_.File("missing.txt"));
  EXPECT_EQ(msgs_.rdsCell, "<untouched>");
  EXPECT_EQ(in_.DiRes, "old dir");

  msgs_.Clear();
  for (const std::string& g : {std::string(), dir_.path()}) {
    boxes_.gnm = g;  // empty, or a folder
    EXPECT_FALSE(CheckInputs(boxes_, in_, msgs_));
  }
  EXPECT_EQ(msgs_.msgs, (std::vector<std::string>{" file of Genome does not exist", " file of Genome does not exist"}));

  msgs_.Clear();
  SetUp();
  boxes_.diRes = dir_.File("nowhere");
  EXPECT_FALSE(CheckInputs(boxes_, in_, msgs_));
  EXPECT_EQ(msgs_.msgs, std::vector<std::string>{" dir of Results does not exist"});
  EXPECT_EQ(in_.DiRes, dir_.File("nowhere"));
}

TEST_F(CheckInputsTest, TheFirstReadsLineMustEndWithinItsFirst1024Bytes) {
  struct Case {
    std::string reads;
    bool ok;
  };
  const Case cases[] = {
      {"", false},
      {std::string(1023, 'A') + "\n", true},
      {std::string(1024, 'A') + "\n", false},
      {std::string(500, 'A'), false},
      {"ACGTACGTACGTAA\r\nACGT\r\n", true},
  };
  for (const Case& c : cases) {
    msgs_.Clear();
    WriteFile(dir_.File("r.txt"), c.reads);
    EXPECT_EQ(CheckInputs(boxes_, in_, msgs_), c.ok) << c.reads.size();
    if (c.ok) {
      EXPECT_TRUE(msgs_.msgs.empty());
    } else {
      EXPECT_EQ(msgs_.msgs, std::vector<std::string>{"separator of reads '\\n' not found"});
    }
  }
  EXPECT_EQ(msgs_.rdsCell, std::to_string(cases[4].reads.size()));
}

TEST_F(CheckInputsTest, EachSizeIsToldWhenItIsMeasured) {
  // A message of a later step comes after the cell of the step before it.
  WriteFile(dir_.File("r.txt"), std::string(2000, 'A'));
  EXPECT_FALSE(CheckInputs(boxes_, in_, msgs_));
  EXPECT_EQ(msgs_.events, (std::vector<std::string>{"genome 10", "reads " + GroupedNumberText(2000),
                                                     "msg separator of reads '\\n' not found"}));
}

TEST_F(CheckInputsTest, AGenomeWithALineBreakIsMeasuredWhole) {
  WriteFile(dir_.File("g.txt"), "ACGTACGTAC\n");
  EXPECT_TRUE(CheckInputs(boxes_, in_, msgs_));
  EXPECT_EQ(in_.gnmLen, 11);
}

TEST_F(CheckInputsTest, AGenomeTooBigForTheEngineIsRefused) {
  const std::string big = dir_.File("big.txt");
  WriteFile(big, "");
  ASSERT_EQ(truncate(big.c_str(), int64_t{1} << 31), 0);  // sparse: no disk used
  boxes_.gnm = big;
  EXPECT_FALSE(CheckInputs(boxes_, in_, msgs_));
  EXPECT_EQ(msgs_.msgs, std::vector<std::string>{"genome is too big\n" + big});
  EXPECT_EQ(in_.gnmLen, -1);
  // Shown exactly, never as a negative or wrapped number.
  std::string digits;
  for (char c : msgs_.gnmCell) {
    if (c >= '0' && c <= '9') digits.push_back(c);
  }
  EXPECT_EQ(digits, "2147483648");
}

TEST_F(CheckInputsTest, UnreadableFilesAreReportedAndTheChecksGoOn) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  chmod(dir_.File("g.txt").c_str(), 0);
  EXPECT_FALSE(CheckInputs(boxes_, in_, msgs_));
  EXPECT_EQ(msgs_.msgs, std::vector<std::string>{"i can't open\n" + dir_.File("g.txt")});
  EXPECT_EQ(in_.DiRes, dir_.path());
}

TEST(ParseMisNuTest, OneDigitFromZeroToThree) {
  for (int v = 0; v <= 3; ++v) {
    int32_t misNu = -1;
    EXPECT_TRUE(ParseMisNu(std::to_string(v), misNu).ok());
    EXPECT_EQ(misNu, v);
  }
  for (const char* big : {"4", "7", "9"}) {
    int32_t misNu = 2;
    EXPECT_EQ(ParseMisNu(big, misNu).message(), "misNu is big");
    EXPECT_EQ(misNu, 2);
  }
  for (const char* bad : {"misNu", "", "12", "1 ", " 1", "x", "-1", "03"}) {
    int32_t misNu = 2;
    EXPECT_EQ(ParseMisNu(bad, misNu).message(), "uknown misNu value") << bad;
    EXPECT_EQ(misNu, 2);
  }
}

TEST(PathSettingsTest, WrittenAndReadBackByteForByte) {
  TempDir dir;
  MsgRecorder msgs;
  const std::string f = dir.File(kPthGnmSetting);
  EXPECT_EQ(ReadSetting(f), "");  // a first start: no file
  ASSERT_TRUE(WriteSetting(f, "/data/genome one.txt"));
  EXPECT_EQ(test::ReadFile(f), "/data/genome one.txt");
  EXPECT_EQ(ReadSetting(f), "/data/genome one.txt");
  ASSERT_TRUE(WriteSetting(f, ""));
  EXPECT_EQ(test::ReadFile(f), "");
  WriteFile(f, "/a/b\n/c/d");
  EXPECT_EQ(ReadSetting(f), "/a/b\n");
  WriteFile(f, std::string(1500, 'x'));
  EXPECT_EQ(ReadSetting(f), std::string(998, 'x'));
  EXPECT_TRUE(msgs.msgs().empty());
  EXPECT_FALSE(WriteSetting(dir.File("no/such"), "x"));
  EXPECT_EQ(msgs.msgs(), std::vector<std::string>{"can't open " + dir.File("no/such")});
}

TEST(ProgramPathTest, FolderAndName) {
  const ProgramPath p = SplitProgramPath("/opt/q/bin/quorvane");
  EXPECT_EQ(p.PthExe, "/opt/q/bin/");
  EXPECT_EQ(p.ProcNm, "quorvane");
  const ProgramPath self = OwnProgramPath(nullptr);
  EXPECT_EQ(self.ProcNm, "setup_test");
  EXPECT_EQ(self.PthExe.back(), '/');
}

}  // namespace
}  // namespace quorvane
