// A directory list: the folders from the drive's root down to the open
// folder, then the open folder's subfolders. A double click on an item
// opens that folder. The list remembers the folder last open on each
// drive.
//
// From the keyboard, the arrow keys move among the items, Space clicks the
// current item and Enter double-clicks it: the click, then the folder
// opens.
#ifndef QUORVANE_UI_DIR_LIST_H_
#define QUORVANE_UI_DIR_LIST_H_

#include <QListWidget>
#include <map>
#include <string>

namespace quorvane {

class DirectoryListBox : public QListWidget {
  Q_OBJECT

 public:
  // itemHeight: pixels per item. Starts on drive "/" with the process's
  // current folder open.
  DirectoryListBox(int itemHeight, QWidget* parent);

  // The drive whose folders are listed.
  const std::string& Drive() const { return drive_; }
  // Switches to drive and opens the folder last open on it (at first its
  // root).
  void SetDrive(const std::string& drive);

  // The open folder: absolute, without a trailing "/" except for "/".
  const std::string& Directory() const { return dir_; }
  // Opens dir (made absolute and plain). A folder that does not exist
  // opens its nearest existing parent; one outside the drive switches the
  // list to drive "/", which holds every folder.
  void SetDirectory(const std::string& dir);

  // Makes the item of folder the current, selected one and scrolls it into
  // view; returns whether the list shows folder. folder is made plain
  // first, as by SetDirectory.
  bool SelectFolder(const std::string& folder);

  // The folder an item stands for.
  static std::string ItemPath(const QListWidgetItem* item);

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void Fill();

  std::string drive_ = "/";                     // root of the listed drive
  std::string dir_;                             // the open folder
  std::map<std::string, std::string> current_;  // folder last open per drive
};

// path made absolute and plain: no ".", "..", repeated or trailing "/".
std::string PlainDirPath(const std::string& path);

}  // namespace quorvane

#endif  // QUORVANE_UI_DIR_LIST_H_
