#include "ui/fm_dir.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>

#include "ui/ui_font.h"

namespace quorvane {
namespace {

constexpr int kLeft = 836, kTop = 206;  // where the dialog opens
constexpr int kWidth = 500;             // outer width, set at creation
constexpr int kHeight = 608;            // client height
constexpr int kPnlDiscHeight = 30;
constexpr int kBoxDiscHeight = 23;
constexpr int kBoxDirItemHeight = 16;

// x, y moved just enough that a w x h window lies on the screen.
QPoint OnScreen(int x, int y, int w, int h) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return {x, y};
  const QRect a = screen->availableGeometry();
  x = std::max(a.left(), std::min(x, a.right() + 1 - w));
  y = std::max(a.top(), std::min(y, a.bottom() + 1 - h));
  return {x, y};
}

}  // namespace

TFmDir::TFmDir(const std::vector<std::string>& drives, QWidget* parent) : QDialog(parent) {
  setObjectName("FmDir");
  setWindowTitle("choice the directory");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
  setFont(UiFont("MS Sans Serif", 13));
  setFixedSize(kWidth, kHeight);
  move(OnScreen(kLeft, kTop, kWidth, kHeight));

  PnlDisc = new Panel(QString(), this);
  PnlDisc->setObjectName("PnlDisc");
  PnlDisc->setGeometry(0, 0, width(), kPnlDiscHeight);

  BoxDisc = new DriveComboBox(drives, PnlDisc);
  BoxDisc->setObjectName("BoxDisc");
  BoxDisc->setFont(UiFont("Arial", 15));
  BoxDisc->setGeometry(0, 0, PnlDisc->width(), kBoxDiscHeight);
  BoxDisc->SetDrive("/");

  BoxDir = new DirectoryListBox(kBoxDirItemHeight, this);
  BoxDir->setObjectName("BoxDir");
  BoxDir->setGeometry(0, kPnlDiscHeight, width(), height() - kPnlDiscHeight);

  setTabOrder(BoxDisc, BoxDir);
  connect(BoxDisc, &DriveComboBox::driveChanged, this, &TFmDir::BoxDiscChange);
  connect(BoxDir, &QListWidget::itemClicked, this, &TFmDir::BoxDirDblClick);
}

void TFmDir::BoxDiscChange() { BoxDir->SetDrive(BoxDisc->Drive()); }

void TFmDir::BoxDirDblClick() {
  if (DirTarget == nullptr) return;
  // The list opens on the parent of the folder the box names, where that
  // folder is an item below the open one: a click on it keeps it rather
  // than sending the parent. The clicked item is the current one.
  const std::string& named = DirTarget->Text();
  const std::string clicked = DirectoryListBox::ItemPath(BoxDir->currentItem());
  if (!named.empty() && !clicked.empty() && clicked == PlainDirPath(named)) return;
  DirTarget->SetText(BoxDir->Directory());
}

void TFmDir::closeEvent(QCloseEvent* e) {
  FormClose();
  QDialog::closeEvent(e);
}

}  // namespace quorvane
