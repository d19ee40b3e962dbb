// What the window suites share: the look of the set-up states, valid
// inputs, and "set" with a value.
#ifndef QUORVANE_TESTS_UI_WINDOW_LOOKS_H_
#define QUORVANE_TESTS_UI_WINDOW_LOOKS_H_

#include <QDir>
#include <QtTest>

#include "window_fixture.h"

namespace quorvane::test {

// Both set-up states and the texts that go with them, as one value.
struct Look {
  bool acceptOpen, setOpen, raised;
  QString misValue, go;
  bool operator==(const Look& o) const {
    return acceptOpen == o.acceptOpen && setOpen == o.setOpen && raised == o.raised && misValue == o.misValue &&
           go == o.go;
  }
};

inline Look LookOf(const TFmTrelvix& fm) {
  return {fm.AcceptStateOpen(), fm.SetStateOpen(), fm.BxSetMis->BevelInner() == Bevel::kRaised,
          fm.BxMisValue->currentText(), fm.BtnGo->text()};
}

inline char* LookText(const Look& l) {
  return QTest::toString(QString("accept %1 set %2 raised %3 mis '%4' go '%5'")
                             .arg(l.acceptOpen ? "open" : "done", l.setOpen ? "open" : "done")
                             .arg(l.raised)
                             .arg(l.misValue, l.go));
}

#define COMPARE_LOOK(actual, expected)                                          \
  do {                                                                          \
    const Look a_ = (actual), e_ = (expected);                                  \
    if (!(a_ == e_)) QFAIL(QByteArray("look is ") + LookText(a_) + " not " + LookText(e_)); \
  } while (0)

// Valid inputs: a 40-letter genome, two reads, a results folder.
inline void WriteInputs(WindowFixture& f) {
  WriteBytes(f.Data("g.txt"), std::string(40, 'A'));
  WriteBytes(f.Data("r.txt"), "AAAAAAAAAAAA\nCCCCCCCCCCCC\n");
  QDir(QString::fromStdString(f.dataDir.path().toStdString())).mkpath("res");
  f.fm->BxInpGnm->SetText(f.Data("g.txt"));
  f.fm->BxInpRds->SetText(f.Data("r.txt"));
  f.fm->BxDiRes->SetText(f.Data("res"));
}

inline void SetMis(TFmTrelvix& fm, const QString& text) {
  fm.BxMisValue->setEditText(text);
  Click(fm.BxSetMis);
}

// The controls that Tab visits, in their order: every one that takes a
// click, the grid as one.
inline QList<QWidget*> TabOrder(const TFmTrelvix& fm) {
  return {fm.BtnHelp,       fm.BxTime,     fm.CountInpRds, fm.BtnGo,         fm.BxShowRdsMis,
          fm.TbInpDat,      fm.BxSetMis,   fm.BxInpGnm,    fm.BxInpRds,      fm.BxInpRds2,
          fm.BxDiRes,       fm.BtnCancel,  fm.BtnAcceptData, fm.BxMisValue,  fm.BxMode,
          fm.BxPam,         fm.BxPairs->BxMin, fm.BxPairs->BxMax, fm.BxPairs->BxOrient,
          fm.BxDnaBulge,    fm.BxRnaBulge, fm.BxScores,    fm.BxAnnotate,    fm.BtnNoAnnotate};
}

}  // namespace quorvane::test

#endif  // QUORVANE_TESTS_UI_WINDOW_LOOKS_H_
