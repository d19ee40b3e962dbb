// The settings files when something else stands in their place: a FIFO
// never holds the window's start-up nor a choice.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "setup/path_settings.h"
#include "test_util.h"

namespace quorvane {
namespace {

using test::MsgRecorder;
using test::TempDir;

// Runs f on a thread of its own; when it has not returned after some
// seconds, opens fifo from the other side so that it can, and fails.
template <typename F>
auto WithoutWaitingOn(const std::string& fifo, F&& f) {
  auto result = std::async(std::launch::async, std::forward<F>(f));
  if (result.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
    ADD_FAILURE() << "blocked on " << fifo;
    const int rd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    const int wr = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    result.wait();
    close(rd);
    close(wr);
  }
  return result.get();
}

TEST(PathSettingsTest, AFifoInPlaceOfASettingsFileNeverBlocks) {
  TempDir dir;
  MsgRecorder msgs;
  const std::string f = dir.File(kPthRdsSetting);
  ASSERT_EQ(mkfifo(f.c_str(), 0600), 0);
  // Read as a missing file would be: quietly, nothing.
  EXPECT_EQ(WithoutWaitingOn(f, [&] { return ReadSetting(f); }), "");
  EXPECT_TRUE(msgs.msgs().empty());
  // Written as a file that cannot be opened.
  EXPECT_FALSE(WithoutWaitingOn(f, [&] { return WriteSetting(f, "/data/r.txt"); }));
  EXPECT_EQ(msgs.msgs(), std::vector<std::string>{"can't open " + f});
  struct stat st {};
  ASSERT_EQ(stat(f.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

}  // namespace
}  // namespace quorvane
