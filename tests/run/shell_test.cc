// The desktop's opener as the end of a run uses it: which result files no
// application opened, and how long it waits for the answer.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "run/shell.h"
#include "test_util.h"

namespace quorvane {
namespace {

using test::WriteFile;

class DesktopShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* path = std::getenv("PATH");
    path_ = path != nullptr ? path : "";
  }
  void TearDown() override { setenv("PATH", path_.c_str(), 1); }

  // An xdg-open that runs script, alone on the PATH but for the shell.
  void Opener(const std::string& script) {
    WriteFile(dir_.File("xdg-open"), "#!/bin/sh\n" + script + "\n");
    chmod(dir_.File("xdg-open").c_str(), 0755);
    setenv("PATH", (dir_.path() + ":/usr/bin:/bin").c_str(), 1);
  }

  test::TempDir dir_;
  std::string path_;
};

TEST_F(DesktopShellTest, NamesTheFilesWhoseOpenerFailed) {
  // The opener fails for the tables only.
  Opener("case \"$1\" in *.txt) exit 3;; esac; exit 0");
  DesktopShell shell(std::chrono::milliseconds(5000));
  EXPECT_EQ(shell.OpenResults({{"a.txt", true}, {"b.log", false}, {"c.txt", true}}),
            (std::vector<std::string>{"a.txt", "c.txt"}));
  EXPECT_TRUE(shell.OpenResults({{"b.log", false}}).empty());
}

TEST_F(DesktopShellTest, NoOpenerAtAllFailsEveryFile) {
  setenv("PATH", dir_.path().c_str(), 1);  // not even a shell: nothing starts
  DesktopShell shell(std::chrono::milliseconds(2000));
  EXPECT_EQ(shell.OpenResults({{"a.txt", true}}), std::vector<std::string>{"a.txt"});
  setenv("PATH", (dir_.path() + ":/bin").c_str(), 1);  // a shell, but no xdg-open
  EXPECT_EQ(shell.OpenResults({{"a.txt", true}}), std::vector<std::string>{"a.txt"});
}

TEST_F(DesktopShellTest, AnOpenerStillRunningCountsAsOpenedAfterTheWait) {
  Opener("sleep 5");
  DesktopShell shell(std::chrono::milliseconds(300));
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(shell.OpenResults({{"a.txt", true}, {"b.txt", true}}).empty());
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}

}  // namespace
}  // namespace quorvane
