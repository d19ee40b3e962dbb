#include "ui/handler_guard.h"

#include "common/show_msg.h"

namespace quorvane {

std::string ExceptionText(const std::exception_ptr& e) {
  try {
    std::rethrow_exception(e);
  } catch (const std::exception& ex) {
    return ex.what();
  } catch (...) {
    return "";
  }
}

void RunHandler(const std::function<void()>& handler) {
  try {
    handler();
  } catch (...) {
    ShowMsg(ExceptionText(std::current_exception()));
  }
}

}  // namespace quorvane
