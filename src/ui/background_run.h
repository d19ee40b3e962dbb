// Runs a long piece of work off the GUI thread while the window keeps
// painting but takes no input, and waits for it.
#ifndef QUORVANE_UI_BACKGROUND_RUN_H_
#define QUORVANE_UI_BACKGROUND_RUN_H_

#include <QWidget>
#include <functional>

namespace quorvane {

// Runs work on a thread of its own and returns when it has ended. Until
// then the GUI thread processes events (painting, and the calls that work
// makes to it through CallOnGui) while input to window is swallowed. An
// exception thrown by work is thrown again here.
void RunInBackground(QWidget* window, const std::function<void()>& work);

}  // namespace quorvane

#endif  // QUORVANE_UI_BACKGROUND_RUN_H_
