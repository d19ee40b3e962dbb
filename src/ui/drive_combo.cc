#include "ui/drive_combo.h"

namespace quorvane {
namespace {

QString Shown(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

QByteArray Bytes(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

DriveComboBox::DriveComboBox(const std::vector<std::string>& drives, QWidget* parent) : QComboBox(parent) {
  setEditable(false);
  for (const std::string& d : drives) addItem(Shown(d), Bytes(d));
  connect(this, &QComboBox::currentIndexChanged, this, [this] { emit driveChanged(); });
}

std::vector<std::string> DriveComboBox::Drives() const {
  std::vector<std::string> out;
  for (int i = 0; i < count(); ++i) out.push_back(itemData(i).toByteArray().toStdString());
  return out;
}

std::string DriveComboBox::Drive() const {
  return currentIndex() < 0 ? std::string() : currentData().toByteArray().toStdString();
}

bool DriveComboBox::SetDrive(const std::string& drive) {
  const int i = findData(Bytes(drive));
  if (i < 0) return false;
  setCurrentIndex(i);
  return true;
}

}  // namespace quorvane
