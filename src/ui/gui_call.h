// Calls from a worker thread into the GUI thread.
#ifndef QUORVANE_UI_GUI_CALL_H_
#define QUORVANE_UI_GUI_CALL_H_

#include <QObject>
#include <functional>

namespace quorvane {

// Runs fn on the thread that owns context and returns when it is done; at
// once when the caller is that thread. An exception thrown by fn is thrown
// again in the caller.
void CallOnGui(QObject* context, const std::function<void()>& fn);

}  // namespace quorvane

#endif  // QUORVANE_UI_GUI_CALL_H_
