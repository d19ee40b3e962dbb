#include "ui/dir_list.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <algorithm>
#include <filesystem>
#include <vector>

#include "common/file_msg.h"
#include "ui/item_height_delegate.h"
#include "ui/mount_roots.h"
#include "ui/press_key.h"

namespace quorvane {
namespace {

constexpr int kPathRole = Qt::UserRole;       // the folder's path, as bytes
constexpr int kLevelRole = Qt::UserRole + 1;  // depth below the drive root
constexpr int kIndent = 12;                   // pixels per level

// Indents each item by its depth.
class DirItemDelegate : public ItemHeightDelegate {
 public:
  using ItemHeightDelegate::ItemHeightDelegate;
  void paint(QPainter* p, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QStyleOptionViewItem o = option;
    o.rect.adjust(index.data(kLevelRole).toInt() * kIndent, 0, 0, 0);
    ItemHeightDelegate::paint(p, o, index);
  }
};

QString Shown(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

// The visible subfolders of dir, by name, case aside.
std::vector<std::string> SubFolders(const std::string& dir) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;  // hidden, as on other desktops
    std::error_code dirEc;
    if (it->is_directory(dirEc)) names.push_back(name);
  }
  auto folded = [](std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
  };
  std::sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
    const std::string fa = folded(a), fb = folded(b);
    return fa != fb ? fa < fb : a < b;
  });
  return names;
}

std::string Join(const std::string& dir, const std::string& name) { return dir == "/" ? "/" + name : dir + "/" + name; }

}  // namespace

std::string PlainDirPath(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path p(path.empty() ? "." : path);
  if (p.is_relative()) p = fs::current_path(ec) / p;
  std::string s = p.lexically_normal().string();
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  return s.empty() ? "/" : s;
}

DirectoryListBox::DirectoryListBox(int itemHeight, QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new DirItemDelegate(itemHeight, this));
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  connect(this, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { SetDirectory(ItemPath(item)); });
  std::error_code ec;
  SetDirectory(std::filesystem::current_path(ec).string());
}

std::string DirectoryListBox::ItemPath(const QListWidgetItem* item) {
  return item == nullptr ? std::string() : item->data(kPathRole).toByteArray().toStdString();
}

bool DirectoryListBox::SelectFolder(const std::string& folder) {
  const std::string plain = PlainDirPath(folder);
  for (int i = 0; i < count(); ++i) {
    if (ItemPath(item(i)) != plain) continue;
    setCurrentItem(item(i));
    scrollToItem(item(i));
    return true;
  }
  return false;
}

void DirectoryListBox::keyPressEvent(QKeyEvent* e) {
  QListWidgetItem* current = currentItem();
  if (!IsPressKey(*e) || current == nullptr) {
    QListWidget::keyPressEvent(e);
    return;
  }
  e->accept();
  if (e->isAutoRepeat()) return;
  emit itemClicked(current);
  if (IsEnterKey(*e)) emit itemDoubleClicked(current);
}

void DirectoryListBox::SetDrive(const std::string& drive) {
  if (drive.empty()) return;
  current_[drive_] = dir_;
  drive_ = drive;
  const auto it = current_.find(drive);
  SetDirectory(it != current_.end() ? it->second : drive);
}

void DirectoryListBox::SetDirectory(const std::string& dir) {
  std::string d = PlainDirPath(dir);
  while (d != "/" && !DirExists(d)) d = PlainDirPath(d + "/..");
  if (!PathUnder(d, drive_)) drive_ = "/";
  dir_ = d;
  current_[drive_] = dir_;
  Fill();
}

void DirectoryListBox::Fill() {
  clear();
  const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
  auto add = [&](const std::string& path, const std::string& label, int level, const QIcon& icon) {
    auto* item = new QListWidgetItem(icon, Shown(label), this);
    item->setData(kPathRole, QByteArray(path.data(), static_cast<qsizetype>(path.size())));
    item->setData(kLevelRole, level);
    return item;
  };
  // The chain from the drive root down to the open folder.
  int level = 0;
  QListWidgetItem* open = add(drive_, drive_, level, openIcon);
  std::string at = drive_;
  const std::string rest = dir_.size() > drive_.size() ? dir_.substr(drive_ == "/" ? 1 : drive_.size() + 1) : "";
  size_t from = 0;
  while (from < rest.size()) {
    size_t slash = rest.find('/', from);
    if (slash == std::string::npos) slash = rest.size();
    const std::string name = rest.substr(from, slash - from);
    at = Join(at, name);
    open = add(at, name, ++level, openIcon);
    from = slash + 1;
  }
  for (const std::string& name : SubFolders(dir_)) add(Join(dir_, name), name, level + 1, closedIcon);
  setCurrentItem(open);
}

}  // namespace quorvane
