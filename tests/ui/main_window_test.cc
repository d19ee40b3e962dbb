// The main window without a run: its layout, the two set-up states event
// by event, "set", the input checks as the window shows them, the choice
// of files and of the results folder, the remembered paths, the first
// activation and help.
#include <QFontInfo>
#include <QMessageBox>
#include <QTimer>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QtTest>
#include <sys/stat.h>

#include "setup/path_settings.h"
#include "ui/font_color.h"
#include "ui/handler_guard.h"
#include "ui_test_main.h"
#include "window_fixture.h"
#include "window_looks.h"

using namespace quorvane;
using namespace quorvane::test;

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void WindowAndControlsFollowTheLayout() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    QCOMPARE(fm.size(), QSize(900, 275));
    const int screenWidth = QGuiApplication::primaryScreen()->geometry().width();
    QCOMPARE(fm.pos(), QPoint((screenWidth - 900) / 2, 0));
    QCOMPARE(fm.windowTitle(), QString("           it detects the reads inclusion into genome, allowing a few mismatches"));

    struct Expect {
      const char* name;
      QRect geometry;
      QString caption;
    };
    const Expect expected[] = {
        {"BtnAcceptData", {152, 75, 150, 22}, "accept input Files"},
        {"BtnCancel", {8, 75, 80, 22}, "Cancel"},
        {"PnlExe", {335, 110, 520, 100}, ""},
        {"BtnHelp", {441, 10, 25, 25}, "?"},
        {"BxTime", {255, 40, 80, 25}, ""},
        {"CountInpRds", {110, 40, 129, 25}, ""},
        {"BtnGo", {392, 40, 75, 25}, "go"},
        {"BxShowRdsMis", {110, 75, 225, 17}, "     show  Read mismatches"},
        {"TbInpDat", {0, 105, 320, 120}, ""},
        {"BxSetMis", {240, 182, 65, 25}, "set"},
        {"TitInpGnm", {2, 0, 150, 20}, " file of Genome"},
        {"TitInpRds", {2, 25, 150, 20}, " file of Reads"},
        {"TitDiRes", {2, 50, 150, 20}, " dir of Results"},
        {"BxInpGnm", {154, 0, 700, 21}, ""},
        {"BxInpRds", {154, 25, 700, 20}, ""},
        {"BxDiRes", {154, 50, 700, 20}, ""},
        {"BxMisValue", {160, 182, 75, 25}, "misNu"},
        {"BxProcNm", {335, 75, 521, 22}, ""},
    };
    for (const Expect& e : expected) {
      auto* w = fm.findChild<QWidget*>(e.name);
      QVERIFY2(w != nullptr, e.name);
      QCOMPARE(w->geometry(), e.geometry);
      QString caption;
      if (auto* b = qobject_cast<QAbstractButton*>(w)) caption = b->text();
      if (auto* p = qobject_cast<Panel*>(w)) caption = p->Caption();
      if (auto* t = qobject_cast<QLabel*>(w)) caption = t->text();
      if (auto* c = qobject_cast<QComboBox*>(w)) caption = c->currentText();
      QCOMPARE(caption, e.caption);
    }
    QCOMPARE(fm.BtnHelp->parentWidget(), fm.PnlExe);
    QCOMPARE(fm.BxShowRdsMis->parentWidget(), fm.PnlExe);
    QCOMPARE(fm.BxTime->EditLabel()->text(), QString("seconds"));
    QCOMPARE(fm.CountInpRds->EditLabel()->text(), QString(" processed readsNu "));
    QCOMPARE(fm.CountInpRds->EditLabel()->geometry().bottom() + 1 + 3, fm.CountInpRds->y());

    QCOMPARE(FontColor(fm.BtnAcceptData), kClRed);
    QCOMPARE(FontColor(fm.BtnCancel), kClBlue);
    QCOMPARE(FontColor(fm.BxSetMis), kClRed);
    QCOMPARE(BackColor(fm.BxShowRdsMis), kClMoneyGreen);
    for (QWidget* w : {static_cast<QWidget*>(fm.TitInpGnm), static_cast<QWidget*>(fm.BxDiRes),
                       static_cast<QWidget*>(fm.BxProcNm)}) {
      QCOMPARE(BackColor(w), InfoColor());
    }
    QCOMPARE(fm.BxSetMis->BevelInner(), Bevel::kRaised);
    QCOMPARE(fm.BxSetMis->BevelOuter(), Bevel::kNone);
    QCOMPARE(fm.BxSetMis->BevelWidth(), 2);
    QVERIFY(fm.BxSetMis->BorderSingle());

    QCOMPARE(QFontInfo(fm.font()).pixelSize(), 15);
    QVERIFY(!QFontInfo(fm.font()).fixedPitch());
    QCOMPARE(fm.BtnHelp->font().pixelSize(), 17);
    QVERIFY(fm.BtnHelp->font().bold());
    QVERIFY(fm.BtnGo->font().bold());
    QCOMPARE(fm.BxSetMis->font().pixelSize(), 18);

    QCOMPARE(fm.TbInpDat->columnCount(), 2);
    QCOMPARE(fm.TbInpDat->rowCount(), 4);
    QCOMPARE(fm.TbInpDat->columnWidth(0), 150);
    QCOMPARE(fm.TbInpDat->rowHeight(0), 24);
    const char* cells[][2] = {{"input", "data"}, {"genome Length", ""}, {"reads file Size( byte)", ""},
                              {"misMatches = OR <", ""}};
    for (int r = 0; r < 4; ++r) {
      for (int c = 0; c < 2; ++c) QCOMPARE(fm.TbInpDat->Cell(c, r), QString(cells[r][c]));
    }
    QStringList items;
    for (int i = 0; i < fm.BxMisValue->count(); ++i) items << fm.BxMisValue->itemText(i);
    QCOMPARE(items, QStringList({"0", "1", "2", "3"}));

    // The keyboard visits the focusable controls in their tab order.
    QList<QWidget*> chain{fm.BtnHelp};
    for (QWidget* w = fm.BtnHelp->nextInFocusChain(); w != fm.BtnHelp; w = w->nextInFocusChain()) {
      const bool control = !w->objectName().isEmpty() && !w->objectName().startsWith("qt_");
      if (control && (w->focusPolicy() & Qt::TabFocus)) chain << w;
    }
    QCOMPARE(chain, TabOrder(fm));
  }

  void StatesFollowEveryEventOfTheTable() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    WriteInputs(f);
    COMPARE_LOOK(LookOf(fm), (Look{true, true, true, "misNu", "go"}));

    Click(fm.BtnAcceptData);
    COMPARE_LOOK(LookOf(fm), (Look{false, true, true, "misNu", "go"}));

    SetMis(fm, "2");
    COMPARE_LOOK(LookOf(fm), (Look{false, false, false, "2", "go"}));
    QCOMPARE(fm.MisNu(), 2);

    // Another text in the mismatch box opens the setting again.
    fm.BxMisValue->setEditText("0");
    COMPARE_LOOK(LookOf(fm), (Look{false, true, true, "0", "go"}));
    SetMis(fm, "2");

    // A second click on a set panel undoes the setting.
    Click(fm.BxSetMis);
    COMPARE_LOOK(LookOf(fm), (Look{false, true, true, "misNu", "go"}));

    SetMis(fm, "1");
    fm.BtnGo->setText("done");
    Click(fm.BtnCancel);  // both open; the box and the caption stay
    COMPARE_LOOK(LookOf(fm), (Look{true, true, true, "1", "done"}));

    SetMis(fm, "3");
    Click(fm.BtnAcceptData);
    fm.BtnGo->setText("done");
    f.fileAnswers.push_back(f.Data("r.txt"));
    Click(fm.BxInpRds);  // a choice opens the set state alone
    COMPARE_LOOK(LookOf(fm), (Look{false, true, true, "misNu", "go"}));

    SetMis(fm, "0");
    fm.BtnGo->setText("done");
    Click(fm.BxDiRes);  // so does closing the chooser
    COMPARE_LOOK(LookOf(fm), (Look{false, true, true, "misNu", "go"}));

    // "go" while a state is open refuses and changes nothing.
    f.msgs.clear();
    Click(fm.BtnGo);
    QCOMPARE(f.msgs, std::vector<std::string>{"red button"});
    COMPARE_LOOK(LookOf(fm), (Look{false, true, true, "misNu", "go"}));
    QVERIFY(QDir(QString::fromStdString(f.Data("res"))).isEmpty());
  }

  void SetAcceptsOneDigitUpToThree() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    for (const char* ok : {"0", "1", "2", "3"}) {
      f.msgs.clear();
      SetMis(fm, ok);
      QVERIFY(f.msgs.empty());
      QVERIFY(!fm.SetStateOpen());
      QCOMPARE(fm.MisNu(), ok[0] - '0');
      Click(fm.BxSetMis);  // undo, for the next value
    }
    for (const char* big : {"4", "9"}) {
      f.msgs.clear();
      SetMis(fm, big);
      QCOMPARE(f.msgs, std::vector<std::string>{"misNu is big"});
      QVERIFY(fm.SetStateOpen());
    }
    for (const char* bad : {"misNu", "", "12", "1 ", " 1", "x", "-"}) {
      f.msgs.clear();
      SetMis(fm, bad);
      QCOMPARE(f.msgs, std::vector<std::string>{"uknown misNu value"});
      QVERIFY(fm.SetStateOpen());
      QCOMPARE(fm.BxMisValue->currentText(), QString(bad));
    }
    QCOMPARE(fm.MisNu(), 3);  // the last valid value stays

    // A valid "set" ends editing in the grid; typed values are never read.
    fm.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fm));
    fm.TbInpDat->editItem(fm.TbInpDat->item(1, 1));
    QVERIFY(fm.TbInpDat->Editing());
    SetMis(fm, "1");
    QVERIFY(!fm.TbInpDat->Editing());
  }

  void AcceptShowsEachFailedCheckAndKeepsWhatWasTakenOver() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    // Nothing chosen: the genome is missing, and the button still turns black.
    Click(fm.BtnAcceptData);
    QCOMPARE(f.msgs, std::vector<std::string>{" file of Genome does not exist"});
    QVERIFY(!fm.AcceptStateOpen());
    QCOMPARE(fm.TbInpDat->Cell(1, 1), QString());

    // A folder is no genome file.
    f.msgs.clear();
    fm.BxInpGnm->SetText(f.dataDir.path().toStdString());
    Click(fm.BtnAcceptData);
    QCOMPARE(f.msgs, std::vector<std::string>{" file of Genome does not exist"});

    // Missing reads: the genome's path and size are taken over, the rest not.
    WriteInputs(f);
    WriteBytes(f.Data("g.txt"), std::string(1234, 'A') + "\n");
    fm.BxInpRds->SetText(f.Data("none.txt"));
    f.msgs.clear();
    Click(fm.BtnAcceptData);
    QCOMPARE(f.msgs, std::vector<std::string>{" file of Reads does not exist"});
    QCOMPARE(fm.Inputs().PthGnm, f.Data("g.txt"));
    QCOMPARE(fm.Inputs().gnmLen, 1235);
    QCOMPARE(fm.TbInpDat->Cell(1, 1).remove(QRegularExpression("[^0-9]")), QString("1235"));
    QCOMPARE(fm.Inputs().PthRds, f.Data("none.txt"));
    QCOMPARE(fm.Inputs().DiRes, std::string());
    QCOMPARE(fm.TbInpDat->Cell(1, 2), QString());

    // An empty reads file: its size, then no separator.
    WriteBytes(f.Data("empty.txt"), "");
    fm.BxInpRds->SetText(f.Data("empty.txt"));
    f.msgs.clear();
    Click(fm.BtnAcceptData);
    QCOMPARE(fm.TbInpDat->Cell(1, 2), QString("0"));
    QCOMPARE(f.msgs, std::vector<std::string>{"separator of reads '\\n' not found"});

    // The first line must end within the first 1026 bytes: a read of 1024
    // letters with CR LF at most.
    const struct {
      std::string content;
      bool passes;
    } firstLines[] = {{std::string(1024, 'A') + "\r\n", true},
                      {std::string(1026, 'A') + "\n", false},
                      {std::string(500, 'A'), false},
                      {"ACGTACGTACGT\r\nACGTACGTACGT\r\n", true}};
    for (const auto& c : firstLines) {
      WriteBytes(f.Data("r.txt"), c.content);
      fm.BxInpRds->SetText(f.Data("r.txt"));
      f.msgs.clear();
      Click(fm.BtnAcceptData);
      QCOMPARE(f.msgs.empty(), c.passes);
    }

    // A missing results folder is the last check.
    fm.BxDiRes->SetText(f.Data("nowhere"));
    f.msgs.clear();
    Click(fm.BtnAcceptData);
    QCOMPARE(f.msgs, std::vector<std::string>{" dir of Results does not exist"});
    QCOMPARE(fm.Inputs().DiRes, f.Data("nowhere"));
    QVERIFY(!fm.AcceptStateOpen());
  }

  void AcceptTakesTheLastTextsOverAndTypedCellsStayWhereNoCheckRan() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    WriteInputs(f);
    Click(fm.BtnAcceptData);
    QVERIFY(f.msgs.empty());
    QCOMPARE(fm.TbInpDat->Cell(1, 1), QString("40"));
    QCOMPARE(fm.TbInpDat->Cell(1, 2), QString("26"));
    QCOMPARE(fm.Inputs().DiRes, f.Data("res"));

    // A new choice after accepting changes nothing taken over until the
    // next accept.
    WriteBytes(f.Data("g2.txt"), std::string(50, 'C'));
    f.fileAnswers.push_back(f.Data("g2.txt"));
    Click(fm.BxInpGnm);
    QCOMPARE(fm.Inputs().PthGnm, f.Data("g.txt"));
    QVERIFY(!fm.AcceptStateOpen());
    Click(fm.BtnAcceptData);
    QCOMPARE(fm.Inputs().PthGnm, f.Data("g2.txt"));
    QCOMPARE(fm.Inputs().gnmLen, 50);

    // The reads check fails: the reads cell keeps what the user typed there.
    fm.TbInpDat->SetCell(1, 2, "typed");
    fm.BxInpGnm->SetText("");
    Click(fm.BtnAcceptData);
    QCOMPARE(fm.TbInpDat->Cell(1, 1), QString("50"));
    QCOMPARE(fm.TbInpDat->Cell(1, 2), QString("typed"));
  }

  void ChoosingAFileStoresItAndCancellingChangesNothing() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    fm.BxInpGnm->SetText("/data/genomes/old.txt");
    Click(fm.BtnAcceptData);
    SetMis(fm, "1");
    f.msgs.clear();
    std::vector<QColor> during;
    f.onFileDialog = [&] { during.push_back(BackColor(fm.BxInpGnm)); };

    // Cancelled: the dialog started in the box's folder; nothing changed.
    Click(fm.BxInpGnm);
    QCOMPARE(f.fileFolders, std::vector<std::string>{"/data/genomes"});
    QCOMPARE(fm.BxInpGnm->Text(), std::string("/data/genomes/old.txt"));
    QVERIFY(!QFile::exists(QString::fromStdString(f.Exe(kPthGnmSetting))));
    COMPARE_LOOK(LookOf(fm), (Look{false, false, false, "1", "go"}));
    QCOMPARE(BackColor(fm.BxInpGnm), InfoColor());

    // Chosen: the box and its settings file take the path, byte for byte.
    const std::string chosen = "/data/new genomes/g\xc3\xa9nome.txt";
    f.fileAnswers.push_back(chosen);
    Click(fm.BxInpGnm);
    QCOMPARE(fm.BxInpGnm->Text(), chosen);
    QCOMPARE(ReadBytes(f.Exe(kPthGnmSetting)), chosen);
    QVERIFY(!QFile::exists(QString::fromStdString(f.Exe(kPthRdsSetting))));
    COMPARE_LOOK(LookOf(fm), (Look{false, true, true, "misNu", "go"}));
    QCOMPARE(BackColor(fm.BxInpGnm), InfoColor());
    QCOMPARE(during, (std::vector<QColor>{kClWhite, kClWhite}));
    QVERIFY(f.msgs.empty());

    // The reads box has a settings file of its own; a path without a
    // folder starts the dialog without one.
    fm.BxInpRds->SetText("reads.txt");
    f.fileAnswers.push_back("/r/reads.txt");
    Click(fm.BxInpRds);
    QCOMPARE(f.fileFolders.back(), std::string());
    QCOMPARE(ReadBytes(f.Exe(kPthRdsSetting)), std::string("/r/reads.txt"));
    QCOMPARE(ReadBytes(f.Exe(kPthGnmSetting)), chosen);
  }

  void ChooserOpensOnTheParentAndItsResultIsSavedOnClose() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    QDir().mkpath(QString::fromStdString(f.Data("res/sub")));
    fm.BxDiRes->SetText(f.Data("res/sub"));
    std::string shownDir, shownDrive;
    bool targetIsBox = false;
    QColor background;
    f.onChooser = [&](TFmDir& d) {
      shownDir = d.BoxDir->Directory();
      shownDrive = d.BoxDisc->Drive();
      targetIsBox = d.DirTarget == fm.BxDiRes;
      background = BackColor(fm.BxDiRes);
    };
    Click(fm.BxDiRes);
    QCOMPARE(f.chooserShown, 1);
    QCOMPARE(shownDir, f.Data("res"));
    QCOMPARE(shownDrive, std::string("/"));
    QVERIFY(targetIsBox);
    QCOMPARE(background, kClWhite);
    QCOMPARE(BackColor(fm.BxDiRes), InfoColor());
    QCOMPARE(ReadBytes(f.Exe(kDiResSetting)), f.Data("res/sub"));  // closed at once: unchanged text saved

    // The user opens another folder and clicks: that folder is saved.
    f.onChooser = [&](TFmDir& d) {
      d.BoxDir->SetDirectory(f.Data("res"));
      d.BoxDirDblClick();
    };
    Click(fm.BxDiRes);
    QCOMPARE(fm.BxDiRes->Text(), f.Data("res"));
    QCOMPARE(ReadBytes(f.Exe(kDiResSetting)), f.Data("res"));
    QCOMPARE(fm.Inputs().DiRes, std::string());  // taken over only by accept

    // A box that names no folder leaves the chooser where it was; an empty
    // box is saved as an empty file.
    f.onChooser = [&](TFmDir& d) { shownDir = d.BoxDir->Directory(); };
    fm.BxDiRes->SetText("");
    Click(fm.BxDiRes);
    QCOMPARE(shownDir, f.Data("res"));
    QVERIFY(QFile::exists(QString::fromStdString(f.Exe(kDiResSetting))));
    QCOMPARE(ReadBytes(f.Exe(kDiResSetting)), std::string());
  }

  void SettingsAreLoadedOnceAtTheFirstActivation() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    WriteBytes(f.Exe(kPthRdsSetting), "/r/reads.txt\nignored");
    WriteBytes(f.Exe(kPthGnmSetting), std::string(1200, 'g'));
    fm.BxShowRdsMis->setChecked(true);
    f.ShowAndActivate();
    QCOMPARE(fm.BxProcNm->Caption(), QString("proc name::  quorvane"));
    QVERIFY(!fm.BxShowRdsMis->isChecked());
    QCOMPARE(fm.BxInpRds->Text(), std::string("/r/reads.txt\n"));  // the line feed stays
    QCOMPARE(fm.Inputs().PthRds, std::string("/r/reads.txt\n"));
    QCOMPARE(fm.BxInpGnm->Text(), std::string(998, 'g'));
    QCOMPARE(fm.Inputs().PthGnm, std::string(998, 'g'));
    QCOMPARE(fm.BxDiRes->Text(), std::string());  // no file: empty, no message
    QVERIFY(f.msgs.empty());

    // A path with a line feed is no file.
    Click(fm.BtnAcceptData);
    QCOMPARE(f.msgs, std::vector<std::string>{" file of Genome does not exist"});

    // Coming back to the window reads nothing again; the user's mark stays.
    WriteBytes(f.Exe(kPthRdsSetting), "/other.txt");
    fm.BxShowRdsMis->setChecked(true);
    QEvent deactivate(QEvent::WindowDeactivate), activate(QEvent::WindowActivate);
    QApplication::sendEvent(&fm, &deactivate);
    QApplication::sendEvent(&fm, &activate);
    QCoreApplication::processEvents();
    QCOMPARE(fm.BxInpRds->Text(), std::string("/r/reads.txt\n"));
    QVERIFY(fm.BxShowRdsMis->isChecked());
    Click(fm.BxDiRes);
    QVERIFY(fm.BxShowRdsMis->isChecked());
  }

  void SettingsFileThatCannotBeWrittenIsReportedAndTheChoiceStays() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    QDir().mkpath(QString::fromStdString(f.Exe(kPthGnmSetting)));  // a folder in its place
    f.fileAnswers.push_back("/g/new.txt");
    Click(fm.BxInpGnm);
    QCOMPARE(f.msgs, std::vector<std::string>{"can't open " + f.Exe(kPthGnmSetting)});
    QCOMPARE(fm.BxInpGnm->Text(), std::string("/g/new.txt"));
    QVERIFY(fm.SetStateOpen());
  }

  void HelpOpensTheHelpTextOfTheProgramsFolderWhenItIsThere() {
    WindowFixture f;
    Click(f.fm->BtnHelp);
    QVERIFY(f.shell.opened.empty());
    QVERIFY(f.msgs.empty());
    WriteBytes(f.Exe("Help_Quorvane.txt"), "help");
    Click(f.fm->BtnHelp);
    QCOMPARE(f.shell.opened, std::vector<std::string>{"doc " + f.Exe("Help_Quorvane.txt")});
  }

  void TheFileDialogOffersEveryFileFirstThenTheFormats() {
    const QStringList filters = OpenFileFilters();
    QCOMPARE(filters.first(), QString("All files (*)"));
    QVERIFY(filters.join(' ').contains("*.fq.gz"));
    QVERIFY(filters.join(' ').contains("*.fa.gz"));
  }

  void EachSizeCellIsWrittenWhenItsCheckMeasuresIt() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    WriteInputs(f);
    Click(fm.BtnAcceptData);
    QCOMPARE(fm.TbInpDat->Cell(1, 1), QString("40"));
    // A new genome, and reads without a line end: the message of the reads
    // check shows beside the new genome's size, not the old one.
    WriteBytes(f.Data("g2.fa"), ">a\n" + std::string(50, 'C') + "\n>b\nACGT\n");
    WriteBytes(f.Data("r2.txt"), std::string(2000, 'A'));
    fm.BxInpGnm->SetText(f.Data("g2.fa"));
    fm.BxInpRds->SetText(f.Data("r2.txt"));
    QString genomeCell, readsCell;
    f.onMsg = [&](const std::string&) {
      genomeCell = fm.TbInpDat->Cell(1, 1);
      readsCell = fm.TbInpDat->Cell(1, 2);
    };
    Click(fm.BtnAcceptData);
    QCOMPARE(f.msgs.back(), std::string("separator of reads '\\n' not found"));
    QCOMPARE(genomeCell, QString("54 (2 seq)"));
    QCOMPARE(readsCell.remove(QRegularExpression("[^0-9]")), QString("2000"));
  }
};

QUORVANE_TEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
