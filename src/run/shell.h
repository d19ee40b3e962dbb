// Opening documents with the desktop's applications.
#ifndef QUORVANE_RUN_SHELL_H_
#define QUORVANE_RUN_SHELL_H_

#include <string>

namespace quorvane {

class Shell {
 public:
  virtual ~Shell() = default;
  // Opens the document at path with its default application. Returns at
  // once; a missing opener or a failure passes silently.
  virtual void OpenDocument(const std::string& path) = 0;
  // Opens a tab-separated result file for the user's spreadsheet
  // application; silent like OpenDocument.
  virtual void OpenInSpreadsheet(const std::string& path) = 0;
};

// The desktop's "open": xdg-open, found on the PATH, for both kinds.
class DesktopShell final : public Shell {
 public:
  void OpenDocument(const std::string& path) override;
  void OpenInSpreadsheet(const std::string& path) override;
};

// Opens nothing.
class NullShell final : public Shell {
 public:
  void OpenDocument(const std::string&) override {}
  void OpenInSpreadsheet(const std::string&) override {}
};

}  // namespace quorvane

#endif  // QUORVANE_RUN_SHELL_H_
