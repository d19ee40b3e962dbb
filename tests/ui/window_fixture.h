// A main window and its directory chooser with every dialog replaced: the
// messages and questions are recorded, the file-open dialog and the
// questions get scripted answers, the chooser runs a scripted action
// instead of a modal loop, and the shell records what it was asked to
// open. The program folder is a fresh
// temporary folder, so no test writes beside the real binary.
#ifndef QUORVANE_TESTS_UI_WINDOW_FIXTURE_H_
#define QUORVANE_TESTS_UI_WINDOW_FIXTURE_H_

#include <QPoint>
#include <QTemporaryDir>
#include <QWidget>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "run/shell.h"
#include "ui/fm_dir.h"
#include "ui/fm_trelvix.h"

namespace quorvane::test {

// Records every document it is asked to open; the results it is told to
// have no application for are not opened.
class RecordingShell final : public Shell {
 public:
  void OpenDocument(const std::string& path) override { opened.push_back("doc " + path); }
  void OpenInSpreadsheet(const std::string& path) override { opened.push_back("sheet " + path); }
  std::vector<std::string> OpenResults(const std::vector<ResultDoc>& docs) override {
    Shell::OpenResults(docs);
    std::vector<std::string> failed;
    for (const ResultDoc& d : docs) {
      if (noApplication) failed.push_back(d.path);
    }
    return failed;
  }
  std::vector<std::string> opened;  // "doc PATH" or "sheet PATH", in order
  bool noApplication = false;       // no result file opens
};

struct WindowFixture {
  // Builds the window (not shown) and the chooser, whose drives are "/"
  // and the data folder.
  WindowFixture();
  ~WindowFixture();

  // A file or folder in the program folder or the data folder.
  std::string Exe(const std::string& name) const;
  std::string Data(const std::string& name) const;

  // Shows the window and waits until its first activation has run.
  void ShowAndActivate();

  QTemporaryDir exeDir;                 // the program's folder, PthExe
  QTemporaryDir dataDir;                // inputs and results of a test
  std::vector<std::string> msgs;        // every message shown, in order
  bool msgsOnGuiThread = true;          // every message came on the GUI thread
  std::function<void(const std::string&)> onMsg;  // runs inside each message box
  std::deque<std::optional<std::string>> fileAnswers;  // the dialog's answers; empty: cancel
  std::vector<std::string> fileFolders;  // the initial folder of every dialog
  std::function<void()> onFileDialog;   // runs while the file dialog is "shown"
  std::function<void(TFmDir&)> onChooser;  // runs while the chooser is "shown"
  int chooserShown = 0;                 // how often the chooser was shown
  std::vector<std::string> questions;   // every yes-or-no question asked, in order
  std::deque<bool> answers;             // their answers; empty: no
  RecordingShell shell;
  std::unique_ptr<TFmTrelvix> fm;
  std::unique_ptr<TFmDir> dir;
};

// Writes content to path, byte for byte; returns whether it worked.
bool WriteBytes(const std::string& path, const std::string& content);
// The whole content of path ("" when it cannot be read).
std::string ReadBytes(const std::string& path);

// A left click at pos of w, as the windowing system delivers it.
void Click(QWidget* w, QPoint pos = QPoint());
// A left double click at pos of w: press, release, double click, release.
void DoubleClick(QWidget* w, QPoint pos);

}  // namespace quorvane::test

#endif  // QUORVANE_TESTS_UI_WINDOW_FIXTURE_H_
