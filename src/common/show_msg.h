// The one channel through which the system tells its user something.
#ifndef QUORVANE_COMMON_SHOW_MSG_H_
#define QUORVANE_COMMON_SHOW_MSG_H_

#include <functional>
#include <string>

namespace quorvane {

// Receives every message. The window shows a modal box, the command line
// writes a line to standard error, tests record the texts.
using MsgSink = std::function<void(const std::string& text)>;

// Shows text to the user and returns once the user has taken note of it.
// Safe to call from any thread; calls are serialised (a sink that runs an
// event loop may itself lead to further messages on the same thread).
void ShowMsg(const std::string& text);

// Replaces the sink and returns the previous one. The default sink writes
// the text and a line feed to standard error.
MsgSink SetMsgSink(MsgSink sink);

// Installs a sink for the lifetime of the object, restoring the previous
// one on destruction.
class ScopedMsgSink {
 public:
  explicit ScopedMsgSink(MsgSink sink) : prev_(SetMsgSink(std::move(sink))) {}
  ~ScopedMsgSink() { SetMsgSink(std::move(prev_)); }
  ScopedMsgSink(const ScopedMsgSink&) = delete;
  ScopedMsgSink& operator=(const ScopedMsgSink&) = delete;

 private:
  MsgSink prev_;
};

}  // namespace quorvane

#endif  // QUORVANE_COMMON_SHOW_MSG_H_
