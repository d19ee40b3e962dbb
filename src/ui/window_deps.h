// What the main window asks of the desktop: message boxes, the file-open
// dialog, the modal showing of the directory chooser and the shell. Tests
// replace each, so that no test waits on a modal dialog.
#ifndef QUORVANE_UI_WINDOW_DEPS_H_
#define QUORVANE_UI_WINDOW_DEPS_H_

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "run/shell.h"

namespace quorvane {

class TFmDir;

struct WindowDeps {
  // Shows text modally to the application; returns once it is dismissed.
  std::function<void(QWidget* owner, const QString& text)> showMsg;
  // Asks for a file to open, starting in folder when it is not "".
  // Returns the chosen file's full path, or nothing when cancelled.
  std::function<std::optional<std::string>(QWidget* owner, const std::string& folder)> openFile;
  // Shows the chooser modally; returns once the user has closed it.
  std::function<void(TFmDir& chooser)> showDir;
  // Asks question modally with the answers yes and no; true for yes.
  std::function<bool(QWidget* owner, const QString& question)> ask;
  // Opens the help text and the results with their applications.
  Shell* shell = nullptr;
};

// A message box with an empty-looking title (a blank: an empty one gets the
// application's name from the platform), no icon and a single OK button.
void ShowMsgBox(QWidget* owner, const QString& text);

// A message box like ShowMsgBox with the buttons Yes and No; true for Yes.
// Closing it without an answer counts as No.
bool AskYesNo(QWidget* owner, const QString& question);

// The filters the file-open dialog offers; the first, every file, is the
// one in force when it opens.
QStringList OpenFileFilters();

// The toolkit's file-open dialog, owned by owner, with its default title,
// offering OpenFileFilters.
std::optional<std::string> AskOpenFile(QWidget* owner, const std::string& folder);

// The real desktop: ShowMsgBox, AskOpenFile, the chooser's own modal
// showing, AskYesNo and shell.
WindowDeps DesktopDeps(Shell& shell);

}  // namespace quorvane

#endif  // QUORVANE_UI_WINDOW_DEPS_H_
