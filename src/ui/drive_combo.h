// A drop-down list of the machine's drives: on Linux the roots of the
// mounted file systems.
#ifndef QUORVANE_UI_DRIVE_COMBO_H_
#define QUORVANE_UI_DRIVE_COMBO_H_

#include <QComboBox>
#include <string>
#include <vector>

namespace quorvane {

class DriveComboBox : public QComboBox {
  Q_OBJECT

 public:
  // Lists drives, the first selected.
  DriveComboBox(const std::vector<std::string>& drives, QWidget* parent);

  // The drives listed, in their order.
  std::vector<std::string> Drives() const;

  // The selected drive ("" when the list is empty).
  std::string Drive() const;

  // Selects drive when it is listed; returns whether it is. Selecting
  // another drive than before emits driveChanged, as the user's choice does.
  bool SetDrive(const std::string& drive);

 signals:
  // The selected drive changed, by the user or by SetDrive.
  void driveChanged();
};

}  // namespace quorvane

#endif  // QUORVANE_UI_DRIVE_COMBO_H_
