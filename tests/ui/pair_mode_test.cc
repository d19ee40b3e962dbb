// The window's pairs mode: its boxes and fields, a pair run through the
// same accept, set and go as a mapping; and two faults a new user met: a
// run after an accept that refused an input, and results that no
// application opens.
#include <QDir>
#include <QtTest>
#include <random>

#include "pair_oracle.h"
#include "run/map_run.h"
#include "setup/path_settings.h"
#include "test_util.h"
#include "ui/font_color.h"
#include "ui_test_main.h"
#include "window_fixture.h"
#include "window_looks.h"

using namespace quorvane;
using namespace quorvane::test;

namespace {

// Writes a genome and pairs drawn from it into the data folder.
struct PairData {
  explicit PairData(WindowFixture& f) {
    std::mt19937 rng(17);
    genome = RepeatGenome(rng, 2, 1500);
    for (int i = 0; i < 40; ++i) pairs.push_back(DrawPair(rng, genome, Orientation::kFr, 40, 40, 250, 1));
    WriteBytes(f.Data("gen.fa"), GenomeFasta(genome));
    WriteBytes(f.Data("p_1.fq"), MatesFastq(pairs, 0));
    WriteBytes(f.Data("p_2.fq"), MatesFastq(pairs, 1));
    QDir().mkpath(QString::fromStdString(f.Data("res")));
  }
  std::vector<Seq> genome;
  std::vector<DrawnPair> pairs;
};

// Chooses the genome, the mates and the results folder through the
// window's dialogs, in pairs mode.
void ChoosePairs(WindowFixture& f) {
  TFmTrelvix& fm = *f.fm;
  fm.BxMode->setCurrentIndex(2);
  f.fileAnswers = {f.Data("gen.fa"), f.Data("p_1.fq"), f.Data("p_2.fq")};
  Click(fm.BxInpGnm);
  Click(fm.BxInpRds);
  Click(fm.BxInpRds2);
  f.onChooser = [&f](TFmDir& d) {
    d.BoxDir->SetDirectory(f.Data("res"));
    d.BoxDirDblClick();
  };
  Click(fm.BxDiRes);
}

}  // namespace

class PairModeTest : public QObject {
  Q_OBJECT

 private slots:
  void TheModeSplitsTheReadsRowShowsThePairFieldsAndOpensBothStates() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    PairData data(f);
    fm.BxInpGnm->SetText(f.Data("gen.fa"));
    fm.BxInpRds->SetText(f.Data("p_1.fq"));
    Click(fm.BtnAcceptData);
    SetMis(fm, "2");
    QVERIFY(!fm.AcceptStateOpen() && !fm.SetStateOpen());
    fm.BxMode->setCurrentIndex(2);
    QVERIFY(fm.PairsMode());
    QVERIFY(fm.AcceptStateOpen());
    QVERIFY(fm.SetStateOpen());
    QVERIFY(fm.BxInpRds2->isVisibleTo(&fm));
    QVERIFY(fm.BxPairs->isVisibleTo(&fm));
    QVERIFY(!fm.BxPam->isVisibleTo(&fm));
    QVERIFY(!fm.BxShowRdsMis->isEnabled());
    QCOMPARE(fm.BxInpRds->geometry(), QRect(154, 25, 348, 20));
    QCOMPARE(fm.BxInpRds2->geometry(), QRect(506, 25, 348, 20));
    QCOMPARE(fm.TitInpRds->text(), QString(" files of Mates 1, 2"));
    QCOMPARE(fm.TbInpDat->Cell(0, 2), QString("mates files Size( byte)"));
    QCOMPARE(fm.BxMisValue->count(), 4);
    fm.BxMode->setCurrentIndex(0);
    QVERIFY(!fm.BxInpRds2->isVisibleTo(&fm));
    QVERIFY(!fm.BxPairs->isVisibleTo(&fm));
    QVERIFY(fm.BxPam->isVisibleTo(&fm));
    QCOMPARE(fm.BxInpRds->geometry(), QRect(154, 25, 700, 20));
    QCOMPARE(fm.TitInpRds->text(), QString(" file of Reads"));
  }

  void SetChecksTheFragmentFieldsAndAChangeOpensItAgain() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    fm.BxMode->setCurrentIndex(2);
    fm.BxPairs->BxMin->setText("400");
    fm.BxPairs->BxMax->setText("300");
    SetMis(fm, "1");
    QVERIFY(fm.SetStateOpen());
    QCOMPARE(f.msgs, std::vector<std::string>{"fragment MIN is above MAX"});
    fm.BxPairs->BxMax->setText("x");
    SetMis(fm, "1");
    QCOMPARE(f.msgs.back(), std::string("fragment MAX is not a number"));
    fm.BxPairs->BxMin->setText("200");
    fm.BxPairs->BxMax->setText("700");
    fm.BxPairs->BxOrient->setCurrentIndex(2);
    SetMis(fm, "3");
    QVERIFY(!fm.SetStateOpen());
    QCOMPARE(fm.MisNu(), 3);
    QCOMPARE(fm.Rule().minFrag, 200);
    QCOMPARE(fm.Rule().maxFrag, 700);
    QVERIFY(fm.Rule().orientation == Orientation::kFf);
    fm.BxPairs->BxOrient->setCurrentIndex(0);
    QVERIFY(fm.SetStateOpen());
    SetMis(fm, "3");
    fm.BxPairs->BxMax->setText("701");
    QVERIFY(fm.SetStateOpen());
  }

  void TheMatesBoxIsRememberedLikeTheOthers() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    WriteBytes(f.Exe(kPthRds2Setting), f.Data("old_2.fq"));
    f.ShowAndActivate();
    QCOMPARE(fm.BxInpRds2->Text(), f.Data("old_2.fq"));
    fm.BxMode->setCurrentIndex(2);
    f.fileAnswers = {f.Data("new_2.fq")};
    Click(fm.BxInpRds2);
    QCOMPARE(fm.BxInpRds2->Text(), f.Data("new_2.fq"));
    QCOMPARE(ReadBytes(f.Exe(kPthRds2Setting)), f.Data("new_2.fq"));
    QCOMPARE(f.fileFolders.back(), f.dataDir.path().toStdString());
  }

  void GoMapsThePairsAsTheCommandLineDoes() {
    WindowFixture f;
    f.ShowAndActivate();
    TFmTrelvix& fm = *f.fm;
    PairData data(f);
    ChoosePairs(f);
    Click(fm.BtnAcceptData);
    QVERIFY2(f.msgs.empty(), f.msgs.empty() ? "" : f.msgs[0].c_str());
    const QString size = QString::number(MatesFastq(data.pairs, 0).size());
    QCOMPARE(fm.TbInpDat->Cell(1, 2), size + " | " + size);
    fm.BxPairs->BxMax->setText("300");
    SetMis(fm, "1");
    Click(fm.BtnGo);
    QVERIFY2(f.msgs.empty(), f.msgs.empty() ? "" : f.msgs[0].c_str());
    QCOMPARE(fm.BtnGo->text(), QString("done"));
    QVERIFY(fm.AcceptStateOpen() && fm.SetStateOpen());
    PairRule rule;
    rule.maxFrag = 300;
    const PairFiles want = ExpectedPairFiles(data.genome, data.pairs, 1, rule);
    QCOMPARE(ReadBytes(f.Data("res/p_1_gen_m1MapPairsPos.txt")), want.pos);
    QCOMPARE(ReadBytes(f.Data("res/p_1_gen_m1PairsInPos.txt")), want.in);
    QCOMPARE(f.shell.opened, (std::vector<std::string>{"sheet " + f.Data("res/p_1_gen_m1MapPairs_Log.txt"),
                                                       "sheet " + f.Data("res/p_1_gen_m1MapPairsPos.txt")}));
  }

  void ARunAfterAnAcceptThatRefusedAnInputIsRefusedBeforeAnythingIsWritten() {
    WindowFixture f;
    f.ShowAndActivate();
    TFmTrelvix& fm = *f.fm;
    QDir().mkpath(QString::fromStdString(f.Data("res")));
    WriteBytes(f.Data("gen.txt"), "GATTACAGCCTAGGCATTCAGGTACCGATCGTTAGCAACT");
    WriteBytes(f.Data("a.txt"), "CAGCCTAGGCAT\n");
    WriteBytes(f.Data("b.txt"), "ACGATCGGTACC\n");
    fm.BxInpGnm->SetText(f.Data("gen.txt"));
    fm.BxInpRds->SetText(f.Data("a.txt"));
    fm.BxDiRes->SetText(f.Data("res"));
    Click(fm.BtnAcceptData);
    SetMis(fm, "1");
    Click(fm.BtnGo);
    QVERIFY(f.msgs.empty());
    const auto before = FolderFiles(f.Data("res"));
    const auto data = FolderFiles(f.Data(""));

    // The reads box shows b.txt, the results box a folder that is gone:
    // the accept says so, and go says it again and writes nothing.
    fm.BxInpRds->SetText(f.Data("b.txt"));
    fm.BxDiRes->SetText(f.Data("gone"));
    Click(fm.BtnAcceptData);
    QCOMPARE(f.msgs, std::vector<std::string>{" dir of Results does not exist"});
    SetMis(fm, "1");
    Click(fm.BtnGo);
    QCOMPARE(f.msgs, (std::vector<std::string>{" dir of Results does not exist", " dir of Results does not exist"}));
    QCOMPARE(fm.BtnGo->text(), QString("go"));
    QCOMPARE(FolderFiles(f.Data("res")), before);
    QCOMPARE(FolderFiles(f.Data("")), data);

    // So does a genome the accept refused, whatever the other boxes show.
    fm.BxDiRes->SetText(f.Data("res"));
    fm.BxInpGnm->SetText(f.Data("res"));
    f.msgs.clear();
    Click(fm.BtnAcceptData);
    Click(fm.BtnGo);
    QCOMPARE(f.msgs, (std::vector<std::string>{" file of Genome does not exist", " file of Genome does not exist"}));
    QCOMPARE(FolderFiles(f.Data("res")), before);

    // An accept that passes runs with what the boxes show: b.txt.
    fm.BxInpGnm->SetText(f.Data("gen.txt"));
    f.msgs.clear();
    Click(fm.BtnAcceptData);
    Click(fm.BtnGo);
    QVERIFY(f.msgs.empty());
    QCOMPARE(ReadBytes(f.Data("res/b_gen_m1RdsInPos.txt")), std::string("ACGATCGGTACC\n"));
  }

  void ResultsNoApplicationOpensAreNamedInOneMessage() {
    WindowFixture f;
    f.ShowAndActivate();
    TFmTrelvix& fm = *f.fm;
    PairData data(f);
    f.shell.noApplication = true;
    ChoosePairs(f);
    Click(fm.BtnAcceptData);
    SetMis(fm, "0");
    Click(fm.BtnGo);
    QCOMPARE(f.msgs, std::vector<std::string>{"no application opened the result files:\n" +
                                              f.Data("res/p_1_gen_m0MapPairs_Log.txt") + "\n" +
                                              f.Data("res/p_1_gen_m0MapPairsPos.txt")});
    QCOMPARE(fm.BtnGo->text(), QString("done"));
    // A mapping of single reads says it the same way, once.
    fm.BxMode->setCurrentIndex(0);
    fm.BxInpRds->SetText(f.Data("p_1.fq"));
    f.msgs.clear();
    Click(fm.BtnAcceptData);
    SetMis(fm, "0");
    Click(fm.BtnGo);
    QCOMPARE(f.msgs, std::vector<std::string>{"no application opened the result files:\n" +
                                              f.Data("res/p_1_gen_m0MapRds_Log.txt") + "\n" +
                                              f.Data("res/p_1_gen_m0MapRdsPos.txt")});
  }
};

QUORVANE_TEST_MAIN(PairModeTest)
#include "pair_mode_test.moc"
