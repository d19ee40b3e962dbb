// The window's guides mode: the mode switch, the PAM box with its presets,
// and a guide search run through the same accept, set and go as a mapping.
#include <QDir>
#include <QtTest>

#include "run/index_run.h"
#include "setup/path_settings.h"
#include "ui/pam_presets.h"
#include "ui_test_main.h"
#include "window_fixture.h"

using namespace quorvane;
using namespace quorvane::test;

class GuideModeTest : public QObject {
  Q_OBJECT

 private slots:
  void PamPresetsReadAsTheirPams() {
    Pam p;
    QVERIFY(PamFromText("NGG (SpCas9)", p).ok());
    QCOMPARE(p.letters, std::string("NGG"));
    QVERIFY(!p.fivePrime);
    QVERIFY(PamFromText("TTTV 5' (Cas12a)", p).ok());
    QCOMPARE(p.letters, std::string("TTTV"));
    QVERIFY(p.fivePrime);
    QVERIFY(PamFromText(" nngrrt", p).ok());
    QCOMPARE(p.letters, std::string("NNGRRT"));
    QCOMPARE(PamFromText("NGJ (mine)", p).message(),
             std::string("bad PAM letter 'J' in NGJ: a PAM holds the IUPAC letters A C G T R Y S W K M B D H V N"));
    QStringList shown;
    WindowFixture f;
    for (int i = 0; i < f.fm->BxPam->count(); ++i) shown << f.fm->BxPam->itemText(i);
    QCOMPARE(shown, QStringList({"NGG (SpCas9)", "NG (SpCas9-NG)", "NNGRRT (SaCas9)", "TTTV 5' (Cas12a)"}));
  }

  void TheModeSwitchChangesTheBoxesAndOpensTheSetState() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    QVERIFY(!fm.GuidesMode());
    QVERIFY(!fm.BxPam->isEnabled());
    fm.BxMisValue->setEditText("3");
    Click(fm.BxSetMis);
    QVERIFY(!fm.SetStateOpen());
    fm.BxMode->setCurrentIndex(1);
    QVERIFY(fm.GuidesMode());
    QVERIFY(fm.BxPam->isEnabled());
    QVERIFY(fm.SetStateOpen());
    QCOMPARE(fm.TitInpRds->text(), QString(" file of Guides"));
    QCOMPARE(fm.BxMisValue->count(), 6);
    // 5 is set in guides mode, with the PAM; a bad PAM is refused.
    fm.BxMisValue->setEditText("5");
    fm.BxPam->setEditText("NGX");
    Click(fm.BxSetMis);
    QVERIFY(fm.SetStateOpen());
    QCOMPARE(f.msgs.back(),
             std::string("bad PAM letter 'X' in NGX: a PAM holds the IUPAC letters A C G T R Y S W K M B D H V N"));
    fm.BxPam->setCurrentIndex(3);
    Click(fm.BxSetMis);
    QVERIFY(!fm.SetStateOpen());
    QCOMPARE(fm.MisNu(), 5);
    QCOMPARE(fm.GuidePam().letters, std::string("TTTV"));
    QVERIFY(fm.GuidePam().fivePrime);
    // Another PAM opens the set state again; back to reads, 5 is refused.
    fm.BxPam->setCurrentIndex(0);
    QVERIFY(fm.SetStateOpen());
    fm.BxMode->setCurrentIndex(0);
    QCOMPARE(fm.TitInpRds->text(), QString(" file of Reads"));
    QCOMPARE(fm.BxMisValue->count(), 4);
    fm.BxMisValue->setEditText("5");
    Click(fm.BxSetMis);
    QVERIFY(fm.SetStateOpen());
  }

  void GoRunsTheGuideSearch() {
    WindowFixture f;
    f.ShowAndActivate();
    TFmTrelvix& fm = *f.fm;
    QDir().mkpath(QString::fromStdString(f.Data("res")));
    WriteBytes(f.Data("gen.txt"), "CCCCCAGCAGCGCAACACCCTTATCTGGCCCCCC");
    WriteBytes(f.Data("guides.fa"), ">g1\nAGCAGCGCAACACCCTTATC\n>g2\nAGCAGCGCAACACCCTTGGG\n");
    fm.BxMode->setCurrentIndex(1);
    f.fileAnswers = {f.Data("gen.txt"), f.Data("guides.fa")};
    Click(fm.BxInpGnm);
    Click(fm.BxInpRds);
    f.onChooser = [&f](TFmDir& d) {
      d.BoxDir->SetDirectory(f.Data("res"));
      d.BoxDirDblClick();
    };
    Click(fm.BxDiRes);
    Click(fm.BtnAcceptData);
    fm.BxMisValue->setEditText("3");
    fm.BxPam->setCurrentIndex(0);
    Click(fm.BxSetMis);
    QVERIFY(f.msgs.empty());
    Click(fm.BtnGo);
    QVERIFY2(f.msgs.empty(), f.msgs.empty() ? "" : f.msgs[0].c_str());
    QCOMPARE(fm.BtnGo->text(), QString("done"));
    // The progress box ends with the number of sites.
    QCOMPARE(fm.CountInpRds->text(), QString("2"));
    QCOMPARE(fm.CountInpRds->EditLabel()->text(), QString(" found sitesNu "));
    QVERIFY(fm.AcceptStateOpen());
    QVERIFY(fm.SetStateOpen());
    QCOMPARE(ReadBytes(f.Data("res/guides_gen_NGG_m3GuideSites.tsv")),
             std::string("guide\tseqName\tstart\tstrand\tsite\tmisNu\tpam\n"
                         "g1\tgen\t6\t+\tAGCAGCGCAACACCCTTATCTGG\t0\tTGG\n"
                         "g2\tgen\t6\t+\tAGCAGCGCAACACCCTTatcTGG\t3\tTGG\n"));
  }

  void GoLooksGuidesUpInASavedIndexWithASiteTable() {
    WindowFixture f;
    f.ShowAndActivate();
    TFmTrelvix& fm = *f.fm;
    QDir().mkpath(QString::fromStdString(f.Data("res")));
    WriteBytes(f.Data("gen.txt"), "CCCCCAGCAGCGCAACACCCTTATCTGGCCCCCC");
    WriteBytes(f.Data("guides.fa"), ">g1\nAGCAGCGCAACACCCTTATC\n>g2\nAGCAGCGCAACACCCTTGGG\n");
    IndexOptions io;
    io.genome = f.Data("gen.txt");
    io.output = f.Data("gen.qvi");
    io.pams = {Pam{"NGG", false}};
    IndexSummary sum;
    QVERIFY(MakeSavedIndex(io, sum).ok());
    QCOMPARE(sum.tables.size(), size_t{1});
    fm.BxMode->setCurrentIndex(1);
    f.fileAnswers = {f.Data("gen.qvi"), f.Data("guides.fa")};
    Click(fm.BxInpGnm);
    Click(fm.BxInpRds);
    f.onChooser = [&f](TFmDir& d) {
      d.BoxDir->SetDirectory(f.Data("res"));
      d.BoxDirDblClick();
    };
    Click(fm.BxDiRes);
    Click(fm.BtnAcceptData);
    fm.BxMisValue->setEditText("3");
    fm.BxPam->setCurrentIndex(0);
    Click(fm.BxSetMis);
    Click(fm.BtnGo);
    QVERIFY2(f.msgs.empty(), f.msgs.empty() ? "" : f.msgs[0].c_str());
    QCOMPARE(fm.BtnGo->text(), QString("done"));
    QCOMPARE(fm.CountInpRds->text(), QString("2"));
    QCOMPARE(ReadBytes(f.Data("res/guides_gen_NGG_m3GuideSites.tsv")),
             std::string("guide\tseqName\tstart\tstrand\tsite\tmisNu\tpam\n"
                         "g1\tgen\t6\t+\tAGCAGCGCAACACCCTTATCTGG\t0\tTGG\n"
                         "g2\tgen\t6\t+\tAGCAGCGCAACACCCTTatcTGG\t3\tTGG\n"));
  }

  void BulgesScoresAndGenesFromTheWindow() {
    WindowFixture f;
    f.ShowAndActivate();
    TFmTrelvix& fm = *f.fm;
    QVERIFY(!fm.BxDnaBulge->isEnabled());
    QVERIFY(!fm.BxAnnotate->isEnabled());
    QDir().mkpath(QString::fromStdString(f.Data("res")));
    WriteBytes(f.Data("gen.txt"), "TTTTTTTTTTGACGCATAAAGAATGAGACGCAGGTTTTTTTTTT");
    WriteBytes(f.Data("guides.fa"), ">g\nGACGCATAAAGATGAGACGC\n");
    WriteBytes(f.Data("genes.gtf"), "gen\tt\texon\t5\t20\t.\t+\t.\tgene_id \"E\"; gene_name \"eta\";\n");
    fm.BxMode->setCurrentIndex(1);
    QVERIFY(fm.BxDnaBulge->isEnabled() && fm.BxRnaBulge->isEnabled() && fm.BxScores->isEnabled());
    f.fileAnswers = {f.Data("gen.txt"), f.Data("guides.fa"), f.Data("genes.gtf")};
    Click(fm.BxInpGnm);
    Click(fm.BxInpRds);
    Click(fm.BxAnnotate);
    QCOMPARE(fm.BxAnnotate->Text(), f.Data("genes.gtf"));
    f.onChooser = [&f](TFmDir& d) {
      d.BoxDir->SetDirectory(f.Data("res"));
      d.BoxDirDblClick();
    };
    Click(fm.BxDiRes);
    Click(fm.BtnAcceptData);
    fm.BxMisValue->setEditText("0");
    fm.BxPam->setCurrentIndex(0);
    fm.BxDnaBulge->setCurrentIndex(1);
    Click(fm.BxSetMis);
    QVERIFY(!fm.SetStateOpen());
    // A new bulge limit opens the set state again.
    fm.BxRnaBulge->setCurrentIndex(2);
    QVERIFY(fm.SetStateOpen());
    fm.BxRnaBulge->setCurrentIndex(0);
    Click(fm.BxSetMis);
    QCOMPARE(fm.DnaBulge(), 1);
    QCOMPARE(fm.RnaBulge(), 0);
    fm.BxScores->setChecked(true);
    Click(fm.BtnGo);
    QVERIFY2(f.msgs.empty(), f.msgs.empty() ? "" : f.msgs[0].c_str());
    QCOMPARE(fm.CountInpRds->text(), QString("1"));
    QCOMPARE(ReadBytes(f.Data("res/guides_gen_NGG_m0_d1_r0GuideSites.tsv")),
             std::string("guide\tseqName\tstart\tstrand\tsite\tmisNu\tpam\tbulgeType\tbulgeSize\tguideAln\tsiteAln\t"
                         "cfd\tmit\tgenes\tfeature\n"
                         "g\tgen\t11\t+\tGACGCATAAAGaATGAGACGCAGG\t0\tAGG\tDNA\t1\tGACGCATAAAG-ATGAGACGCAGG\t"
                         "GACGCATAAAGaATGAGACGCAGG\t0.0769\t\teta\texon\n"));
    // The annotation file is remembered; "x" forgets it.
    QCOMPARE(ReadSetting(fm.PthCfg() + kPthAnnSetting), f.Data("genes.gtf"));
    Click(fm.BtnNoAnnotate);
    QCOMPARE(fm.BxAnnotate->Text(), std::string());
    QCOMPARE(ReadSetting(fm.PthCfg() + kPthAnnSetting), std::string());
  }
};

QUORVANE_TEST_MAIN(GuideModeTest)
#include "guide_mode_test.moc"
