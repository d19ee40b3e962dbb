// quorvane-window-picture OUT.png [MODE]: draws the main window as it looks
// just before a run, in MODE (reads, the default, guides or pairs), on the
// offscreen platform, and saves the picture.
#include <QApplication>
#include <QPixmap>
#include <QTemporaryDir>
#include <cstdio>

#include "run/shell.h"
#include "ui/font_color.h"
#include "ui/fm_dir.h"
#include "ui/fm_trelvix.h"
#include "ui/quorvane_application.h"

int main(int argc, char** argv) {
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "usage: quorvane-window-picture OUT.png [reads|guides|pairs]\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  quorvane::QuorvaneApplication app(argc, argv);
  using namespace quorvane;

  // An empty program folder: no remembered paths are read.
  QTemporaryDir folder;
  NullShell shell;
  WindowDeps deps;
  deps.shell = &shell;
  deps.showMsg = [](QWidget*, const QString& text) { std::fprintf(stderr, "%s\n", qPrintable(text)); };
  deps.openFile = [](QWidget*, const std::string&) { return std::optional<std::string>(); };
  deps.showDir = [](TFmDir&) {};
  TFmTrelvix fm(ProgramPath{folder.path().toStdString() + "/", "quorvane"}, deps);
  fm.show();
  fm.FormActivate();

  if (argc == 3) {
    const int mode = fm.BxMode->findText(QString::fromLocal8Bit(argv[2]));
    if (mode < 0) {
      std::fprintf(stderr, "quorvane-window-picture: no mode %s\n", argv[2]);
      return 2;
    }
    fm.BxMode->setCurrentIndex(mode);
  }

  // The inputs chosen, accepted and set: the window just before "go".
  fm.BxInpGnm->SetText("/home/user/genomes/ecoli_with_lambda.fa.gz");
  fm.BxInpRds->SetText("/home/user/reads/sample_1.fq.gz");
  fm.BxDiRes->SetText("/home/user/results");
  fm.TbInpDat->SetCell(1, 1, "4,987,422 (2 seq)");
  fm.TbInpDat->SetCell(1, 2, "1,202,290");
  SetFontColor(fm.BtnAcceptData, kClBlack);
  fm.BxMisValue->setEditText("2");
  fm.BxSetMisClick();
  QApplication::processEvents();

  if (!fm.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::fprintf(stderr, "quorvane-window-picture: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
