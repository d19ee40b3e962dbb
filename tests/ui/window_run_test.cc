// Runs started from the window's "go": driven by the window's controls,
// they leave the result files, show the progress and the time, end with
// "done" and both set-up states open. While a run is in progress its
// messages come to the GUI thread and the window takes no input.
#include <QDir>
#include <QRegularExpression>
#include <QThread>
#include <QtTest>
#include <random>

#include "run/index_run.h"
#include "run/map_run.h"
#include "test_util.h"
#include "ui/font_color.h"
#include "ui_test_main.h"
#include "window_fixture.h"

using namespace quorvane;
using namespace quorvane::test;
using quorvane::test::FolderFiles;

namespace {

// Chooses the inputs through the boxes, the file dialog and the chooser,
// then accepts them and sets misNu.
void PrepareRun(WindowFixture& f, const std::string& genome, const std::string& reads, const QString& misNu,
                bool showMis) {
  TFmTrelvix& fm = *f.fm;
  QDir().mkpath(QString::fromStdString(f.Data("res")));
  WriteBytes(f.Data("gen.txt"), genome);
  WriteBytes(f.Data("rds.txt"), reads);
  f.fileAnswers = {f.Data("gen.txt"), f.Data("rds.txt")};
  Click(fm.BxInpGnm);
  Click(fm.BxInpRds);
  f.onChooser = [&f](TFmDir& d) {
    d.BoxDir->SetDirectory(f.Data("res"));
    d.BoxDirDblClick();
  };
  Click(fm.BxDiRes);
  if (showMis != fm.BxShowRdsMis->isChecked()) Click(fm.BxShowRdsMis);
  Click(fm.BtnAcceptData);
  fm.BxMisValue->setEditText(misNu);
  Click(fm.BxSetMis);
}

std::string ResFile(WindowFixture& f, const std::string& name) { return f.Data("res/rds_gen_m1" + name); }

// Maps the window's reads against genome at misNu 2 without the window,
// into tmp, and whether the four files kept equal the window's run's
// (whose names begin "rds_gen_m2"; tmp's begin with prefix).
bool MapsAsTheWindowDid(WindowFixture& f, const std::string& genome, test::TempDir& tmp, const std::string& prefix) {
  MapOptions opt;
  opt.PthGnm = genome;
  opt.PthRds = f.Data("rds.txt");
  opt.DiRes = tmp.path();
  opt.misNu = 2;
  opt.ProcNm = f.fm->ProcNm();
  struct Quiet : RunObserver {
    void OnMessage(const Status&) override {}
    void OnProgress(const RunProgress&) override {}
    void OnTime(const std::string&) override {}
    void OnEndSteps(bool) override {}
  } quiet;
  if (RunMapping(opt, quiet).outcome != RunOutcome::kDone) return false;
  for (const char* name : {"RdsOutPos.txt", "RdsInPos.txt", "MapRds_Log.txt", "MapRdsPos.txt"}) {
    if (ReadBytes(f.Data(std::string("res/rds_gen_m2") + name)) != ReadBytes(tmp.File(prefix + name))) return false;
  }
  return true;
}

}  // namespace

class WindowRunTest : public QObject {
  Q_OBJECT

 private slots:
  void WholeRunFromTheControlsLeavesTheResultFiles() {
    WindowFixture f;
    f.ShowAndActivate();
    TFmTrelvix& fm = *f.fm;
    PrepareRun(f, "GATTACAGCCTAGGCATTCAGGTACCGATCGTTAGCAACT",
               "CAGCCTAGGCAT\nACG\nACGATCGGTACC\nCAGCCTAGGCAA\nTTTTTTTTTTTT\n", "1", true);
    QVERIFY(f.msgs.empty());
    QVERIFY(!fm.AcceptStateOpen());
    QVERIFY(!fm.SetStateOpen());

    Click(fm.BtnGo);
    QVERIFY(f.msgs.empty());
    QVERIFY(!fm.Running());
    QCOMPARE(fm.CountInpRds->text(), QString("inpRdsNu"));
    QVERIFY2(QRegularExpression("^[0-9]+[.,][0-9]$").match(fm.BxTime->text()).hasMatch(), qPrintable(fm.BxTime->text()));
    QCOMPARE(fm.BtnGo->text(), QString("done"));
    QVERIFY(fm.AcceptStateOpen());
    QVERIFY(fm.SetStateOpen());
    QCOMPARE(fm.BxSetMis->BevelInner(), Bevel::kRaised);

    QCOMPARE(ReadBytes(ResFile(f, "RdsOutPos.txt")), std::string("TTTTTTTTTTTT\n"));
    QCOMPARE(ReadBytes(ResFile(f, "RdsInPos.txt")), std::string("CAGCCTAGGCAT\nACGATCGGTACC\nCAGCCTAGGCAA\n"));
    QCOMPARE(ReadBytes(ResFile(f, "MapRdsPos.txt")),
             std::string("rdNom\tread\treadMis\tpos\tmisNu"
                         "\n1\tCAGCCTAGGCAT\tCAGCCTAGGCAT\t+6\t0"
                         "\n2\tACGATCGGTACC\tACGATCGGTACC\t-32\t0"
                         "\n3\tCAGCCTAGGCAA\tCAGCCTAGGCAa\t+6\t1"));
    QCOMPARE(ReadBytes(ResFile(f, "MapRds_Log.txt")),
             std::string("program = quorvane\nmis = 1\ninput reads= 5\n"
                         "input short and big reads out of lengthes [12,1024], = 1\n"
                         "accepted reads= 4\nreads in= 3\nreads out= 1\nmapped pos in genome= 3\n"
                         "mapped posUp = 2\nmapped posLw = 1\n\n"
                         "rdNom\tread\tposUpNu\tposLwNu\tposUpLwNu\n"
                         "1\tCAGCCTAGGCAT\t1\t0\t1\n2\tACGATCGGTACC\t0\t1\t1\n3\tCAGCCTAGGCAA\t1\t0\t1"));
    QVERIFY(!QFile::exists(QString::fromStdString(ResFile(f, "MapTempLog.txt"))));
    QCOMPARE(f.shell.opened, (std::vector<std::string>{"sheet " + ResFile(f, "MapRds_Log.txt"),
                                                       "sheet " + ResFile(f, "MapRdsPos.txt")}));
    QVERIFY(fm.BxShowRdsMis->isChecked());  // the user's mark outlives the run

    // The run opened both states: "go" again is refused.
    Click(fm.BtnGo);
    QCOMPARE(f.msgs, std::vector<std::string>{"red button"});
  }

  void CompressedFastaAndFastqGiveTheFilesTheCommandGives() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    std::mt19937 rng(11);
    std::string a(4000, 'A'), b(3000, 'A');
    for (char& c : a) c = "ACGT"[rng() % 4];
    for (char& c : b) c = "ACGT"[rng() % 4];
    std::string fastq;
    for (int i = 0; i < 1500; ++i) {
      const std::string& s = i % 2 ? a : b;
      const std::string r = s.substr(rng() % (s.size() - 60), 30 + rng() % 30);
      fastq += "@q" + std::to_string(i) + "\n" + r + "\n+\n" + std::string(r.size(), 'E') + "\n";
    }
    test::TempDir tmp;
    test::WriteGzip(tmp.File("g"), ">a\n" + a + "\n>b topology=linear\n" + b + "\n");
    test::WriteGzip(tmp.File("r"), fastq);
    PrepareRun(f, test::ReadFile(tmp.File("g")), test::ReadFile(tmp.File("r")), "2", false);
    QCOMPARE(fm.TbInpDat->Cell(1, 1).remove(QRegularExpression("[^0-9 ()a-z]")), QString("7000 (2 seq)"));
    Click(fm.BtnGo);
    QVERIFY(f.msgs.empty());
    QCOMPARE(fm.BtnGo->text(), QString("done"));

    // The same files, mapped without the window.
    QVERIFY(MapsAsTheWindowDid(f, f.Data("gen.txt"), tmp, "rds_gen_m2"));
    QVERIFY(ReadBytes(f.Data("res/rds_gen_m2MapRdsPos.txt")).find("\tb\t") != std::string::npos);
  }

  void ASavedIndexIsAcceptedAsTheGenomeAndGivesItsFiles() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    std::mt19937 rng(12);
    std::string a(5000, 'A'), b(2500, 'A');
    for (char& c : a) c = "ACGT"[rng() % 4];
    for (char& c : b) c = "ACGT"[rng() % 4];
    std::string reads;
    for (int i = 0; i < 1200; ++i) {
      const std::string& s = i % 3 ? a : b;
      reads += s.substr(rng() % (s.size() - 60), 20 + rng() % 40) + "\n";
    }
    test::TempDir tmp;
    test::WriteFile(tmp.File("g.fa"), ">a\n" + a + "\n>b topology=linear\n" + b + "\n");
    IndexOptions io;
    io.genome = tmp.File("g.fa");
    io.output = tmp.File("g.qvi");
    IndexSummary made;
    QVERIFY(MakeSavedIndex(io, made).ok());
    // The window is given the index under a genome's name: its content
    // decides what it is.
    PrepareRun(f, test::ReadFile(tmp.File("g.qvi")), reads, "2", false);
    QVERIFY(f.msgs.empty());
    QCOMPARE(fm.TbInpDat->Cell(1, 1).remove(QRegularExpression("[^0-9 ()a-z]")), QString("7500 (2 seq)"));
    Click(fm.BtnGo);
    QVERIFY2(f.msgs.empty(), f.msgs.empty() ? "" : f.msgs[0].c_str());
    QCOMPARE(fm.BtnGo->text(), QString("done"));

    // The files of the FASTA genome the index was made from.
    QVERIFY(MapsAsTheWindowDid(f, tmp.File("g.fa"), tmp, "rds_g_m2"));
  }

  void ProgressIsShownEveryThousandLinesOnTheGuiThread() {
    WindowFixture f;
    TFmTrelvix& fm = *f.fm;
    std::mt19937 rng(7);
    std::string genome(3000, 'A');
    for (char& c : genome) c = "ACGT"[rng() % 4];
    std::string reads;
    for (int i = 0; i < 2500; ++i) reads += genome.substr(rng() % 2900, 20) + "\n";
    std::vector<QString> shown;
    bool onGui = true;
    connect(fm.CountInpRds, &QLineEdit::textChanged, this, [&](const QString& t) {
      onGui = onGui && QThread::currentThread() == qApp->thread();
      shown.push_back(t);
    });
    PrepareRun(f, genome, reads, "0", false);
    Click(fm.BtnGo);
    QVERIFY(f.msgs.empty());
    QVERIFY(onGui);
    QCOMPARE(shown, (std::vector<QString>{"999", "1999", "inpRdsNu"}));
  }

  void MessageDuringARunWaitsOnTheGuiThreadWhileTheWindowTakesNoInput() {
    WindowFixture f;
    f.ShowAndActivate();
    TFmTrelvix& fm = *f.fm;
    PrepareRun(f, "GATTACAGCCTAGGCNTTCAGGTACC", "CAGCCTAGGCAT\n", "1", false);
    bool runningDuringMsg = false, acceptOpenAfterClicks = true, visibleAfterClose = false;
    f.answers = {true};
    f.onMsg = [&](const std::string&) {
      runningDuringMsg = fm.Running();
      Click(fm.BtnCancel);     // swallowed: the run is in progress
      Click(fm.BtnAcceptData);
      acceptOpenAfterClicks = fm.AcceptStateOpen();
      fm.close();              // carried out once the run has ended
      visibleAfterClose = fm.isVisible();
    };
    Click(fm.BtnGo);
    QCOMPARE(f.msgs, std::vector<std::string>{"bad symbol='N' in genome"});
    QVERIFY(f.msgsOnGuiThread);
    QVERIFY(runningDuringMsg);
    QVERIFY(!acceptOpenAfterClicks);
    QVERIFY(visibleAfterClose);
    QCOMPARE(f.questions, std::vector<std::string>{kStopRunQuestion});
    // A genome that cannot be used fails the run: both states open, no
    // "done", no file.
    QCOMPARE(fm.BtnGo->text(), QString("go"));
    QVERIFY(fm.AcceptStateOpen());
    QVERIFY(f.shell.opened.empty());
    QVERIFY(FolderFiles(f.Data("res")).empty());
    QTRY_VERIFY(!fm.isVisible());

    // Input is taken again after the run.
    f.onMsg = nullptr;
    Click(fm.BtnAcceptData);
    QVERIFY(!fm.AcceptStateOpen());
  }

  void ClosingDuringARunAsksWhetherToStopIt() {
    WindowFixture f;
    f.ShowAndActivate();
    TFmTrelvix& fm = *f.fm;
    std::mt19937 rng(3);
    std::string genome(5000, 'A');
    for (char& c : genome) c = "ACGT"[rng() % 4];
    std::string reads;
    for (int i = 0; i < 20000; ++i) reads += genome.substr(rng() % 4900, 20) + "\n";
    PrepareRun(f, genome, reads.substr(0, 21 * 3000), "1", false);
    Click(fm.BtnGo);
    const auto earlier = FolderFiles(f.Data("res"));
    QCOMPARE(earlier.size(), size_t{4});

    // At the run's first progress text the window is closed.
    bool closeNow = false;
    connect(fm.CountInpRds, &QLineEdit::textChanged, this, [&] {
      if (!closeNow) return;
      closeNow = false;
      fm.close();
    });

    // No: the run goes on to its end, and the window stays.
    PrepareRun(f, genome, reads.substr(0, 21 * 3000), "1", false);
    closeNow = true;
    Click(fm.BtnGo);
    QCOMPARE(f.questions, std::vector<std::string>{kStopRunQuestion});
    QCOMPARE(fm.BtnGo->text(), QString("done"));
    QCOMPARE(fm.CountInpRds->text(), QString("inpRdsNu"));
    QVERIFY(fm.isVisible());
    QCOMPARE(FolderFiles(f.Data("res")), earlier);

    // Yes: the run stops at its next batch, puts nothing in place and the
    // window closes.
    f.shell.opened.clear();
    PrepareRun(f, genome, reads, "1", false);
    closeNow = true;
    f.answers = {true};
    Click(fm.BtnGo);
    QCOMPARE(f.questions.size(), size_t{2});
    QVERIFY(f.msgs.empty());
    QCOMPARE(fm.BtnGo->text(), QString("go"));
    QVERIFY(fm.CountInpRds->text() != QString("inpRdsNu"));
    QVERIFY(f.shell.opened.empty());
    QCOMPARE(FolderFiles(f.Data("res")), earlier);
    QTRY_VERIFY(!fm.isVisible());
  }
};

QUORVANE_TEST_MAIN(WindowRunTest)
#include "window_run_test.moc"
