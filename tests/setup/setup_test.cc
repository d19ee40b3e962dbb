// The input checks, the mismatch setting, the remembered paths and where
// the window's own files live.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>

#include <gtest/gtest.h>

#include "common/number_text.h"
#include "engine/reference.h"
#include "setup/input_checks.h"
#include "common/file_msg.h"
#include "setup/path_settings.h"
#include "setup/program_files.h"
#include "setup/program_path.h"
#include "test_util.h"

namespace quorvane {
namespace {

using test::MsgRecorder;
using test::PathExists;
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

TEST_F(CheckInputsTest, TheFirstReadsLineMustEndWithinItsFirst1026Bytes) {
  struct Case {
    std::string reads;
    bool ok;
  };
  const Case cases[] = {
      {"", false},
      {std::string(1023, 'A') + "\n", true},
      // The longest read a run searches, with either line end, passes.
      {std::string(1024, 'A') + "\n", true},
      {std::string(1024, 'A') + "\r\nACGT\n", true},
      {std::string(1026, 'A') + "\n", false},
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
  EXPECT_EQ(msgs_.rdsCell, std::to_string(cases[6].reads.size()));
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
  ASSERT_EQ(truncate(big.c_str(), kMaxGnmLen + 1), 0);  // sparse: no disk used
  boxes_.gnm = big;
  EXPECT_FALSE(CheckInputs(boxes_, in_, msgs_));
  EXPECT_EQ(msgs_.msgs, std::vector<std::string>{"genome is too big\n" + big});
  EXPECT_EQ(in_.gnmLen, -1);
  // Shown exactly, never as a negative or wrapped number.
  std::string digits;
  for (char c : msgs_.gnmCell) {
    if (c >= '0' && c <= '9') digits.push_back(c);
  }
  EXPECT_EQ(digits, std::to_string(kMaxGnmLen + 1));
}

TEST_F(CheckInputsTest, AGenomePastTwoTo31LettersIsAccepted) {
  const std::string big = dir_.File("big.txt");
  WriteFile(big, "");
  ASSERT_EQ(truncate(big.c_str(), int64_t{1} << 31), 0);
  boxes_.gnm = big;
  CheckOptions opt;
  opt.countGenome = false;
  EXPECT_TRUE(CheckInputs(boxes_, in_, msgs_, opt));
  EXPECT_EQ(in_.gnmLen, int64_t{1} << 31);
}

TEST_F(CheckInputsTest, UnreadableFilesAreReportedAndTheChecksGoOn) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  chmod(dir_.File("g.txt").c_str(), 0);
  EXPECT_FALSE(CheckInputs(boxes_, in_, msgs_));
  EXPECT_EQ(msgs_.msgs, std::vector<std::string>{"i can't open\n" + dir_.File("g.txt")});
  EXPECT_EQ(in_.DiRes, dir_.path());
}

TEST_F(CheckInputsTest, StreamsAreNeitherReadNorWaitedOn) {
  // FIFOs without a writer: opening one to read would wait for ever.
  ASSERT_EQ(mkfifo(dir_.File("g.fifo").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(dir_.File("r.fifo").c_str(), 0600), 0);
  boxes_.gnm = dir_.File("g.fifo");
  boxes_.rds = dir_.File("r.fifo");
  EXPECT_TRUE(CheckInputs(boxes_, in_, msgs_));
  EXPECT_EQ(in_.gnmLen, -1);
  EXPECT_EQ(in_.rdsSize, -1);
  EXPECT_EQ(msgs_.gnmCell, "");
  EXPECT_EQ(msgs_.rdsCell, "");
  boxes_.rds = "-";  // standard input
  EXPECT_TRUE(CheckInputs(boxes_, in_, msgs_));
  EXPECT_TRUE(msgs_.msgs.empty());
}

TEST_F(CheckInputsTest, FastaGenomesShowTheirLettersAndSequences) {
  WriteFile(dir_.File("g.fa"), ">a\nACGTACGTAC\n>b\nACGTA\n");
  boxes_.gnm = dir_.File("g.fa");
  EXPECT_TRUE(CheckInputs(boxes_, in_, msgs_));
  EXPECT_EQ(msgs_.gnmCell, "15 (2 seq)");
  EXPECT_EQ(in_.gnmLen, 15);
  test::WriteGzip(dir_.File("g.fa.gz"), ">a\n" + std::string(1234, 'A') + "\n");
  boxes_.gnm = dir_.File("g.fa.gz");
  EXPECT_TRUE(CheckInputs(boxes_, in_, msgs_));
  EXPECT_EQ(msgs_.gnmCell, GroupedNumberText(1234));
  // A compressed reads file is checked by its content.
  test::WriteGzip(dir_.File("r.gz"), "@r\nACGT\n+\nIIII\n");
  boxes_.rds = dir_.File("r.gz");
  EXPECT_TRUE(CheckInputs(boxes_, in_, msgs_));
  EXPECT_TRUE(msgs_.msgs.empty());
  // Without counting, a FASTA genome is measured by its size only.
  CheckOptions quick;
  quick.countGenome = false;
  boxes_.gnm = dir_.File("g.fa");
  EXPECT_TRUE(CheckInputs(boxes_, in_, msgs_, quick));
  EXPECT_EQ(in_.gnmLen, 23);
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

// Runs check as a user who cannot write into a folder of mode 0555: the
// current one, or for root, who writes everywhere, the user "nobody" in a
// child process. check returns "" when everything held, else what failed.
// Returns "skip" when root cannot become another user here.
std::string AsUnprivileged(const std::function<std::string()>& check) {
  if (geteuid() != 0) return check();
  int fds[2];
  if (pipe(fds) != 0) return "no pipe";
  const pid_t pid = fork();
  if (pid < 0) return "no fork";
  if (pid == 0) {
    close(fds[0]);
    constexpr uid_t kNobody = 65534;
    const std::string r = setgid(kNobody) == 0 && setuid(kNobody) == 0 ? check() : "skip";
    const bool sent = write(fds[1], r.data(), r.size()) == static_cast<ssize_t>(r.size());
    _exit(sent ? 0 : 1);
  }
  close(fds[1]);
  std::string r;
  char buf[256];
  for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) r.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "the child failed: " + r;
  return r;
}

std::string Mode(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return "missing";
  char text[8];
  std::snprintf(text, sizeof text, "%o", st.st_mode & 07777);
  return text;
}

// A program folder and a home folder that every user may reach.
class SettingsFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(chmod(dir_.path().c_str(), 0755), 0);
    ASSERT_EQ(mkdir(home_.c_str(), 0777), 0);
    ASSERT_EQ(chmod(home_.c_str(), 0777), 0);  // whatever the umask
  }
  TempDir dir_;
  const std::string home_ = dir_.File("home");
  const std::string missing_ = dir_.File("no-such-bin") + "/";
  MsgRecorder msgs_;
};

TEST_F(SettingsFolderTest, AWritableProgramFolderKeepsTheSettings) {
  const std::string exe = dir_.path() + "/";
  EXPECT_EQ(SettingsFolder(exe, dir_.File("xdg").c_str(), home_.c_str()), exe);
  EXPECT_EQ(SettingsFolder(exe), exe);
  EXPECT_FALSE(PathExists(dir_.File("xdg")));
  EXPECT_FALSE(PathExists(home_ + "/.config"));
}

TEST_F(SettingsFolderTest, AnUnwritableProgramFolderSendsThemToTheConfigFolder) {
  const std::string exe = dir_.File("bin") + "/";
  ASSERT_EQ(mkdir(exe.c_str(), 0555), 0);
  ASSERT_EQ(chmod(exe.c_str(), 0555), 0);
  const std::string home = home_, xdg = home_ + "/xdg";
  const std::string failed = AsUnprivileged([&]() -> std::string {
    const std::string want = home + "/.config/quorvane/";
    const std::string got = SettingsFolder(exe, nullptr, home.c_str());
    if (got != want) return "home: got " + got;
    if (Mode(want) != "700" || Mode(home + "/.config") != "700") return "made " + Mode(want);
    // The settings are written there byte for byte, with nothing shown.
    if (!WriteSetting(got + kDiResSetting, "/data/res") || ReadSetting(got + kDiResSetting) != "/data/res") {
      return "not written";
    }
    if (SettingsFolder(exe, xdg.c_str(), home.c_str()) != xdg + "/quorvane/") return "xdg";
    if (Mode(xdg + "/quorvane") != "700") return "xdg made " + Mode(xdg + "/quorvane");
    if (access(exe.c_str(), W_OK) == 0) return "the program folder is writable";
    return "";
  });
  if (failed == "skip") GTEST_SKIP() << "cannot run as another user";
  EXPECT_EQ(failed, "");
  EXPECT_TRUE(msgs_.msgs().empty());
}

TEST_F(SettingsFolderTest, TheConfigFolderFollowsTheXdgRules) {
  // A missing program folder is no place for settings either.
  const std::string xdg = dir_.File("cfg") + "/";
  EXPECT_EQ(SettingsFolder(missing_, xdg.c_str(), home_.c_str()), xdg + "quorvane/");
  EXPECT_TRUE(DirExists(xdg + "quorvane"));
  // An empty or relative XDG_CONFIG_HOME counts as unset.
  for (const char* ignored : {static_cast<const char*>(nullptr), "", "relative/cfg"}) {
    EXPECT_EQ(SettingsFolder(missing_, ignored, home_.c_str()), home_ + "/.config/quorvane/");
  }
  EXPECT_FALSE(PathExists("relative"));
  // No usable folder at all: the program folder, as before.
  EXPECT_EQ(SettingsFolder(missing_, "relative", ""), missing_);
  EXPECT_EQ(SettingsFolder(missing_, nullptr, nullptr), missing_);
}

TEST_F(SettingsFolderTest, TheEnvironmentNamesTheUsersConfigFolder) {
  const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = oldXdg != nullptr ? oldXdg : "";
  ASSERT_EQ(setenv("XDG_CONFIG_HOME", dir_.File("env").c_str(), 1), 0);
  EXPECT_EQ(SettingsFolder(missing_), dir_.File("env") + "/quorvane/");
  if (oldXdg != nullptr) {
    setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    unsetenv("XDG_CONFIG_HOME");
  }
}

TEST_F(SettingsFolderTest, AConfigFolderThatCannotBeMadeIsReportedWhenSaving) {
  WriteFile(dir_.File("plain"), "a file where a folder should be");
  const std::string folder = SettingsFolder(missing_, nullptr, dir_.File("plain").c_str());
  EXPECT_EQ(folder, dir_.File("plain") + "/.config/quorvane/");
  EXPECT_TRUE(msgs_.msgs().empty());
  EXPECT_FALSE(WriteSetting(folder + kPthGnmSetting, "/g.txt"));
  EXPECT_EQ(msgs_.msgs(), std::vector<std::string>{"can't open " + folder + kPthGnmSetting});
  EXPECT_EQ(ReadSetting(folder + kPthGnmSetting), "");
}

TEST(HelpTextPathTest, BesideTheProgramFirstThenUnderTheInstallPrefix) {
  TempDir prefix;
  const std::string bin = prefix.File("bin") + "/";
  const std::string installed = prefix.File("share/quorvane/Help_Quorvane.txt");
  ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
  EXPECT_EQ(HelpTextPath(bin), "");
  ASSERT_EQ(mkdir(prefix.File("share").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(prefix.File("share/quorvane").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(installed.c_str(), 0755), 0);  // a folder of that name is no help text
  EXPECT_EQ(HelpTextPath(bin), "");
  ASSERT_EQ(rmdir(installed.c_str()), 0);
  WriteFile(installed, "help");
  EXPECT_EQ(HelpTextPath(bin), installed);
  WriteFile(bin + "Help_Quorvane.txt", "help beside");
  EXPECT_EQ(HelpTextPath(bin), bin + "Help_Quorvane.txt");
}

}  // namespace
}  // namespace quorvane
