// Keeps an exception in an event handler from ending the program: it is
// shown as a message, and the program goes on.
#ifndef QUORVANE_UI_HANDLER_GUARD_H_
#define QUORVANE_UI_HANDLER_GUARD_H_

#include <exception>
#include <functional>
#include <string>

namespace quorvane {

// The text shown for an exception: what() of a standard exception, ""
// for any other kind.
std::string ExceptionText(const std::exception_ptr& e);

// Runs handler; an exception that escapes it is shown through ShowMsg.
void RunHandler(const std::function<void()>& handler);

// A slot that runs f through RunHandler.
template <class F>
auto Guarded(F f) {
  return [f = std::move(f)] { RunHandler(f); };
}

}  // namespace quorvane

#endif  // QUORVANE_UI_HANDLER_GUARD_H_
