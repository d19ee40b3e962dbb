#include "ui/window_deps.h"

#include <QFile>
#include <QFileDialog>
#include <QAbstractButton>
#include <QMessageBox>

#include "ui/fm_dir.h"

namespace quorvane {
namespace {

// The title of message boxes. For an empty one the platform puts the
// application's name in the title bar; a single blank shows as empty.
const char* const kBlankTitle = " ";

}  // namespace

void ShowMsgBox(QWidget* owner, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, kBlankTitle, text, QMessageBox::Ok, owner);
  box.setWindowModality(Qt::ApplicationModal);
  // Some styles put an icon on the button; the box shows none at all.
  if (QAbstractButton* ok = box.button(QMessageBox::Ok)) ok->setIcon(QIcon());
  box.exec();
}

bool AskYesNo(QWidget* owner, const QString& question) {
  QMessageBox box(QMessageBox::NoIcon, kBlankTitle, question, QMessageBox::Yes | QMessageBox::No, owner);
  box.setWindowModality(Qt::ApplicationModal);
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  for (QAbstractButton* b : box.buttons()) b->setIcon(QIcon());
  return box.exec() == QMessageBox::Yes;
}

QStringList OpenFileFilters() {
  return {"All files (*)", "FASTA (*.fa *.fasta *.fna *.fas *.fa.gz *.fasta.gz *.fna.gz *.fas.gz)",
          "FASTQ (*.fq *.fastq *.fq.gz *.fastq.gz)", "Plain genome or reads (*.txt *.txt.gz)",
          "Saved index (*.qvi)"};
}

std::optional<std::string> AskOpenFile(QWidget* owner, const std::string& folder) {
  QFileDialog dialog(owner);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // Every file by default: the content decides the format, never the name.
  dialog.setNameFilters(OpenFileFilters());
  if (!folder.empty()) dialog.setDirectory(QFile::decodeName(QByteArray::fromStdString(folder)));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return QFile::encodeName(dialog.selectedFiles().first()).toStdString();
}

WindowDeps DesktopDeps(Shell& shell) {
  WindowDeps deps;
  deps.showMsg = ShowMsgBox;
  deps.openFile = AskOpenFile;
  deps.showDir = [](TFmDir& chooser) { chooser.exec(); };
  deps.ask = AskYesNo;
  deps.shell = &shell;
  return deps;
}

}  // namespace quorvane
