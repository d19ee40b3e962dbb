// Opening documents with the desktop's applications.
#ifndef QUORVANE_RUN_SHELL_H_
#define QUORVANE_RUN_SHELL_H_

#include <chrono>
#include <string>
#include <vector>

namespace quorvane {

// A result file that the end of a run opens.
struct ResultDoc {
  std::string path;          // the file
  bool spreadsheet = false;  // a table for the user's spreadsheet application, else a document
};

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens the document at path with its default application. Returns at
  // once; a missing opener or a failure passes silently.
  virtual void OpenDocument(const std::string& path) = 0;
  // Opens a tab-separated result file for the user's spreadsheet
  // application; silent like OpenDocument.
  virtual void OpenInSpreadsheet(const std::string& path) = 0;
  // Opens the result files of a run, in their order, and returns the
  // paths of those that no application opened. This version hands each to
  // OpenDocument or OpenInSpreadsheet and knows of no failure.
  virtual std::vector<std::string> OpenResults(const std::vector<ResultDoc>& docs);
};

// The desktop's "open": xdg-open, found on the PATH, for both kinds.
class DesktopShell final : public Shell {
 public:
  // wait: how long OpenResults waits for the openers' answers.
  explicit DesktopShell(std::chrono::milliseconds wait = std::chrono::milliseconds(3000)) : wait_(wait) {}
  void OpenDocument(const std::string& path) override;
  void OpenInSpreadsheet(const std::string& path) override;
  // Starts xdg-open on every file at once and waits for their exit
  // statuses, at most wait in all: a file whose xdg-open exits with
  // another status than 0 (no application for it, or no xdg-open at all)
  // is returned; one whose xdg-open is still running then (an application
  // it started in the foreground) counts as opened.
  std::vector<std::string> OpenResults(const std::vector<ResultDoc>& docs) override;

 private:
  std::chrono::milliseconds wait_;
};

// Opens nothing.
class NullShell final : public Shell {
 public:
  void OpenDocument(const std::string&) override {}
  void OpenInSpreadsheet(const std::string&) override {}
};

}  // namespace quorvane

#endif  // QUORVANE_RUN_SHELL_H_
