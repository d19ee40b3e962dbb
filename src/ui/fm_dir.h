// The directory chooser: a small always-on-top dialog with a drive list
// above a directory list. A click in the directory list writes the open
// folder into the target box that the main window names before showing
// it, except that a click on the folder the box already names keeps it.
// It has no OK or Cancel: what the user last clicked stands.
#ifndef QUORVANE_UI_FM_DIR_H_
#define QUORVANE_UI_FM_DIR_H_

#include <QDialog>
#include <string>
#include <vector>

#include "ui/bevel_panel.h"
#include "ui/dir_list.h"
#include "ui/drive_combo.h"
#include "ui/static_text.h"

namespace quorvane {

class TFmDir : public QDialog {
  Q_OBJECT

 public:
  // drives: the drives to offer, "/" among them. The dialog starts on
  // drive "/" with the process's current folder open, and stays hidden
  // until it is shown.
  explicit TFmDir(const std::vector<std::string>& drives, QWidget* parent = nullptr);

  Panel* PnlDisc;               // the strip along the top edge
  DriveComboBox* BoxDisc;       // the drives, inside PnlDisc
  DirectoryListBox* BoxDir;     // the folders, filling the rest
  StaticText* DirTarget = nullptr;  // the box that receives the open folder

 public slots:
  // The drive box changed: the directory list switches to that drive's
  // last open folder.
  void BoxDiscChange();
  // A click selected an item of the directory list: the target box takes
  // the open folder (not the clicked item), unless the clicked item is the
  // folder the box names already, which it then keeps. The first click of
  // a double click comes here before the folder opens.
  void BoxDirDblClick();

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  // Closing needs no steps of its own: it ends the modal showing.
  void FormClose() {}
};

}  // namespace quorvane

#endif  // QUORVANE_UI_FM_DIR_H_
