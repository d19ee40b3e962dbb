// The window from the keyboard, its shape when space is short, its message
// boxes and what happens to an error in a handler.
#include <QFontInfo>
#include <QMessageBox>
#include <QTimer>
#include <QGuiApplication>
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

class WindowControlsTest : public QObject {
  Q_OBJECT

 private slots:
  void NewMismatchTextAfterSetOpensTheSetStateSoGoRefuses() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    f.ShowAndActivate();
    WriteInputs(f);
    Click(fm.BtnAcceptData);
    QComboBox* box = fm.BxMisValue;
    // Typed over: the box shows 0 while the limit set is still 2.
    SetMis(fm, "2");
    box->setFocus(Qt::TabFocusReason);
    box->lineEdit()->selectAll();
    QTest::keyClick(box->lineEdit(), Qt::Key_0);
    COMPARE_LOOK(LookOf(fm), (Look{false, true, true, "0", "go"}));
    QCOMPARE(fm.MisNu(), 2);
    Click(fm.BtnGo);
    QCOMPARE(f.msgs, std::vector<std::string>{"red button"});
    QVERIFY(QDir(QString::fromStdString(f.Data("res"))).isEmpty());
    // Picked from the list with the arrow keys.
    SetMis(fm, "0");
    QCOMPARE(fm.MisNu(), 0);
    box->setCurrentIndex(0);
    QTest::keyClick(box, Qt::Key_Down);
    COMPARE_LOOK(LookOf(fm), (Look{false, true, true, "1", "go"}));
    // "set" takes the new limit; the same text again keeps it set.
    Click(fm.BxSetMis);
    QCOMPARE(fm.MisNu(), 1);
    box->setEditText("1");
    QVERIFY(!fm.SetStateOpen());
  }

  void TabVisitsEveryControlThatTakesAClickAndTheGridOnce() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    f.ShowAndActivate();
    fm.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&fm));
    // The PAM box is enabled in guides mode only, the mates 2 box and the
    // pair fields shown in pairs mode only; Tab passes them over.
    QList<QWidget*> order = TabOrder(fm);
    order.removeIf([&fm](QWidget* w) { return !w->isEnabled() || !w->isVisibleTo(&fm); });
    auto press = [](Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
      QTest::keyClick(QApplication::focusWidget(), key, mods);
    };
    fm.BtnHelp->setFocus(Qt::TabFocusReason);
    for (qsizetype i = 1; i <= order.size(); ++i) {
      press(Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), order[i % order.size()]);
    }
    for (qsizetype i = order.size() - 1; i >= 0; --i) {
      press(Qt::Key_Tab, Qt::ShiftModifier);
      QCOMPARE(QApplication::focusWidget(), order[i]);
    }
    // Ctrl+Tab leaves the grid as well, either way.
    fm.TbInpDat->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(QApplication::focusWidget(), fm.BxSetMis);
    fm.TbInpDat->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), fm.BxShowRdsMis);
    // So do Tab and Ctrl+Tab from a cell being edited, which keeps what was typed.
    const struct {
      Qt::KeyboardModifiers mods;
      QWidget* next;
    } fromEditor[] = {{Qt::NoModifier, fm.BxSetMis},
                      {Qt::ShiftModifier, fm.BxShowRdsMis},
                      {Qt::ControlModifier, fm.BxSetMis}};
    for (const auto& c : fromEditor) {
      fm.TbInpDat->setFocus(Qt::TabFocusReason);
      fm.TbInpDat->editItem(fm.TbInpDat->item(1, 1));
      QVERIFY(fm.TbInpDat->Editing());
      QTest::keyClicks(QApplication::focusWidget(), "7");
      press(Qt::Key_Tab, c.mods);
      QCOMPARE(QApplication::focusWidget(), c.next);
      QVERIFY(!fm.TbInpDat->Editing());
      QVERIFY(fm.TbInpDat->Cell(1, 1).endsWith("7"));
    }
    // A click on a control that acts on the set-up leaves the focus where it was.
    fm.BxMisValue->setFocus(Qt::TabFocusReason);
    for (QWidget* w : std::initializer_list<QWidget*>{fm.BtnCancel, fm.BtnAcceptData, fm.BxSetMis}) Click(w);
    QCOMPARE(QApplication::focusWidget(), fm.BxMisValue);
  }

  void EnterAndSpacePressTheFocusedControl() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    WriteBytes(f.Exe("Help_Quorvane.txt"), "help");
    f.ShowAndActivate();
    WriteInputs(f);
    fm.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&fm));
    const struct {
      Qt::Key key;
      Qt::KeyboardModifiers mods;
    } keys[] = {{Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Enter, Qt::KeypadModifier}, {Qt::Key_Space, Qt::NoModifier}};
    for (const auto& k : keys) {
      auto press = [&](QWidget* w) {
        w->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), k.key, k.mods);
      };
      f.msgs.clear();
      f.shell.opened.clear();
      press(fm.BtnHelp);
      QCOMPARE(f.shell.opened.size(), size_t{1});
      press(fm.BtnGo);  // both states open: refused
      QCOMPARE(f.msgs, std::vector<std::string>{"red button"});
      press(fm.BtnAcceptData);
      QVERIFY(!fm.AcceptStateOpen());
      fm.BxMisValue->setEditText("3");
      press(fm.BxSetMis);
      QVERIFY(!fm.SetStateOpen());
      QCOMPARE(fm.MisNu(), 3);
      press(fm.BtnCancel);
      QVERIFY(fm.AcceptStateOpen());
      QVERIFY(fm.SetStateOpen());
      f.fileAnswers = {f.Data("g.txt"), f.Data("r.txt")};
      press(fm.BxInpGnm);
      press(fm.BxInpRds);
      QVERIFY(f.fileAnswers.empty());
      const int shown = f.chooserShown;
      press(fm.BxDiRes);
      QCOMPARE(f.chooserShown, shown + 1);
      QCOMPARE(f.msgs, std::vector<std::string>{"red button"});
    }
    // The check box takes Space.
    fm.BxShowRdsMis->setFocus(Qt::TabFocusReason);
    QTest::keyClick(fm.BxShowRdsMis, Qt::Key_Space);
    QVERIFY(fm.BxShowRdsMis->isChecked());
  }

  void LongPathsAreElidedInTheMiddleWithTheWholePathAsTooltip() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    const std::string path = "/home/user/" + std::string(200, 'd') + "/reads of the day.txt";
    for (StaticText* box : {fm.BxInpGnm, fm.BxInpRds, fm.BxDiRes}) {
      box->SetText(path);
      QCOMPARE(box->Text(), path);
      QCOMPARE(box->toolTip(), QString::fromStdString(path));
      const QString shown = box->text();
      QVERIFY2(shown.startsWith("/home/user/dd") && shown.endsWith("dd/reads of the day.txt"), qPrintable(shown));
      QVERIFY(shown.contains(QChar(0x2026)));
      QVERIFY(box->fontMetrics().horizontalAdvance(shown) <= box->contentsRect().width());
      box->SetText("/r/reads.txt");
      QCOMPARE(box->text(), QString("/r/reads.txt"));
      QCOMPARE(box->toolTip(), QString("/r/reads.txt"));
    }
    QCOMPARE(fm.TitInpGnm->toolTip(), QString());
  }

  void ShrinkingTheWindowKeepsEveryControlInside() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    f.ShowAndActivate();
    fm.resize(300, 120);
    QTRY_COMPARE(fm.size(), fm.minimumSize());
    QVERIFY(fm.minimumWidth() <= 900 && fm.minimumHeight() <= 275);
    for (const QWidget* w : fm.findChildren<QWidget*>()) {
      if (!w->isVisible()) continue;
      const QRect inWindow(w->mapTo(&fm, QPoint(0, 0)), w->size());
      QVERIFY2(fm.rect().contains(inWindow), qPrintable(w->objectName()));
    }
    QVERIFY(fm.BtnGo->isVisible());
  }

  void DesktopMessageBoxHasNoTitleNoIconAndOneOkButton() {
    QString title = "unset", windowTitle = "unset", text;
    QMessageBox::Icon icon = QMessageBox::Critical;
    int buttons = -1;
    bool okHasIcon = true;
    Qt::WindowModality modality = Qt::NonModal;
    // Runs inside the box's own modal loop, then dismisses it.
    QTimer::singleShot(0, [&] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (box == nullptr || !box->isVisible()) continue;
        title = box->windowTitle();
        windowTitle = box->windowHandle() != nullptr ? box->windowHandle()->title() : QString("none");
        text = box->text();
        icon = box->icon();
        buttons = static_cast<int>(box->buttons().size());
        okHasIcon = box->button(QMessageBox::Ok) != nullptr && !box->button(QMessageBox::Ok)->icon().isNull();
        modality = box->windowModality();
        box->button(QMessageBox::Ok)->click();
      }
    });
    ShowMsgBox(nullptr, "i can't open\n/x");
    // Blank, but not empty: for an empty title the X11 platform shows the
    // application's name instead.
    QVERIFY(title.trimmed().isEmpty());
    QVERIFY(!title.isEmpty());
    QCOMPARE(windowTitle, title);
    QCOMPARE(text, QString("i can't open\n/x"));
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(buttons, 1);
    QVERIFY(!okHasIcon);
    QCOMPARE(modality, Qt::ApplicationModal);
  }

  void ExceptionsInHandlersAreShownAndTheProgramGoesOn() {
    WindowFixture f;
    RunHandler([] { throw std::runtime_error("no more room"); });
    RunHandler([] { throw 42; });
    // One that escapes an event's handling altogether.
    struct Thrower : QObject {
      bool event(QEvent*) override { throw std::logic_error("bad event"); }
    } thrower;
    QEvent e(QEvent::User);
    QVERIFY(!QCoreApplication::sendEvent(&thrower, &e));
    QCOMPARE(f.msgs, (std::vector<std::string>{"no more room", "", "bad event"}));
  }
};

QUORVANE_TEST_MAIN(WindowControlsTest)
#include "window_controls_test.moc"
