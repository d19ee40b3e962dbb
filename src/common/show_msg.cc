#include "common/show_msg.h"

#include <cstdio>
#include <mutex>

namespace quorvane {
namespace {

void StderrSink(const std::string& text) {
  std::fwrite(text.data(), 1, text.size(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
}

std::recursive_mutex& SinkMutex() {
  static std::recursive_mutex mu;
  return mu;
}

MsgSink& Sink() {
  static MsgSink sink = StderrSink;
  return sink;
}

}  // namespace

void ShowMsg(const std::string& text) {
  std::lock_guard<std::recursive_mutex> lock(SinkMutex());
  if (Sink()) Sink()(text);
}

MsgSink SetMsgSink(MsgSink sink) {
  std::lock_guard<std::recursive_mutex> lock(SinkMutex());
  MsgSink prev = std::move(Sink());
  Sink() = sink ? std::move(sink) : MsgSink(StderrSink);
  return prev;
}

}  // namespace quorvane
