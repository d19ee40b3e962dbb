// The directory chooser and the drive layer under it: which folders the
// list shows, what a click, a double click and a change of drive send to
// the target box, and how drives are read from the mount table.
#include <QDir>
#include <QtTest>

#include "setup/path_settings.h"
#include "ui/dir_part.h"
#include "ui/fm_dir.h"
#include "ui/mount_roots.h"
#include "ui_test_main.h"
#include "window_fixture.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

std::vector<std::string> ItemPaths(const DirectoryListBox* list) {
  std::vector<std::string> out;
  for (int i = 0; i < list->count(); ++i) out.push_back(DirectoryListBox::ItemPath(list->item(i)));
  return out;
}

QListWidgetItem* ItemFor(const DirectoryListBox* list, const std::string& path) {
  for (int i = 0; i < list->count(); ++i) {
    if (DirectoryListBox::ItemPath(list->item(i)) == path) return list->item(i);
  }
  return nullptr;
}

QPoint Centre(const DirectoryListBox* list, const std::string& path) {
  QListWidgetItem* item = ItemFor(list, path);
  return item == nullptr ? QPoint(-1, -1) : list->visualItemRect(item).center();
}

}  // namespace

class DirChooserTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir root_;  // holds a/, a/b/, a/c/, a/.hidden/, a/file.txt
  std::string R(const std::string& rel) const { return root_.path().toStdString() + rel; }
  std::unique_ptr<TFmDir> dlg_;
  std::unique_ptr<StaticText> target_;

 private slots:
  void init() {
    QDir(root_.path()).mkpath("a/c");
    QDir(root_.path()).mkpath("a/B");
    QDir(root_.path()).mkpath("a/.hidden");
    QDir(root_.path()).mkpath("drive2/x");
    WriteBytes(R("/a/file.txt"), "x");
    dlg_ = std::make_unique<TFmDir>(std::vector<std::string>{"/", R("/drive2")});
    target_ = std::make_unique<StaticText>("unchanged", nullptr);
    dlg_->DirTarget = target_.get();
    dlg_->show();
    QVERIFY(QTest::qWaitForWindowExposed(dlg_.get()));
  }

  void cleanup() {
    dlg_.reset();
    target_.reset();
  }

  void DirPartTakesTheFolderOfAPath() {
    QCOMPARE(DirPart("/a/b.txt"), std::string("/a"));
    QCOMPARE(DirPart("/a/b/"), std::string("/a/b"));
    QCOMPARE(DirPart("/b.txt"), std::string("/"));
    QCOMPARE(DirPart("/"), std::string("/"));
    QCOMPARE(DirPart("b.txt"), std::string(""));
    QCOMPARE(DirPart(""), std::string(""));
  }

  void MountTableGivesRealFileSystemsRootFirst() {
    const std::string mounts =
        "overlay / overlay rw 0 0\n"
        "proc /proc proc rw 0 0\n"
        "tmpfs /dev tmpfs rw 0 0\n"
        "sysfs /sys sysfs ro 0 0\n"
        "cgroup /sys/fs/cgroup cgroup2 ro 0 0\n"
        "/dev/sdb1 /mnt/my\\040disk ext4 rw 0 0\n"
        "/dev/sda2 /home ext4 rw 0 0\n"
        "tmpfs /run/user/1000 tmpfs rw 0 0\n"
        "tmpfs /tmp tmpfs rw 0 0\n"
        "/dev/sda2 /home ext4 rw 0 0\n"
        "broken line\n";
    const std::vector<std::string> expected{"/", "/home", "/mnt/my disk", "/tmp"};
    QCOMPARE(ParseMountRoots(mounts), expected);
    QCOMPARE(ParseMountRoots(""), std::vector<std::string>{"/"});
    QCOMPARE(MountRoots().front(), std::string("/"));

    const std::vector<std::string> drives{"/", "/home", "/home/u/ext"};
    QCOMPARE(DriveOf("/home/u/ext/x", drives), std::string("/home/u/ext"));
    QCOMPARE(DriveOf("/home/u/extra", drives), std::string("/home"));
    QCOMPARE(DriveOf("/etc", drives), std::string("/"));
  }

  void ListShowsTheChainDownToTheOpenFolderThenItsSubfolders() {
    DirectoryListBox* list = dlg_->BoxDir;
    list->SetDirectory(R("/a"));
    std::vector<std::string> chain{"/"};
    for (const QString& part : QString::fromStdString(R("/a")).split('/', Qt::SkipEmptyParts)) {
      chain.push_back((chain.back() == "/" ? "" : chain.back()) + "/" + part.toStdString());
    }
    std::vector<std::string> expected = chain;
    expected.push_back(R("/a/B"));  // sorted case aside, hidden folders and files left out
    expected.push_back(R("/a/c"));
    QCOMPARE(ItemPaths(list), expected);
    QCOMPARE(DirectoryListBox::ItemPath(list->currentItem()), R("/a"));

    list->SetDirectory(R("/a/c/../B/"));
    QCOMPARE(list->Directory(), R("/a/B"));
    list->SetDirectory(R("/a/gone/deeper"));
    QCOMPARE(list->Directory(), R("/a"));
  }

  void ClickSendsTheOpenFolderNotTheClickedItem() {
    DirectoryListBox* list = dlg_->BoxDir;
    list->SetDirectory(R("/a"));
    Click(list->viewport(), Centre(list, R("/a/c")));
    QCOMPARE(target_->Text(), R("/a"));
    QCOMPARE(list->Directory(), R("/a"));
  }

  void DoubleClickSendsTheFolderOpenBeforeItThenOpens() {
    DirectoryListBox* list = dlg_->BoxDir;
    list->SetDirectory(R("/a"));
    DoubleClick(list->viewport(), Centre(list, R("/a/c")));
    QCOMPARE(list->Directory(), R("/a/c"));
    QCOMPARE(target_->Text(), R("/a"));
    // One more click on another item sends the folder just opened.
    Click(list->viewport(), Centre(list, root_.path().toStdString()));
    QCOMPARE(target_->Text(), R("/a/c"));
    // A double click on a folder of the chain goes back up.
    DoubleClick(list->viewport(), Centre(list, R("/a")));
    QCOMPARE(list->Directory(), R("/a"));
  }

  void ClickOnTheFolderTheTargetNamesKeepsIt() {
    // The list stands on the parent of the named folder, as the window
    // opens it: the named folder is one of the subfolders.
    DirectoryListBox* list = dlg_->BoxDir;
    list->SetDirectory(R("/a"));
    target_->SetText(R("/a/c"));
    Click(list->viewport(), Centre(list, R("/a/c")));
    QCOMPARE(target_->Text(), R("/a/c"));
    target_->SetText(R("/a/c/"));  // kept as it is written
    Click(list->viewport(), Centre(list, R("/a/c")));
    QCOMPARE(target_->Text(), R("/a/c/"));
    // Any other item sends the open folder, as before.
    Click(list->viewport(), Centre(list, R("/a/B")));
    QCOMPARE(target_->Text(), R("/a"));
  }

  void SpaceClicksTheCurrentItemAndEnterDoubleClicksIt() {
    DirectoryListBox* list = dlg_->BoxDir;
    list->SetDirectory(R("/a"));
    list->setCurrentItem(ItemFor(list, R("/a/c")));
    QTest::keyClick(list, Qt::Key_Space);
    QCOMPARE(target_->Text(), R("/a"));
    QCOMPARE(list->Directory(), R("/a"));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(target_->Text(), R("/a"));  // the click comes before the folder opens
    QCOMPARE(list->Directory(), R("/a/c"));
    QCOMPARE(DirectoryListBox::ItemPath(list->currentItem()), R("/a/c"));
    // Up twice: from the open folder to the one above its parent.
    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(target_->Text(), R("/a/c"));
    QCOMPARE(list->Directory(), root_.path().toStdString());
  }

  void WindowOpensTheChooserWithTheStoredFolderSelected() {
    WindowFixture f;
    const std::string stored = f.Data("res/sub");
    QDir().mkpath(QString::fromStdString(stored));
    QDir().mkpath(QString::fromStdString(f.Data("res/other")));
    f.fm->BxDiRes->SetText(stored);
    std::vector<std::string> selected;
    f.onChooser = [&](TFmDir& d) {
      for (const QListWidgetItem* item : d.BoxDir->selectedItems()) {
        selected.push_back(DirectoryListBox::ItemPath(item));
      }
      d.show();
      QVERIFY(QTest::qWaitForWindowExposed(&d));
      QVERIFY(d.BoxDir->viewport()->rect().contains(Centre(d.BoxDir, stored)));
      Click(d.BoxDir->viewport(), Centre(d.BoxDir, stored));
      d.hide();
    };
    Click(f.fm->BxDiRes);
    QCOMPARE(selected, std::vector<std::string>{stored});
    QCOMPARE(f.fm->BxDiRes->Text(), stored);
    QCOMPARE(ReadBytes(f.Exe(kDiResSetting)), stored);
  }

  void ClosingWithoutAClickLeavesTheTarget() {
    dlg_->BoxDir->SetDirectory(R("/a"));
    dlg_->close();
    QCOMPARE(target_->Text(), std::string("unchanged"));
  }

  void DriveChangeAloneLeavesTheTargetAndEachDriveKeepsItsFolder() {
    DirectoryListBox* list = dlg_->BoxDir;
    list->SetDirectory(R("/a/c"));
    QVERIFY(dlg_->BoxDisc->SetDrive(R("/drive2")));
    QCOMPARE(list->Drive(), R("/drive2"));
    QCOMPARE(list->Directory(), R("/drive2"));  // first visit: the drive's root
    QCOMPARE(target_->Text(), std::string("unchanged"));
    QCOMPARE(ItemPaths(list), (std::vector<std::string>{R("/drive2"), R("/drive2/x")}));

    Click(list->viewport(), Centre(list, R("/drive2/x")));
    QCOMPARE(target_->Text(), R("/drive2"));
    DoubleClick(list->viewport(), Centre(list, R("/drive2/x")));

    QVERIFY(dlg_->BoxDisc->SetDrive("/"));
    QCOMPARE(list->Directory(), R("/a/c"));
    QVERIFY(dlg_->BoxDisc->SetDrive(R("/drive2")));
    QCOMPARE(list->Directory(), R("/drive2/x"));
    QVERIFY(!dlg_->BoxDisc->SetDrive("/not/a/drive"));
  }

  void DialogIsAFixedAlwaysOnTopWindow() {
    QCOMPARE(dlg_->windowTitle(), QString("choice the directory"));
    QVERIFY(dlg_->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!(dlg_->windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(dlg_->size(), QSize(500, 608));
    QCOMPARE(dlg_->minimumSize(), dlg_->maximumSize());
    QCOMPARE(dlg_->PnlDisc->geometry(), QRect(0, 0, 500, 30));
    QCOMPARE(dlg_->BoxDisc->geometry(), QRect(0, 0, 500, 23));
    QCOMPARE(dlg_->BoxDir->geometry(), QRect(0, 30, 500, 578));
    QCOMPARE(dlg_->BoxDisc->font().pixelSize(), 15);
    QCOMPARE(dlg_->font().pixelSize(), 13);
    QCOMPARE(dlg_->BoxDir->visualItemRect(dlg_->BoxDir->item(0)).height(), 16);
    QCOMPARE(dlg_->BoxDisc->Drives(), (std::vector<std::string>{"/", R("/drive2")}));
    // It opens on the root drive with the process's current folder.
    TFmDir fresh({"/"});
    QCOMPARE(fresh.BoxDisc->Drive(), std::string("/"));
    QCOMPARE(fresh.BoxDir->Directory(), QDir::currentPath().toStdString());
  }
};

QUORVANE_TEST_MAIN(DirChooserTest)
#include "dir_chooser_test.moc"
