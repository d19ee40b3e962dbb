// The main window's construction: its layout, its wiring to the handlers
// and the window events it reacts to.
#include "ui/fm_trelvix.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <initializer_list>
#include <iterator>

#include "setup/program_files.h"
#include "ui/font_color.h"
#include "ui/gui_call.h"
#include "ui/handler_guard.h"
#include "ui/item_height_delegate.h"
#include "ui/pam_presets.h"
#include "ui/press_key.h"
#include "ui/ui_font.h"
#include "ui/window_run_observer.h"

namespace quorvane {
namespace {

constexpr int kWidth = 900, kHeight = 275;
constexpr int kLabelSpacing = 3;

const char* const kCaption = "           it detects the reads inclusion into genome, allowing a few mismatches";

StaticText* InfoText(const char* name, const std::string& text, QRect geometry, QWidget* parent) {
  auto* t = new StaticText(text, parent);
  t->setObjectName(name);
  t->setGeometry(geometry);
  SetBackColor(t, InfoColor());
  return t;
}

}  // namespace

TFmTrelvix::TFmTrelvix(const ProgramPath& program, WindowDeps deps, QWidget* parent)
    : QWidget(parent), deps_(std::move(deps)), PthExe_(program.PthExe), ProcNm_(program.ProcNm),
      PthCfg_(SettingsFolder(program.PthExe)) {
  setObjectName("FmTrelvix");
  setWindowTitle(kCaption);
  setFont(UiFont("Arial", 15));
  BuildControls();
  WireHandlers();

  // 900 x 275 at the top of the screen, centred across it.
  resize(kWidth, kHeight);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int screenWidth = screen != nullptr ? screen->geometry().width() : kWidth;
  move((screenWidth - width()) / 2, 0);
  // However far the user shrinks the window, every control stays whole on it.
  QRect used;
  for (const QWidget* w : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) used |= w->geometry();
  setMinimumSize(used.right() + 1, used.bottom() + 1);

  sink_ = std::make_unique<ScopedMsgSink>([this](const std::string& text) {
    CallOnGui(this, [&] { deps_.showMsg(this, QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()))); });
  });
}

TFmTrelvix::~TFmTrelvix() = default;

void TFmTrelvix::BuildControls() {
  BtnAcceptData = new SpeedButton("accept input Files", this);
  BtnAcceptData->setObjectName("BtnAcceptData");
  BtnAcceptData->setGeometry(152, 75, 150, 22);
  SetFontColor(BtnAcceptData, kClRed);

  BtnCancel = new SpeedButton("Cancel", this);
  BtnCancel->setObjectName("BtnCancel");
  BtnCancel->setGeometry(8, 75, 80, 22);
  SetFontColor(BtnCancel, kClBlue);

  PnlExe = new Panel(QString(), this);
  PnlExe->setObjectName("PnlExe");
  PnlExe->setGeometry(335, 110, 520, 100);

  BtnHelp = new QPushButton("?", PnlExe);
  BtnHelp->setObjectName("BtnHelp");
  BtnHelp->setGeometry(441, 10, 25, 25);
  BtnHelp->setFont(UiFont("Arial", 17, true));

  BxTime = new LabeledEdit("seconds", kLabelSpacing, PnlExe);
  BxTime->setObjectName("BxTime");
  BxTime->EditLabel()->setObjectName("BxTimeLabel");
  BxTime->SetBounds(255, 40, 80, 25);

  CountInpRds = new LabeledEdit(" processed readsNu ", kLabelSpacing, PnlExe);
  CountInpRds->setObjectName("CountInpRds");
  CountInpRds->EditLabel()->setObjectName("CountInpRdsLabel");
  CountInpRds->SetBounds(110, 40, 129, 25);

  BtnGo = new QPushButton("go", PnlExe);
  BtnGo->setObjectName("BtnGo");
  BtnGo->setGeometry(392, 40, 75, 25);
  BtnGo->setFont(UiFont("Arial", 15, true));

  BxShowRdsMis = new QCheckBox("     show  Read mismatches", PnlExe);
  BxShowRdsMis->setObjectName("BxShowRdsMis");
  BxShowRdsMis->setGeometry(110, 75, 225, 17);
  SetBackColor(BxShowRdsMis, kClMoneyGreen);

  TbInpDat = new StringGrid(2, 4, 150, 24, this);
  TbInpDat->setObjectName("TbInpDat");
  TbInpDat->setGeometry(0, 105, 320, 120);
  TbInpDat->SetCell(0, 0, "input");
  TbInpDat->SetCell(1, 0, "data");
  TbInpDat->SetCell(0, 1, "genome Length");
  TbInpDat->SetCell(0, 2, "reads file Size( byte)");
  TbInpDat->SetCell(0, 3, "misMatches = OR <");

  BxSetMis = new Panel("set", this);
  BxSetMis->setObjectName("BxSetMis");
  BxSetMis->setGeometry(240, 182, 65, 25);
  BxSetMis->setFont(UiFont("Arial", 18));
  BxSetMis->SetBevelOuter(Bevel::kNone);
  BxSetMis->SetBevelWidth(2);
  BxSetMis->SetBorderSingle(true);
  OpenSetState();

  TitInpGnm = InfoText("TitInpGnm", kTitInpGnm, {2, 0, 150, 20}, this);
  TitInpRds = InfoText("TitInpRds", kTitInpRds, {2, 25, 150, 20}, this);
  TitDiRes = InfoText("TitDiRes", kTitDiRes, {2, 50, 150, 20}, this);
  BxInpGnm = InfoText("BxInpGnm", "", {154, 0, 700, 21}, this);
  BxInpRds = InfoText("BxInpRds", "", {154, 25, 700, 20}, this);
  BxInpRds2 = InfoText("BxInpRds2", "", {506, 25, 348, 20}, this);
  BxInpRds2->hide();
  BxDiRes = InfoText("BxDiRes", "", {154, 50, 700, 20}, this);

  BxMisValue = new QComboBox(this);
  BxMisValue->setObjectName("BxMisValue");
  BxMisValue->setEditable(true);
  BxMisValue->setInsertPolicy(QComboBox::NoInsert);
  BxMisValue->setCompleter(nullptr);
  BxMisValue->view()->setItemDelegate(new ItemHeightDelegate(17, BxMisValue));
  BxMisValue->addItems({"0", "1", "2", "3"});
  BxMisValue->setGeometry(160, 182, 75, 25);
  ResetMisValue();

  BxProcNm = new Panel(QString(), this);
  BxProcNm->setObjectName("BxProcNm");
  BxProcNm->setGeometry(335, 75, 521, 22);
  BxProcNm->SetCaptionAlignment(Qt::AlignLeft);
  SetBackColor(BxProcNm, InfoColor());

  // The mode and the PAM of a guide search, below the run's controls.
  BxMode = new QComboBox(this);
  BxMode->setObjectName("BxMode");
  BxMode->addItems({"reads", "guides", "pairs"});
  BxMode->setGeometry(335, 220, 110, 25);
  BxPam = new QComboBox(this);
  BxPam->setObjectName("BxPam");
  BxPam->setEditable(true);
  BxPam->setInsertPolicy(QComboBox::NoInsert);
  BxPam->setCompleter(nullptr);
  for (const std::string& p : PamPresets()) BxPam->addItem(QString::fromStdString(p));
  BxPam->setGeometry(455, 220, 250, 25);
  BxPam->setEnabled(false);
  BxPairs = new PairFields(this);
  BxPairs->move(455, 220);
  BxPairs->hide();
  // The bulges, scores and genes of a guide search.
  BxDnaBulge = new QComboBox(this);
  BxDnaBulge->setObjectName("BxDnaBulge");
  BxDnaBulge->addItems({"dna 0", "dna 1", "dna 2"});
  BxDnaBulge->setToolTip("DNA bulge: genome letters with no guide partner");
  BxDnaBulge->setGeometry(712, 220, 70, 25);
  BxRnaBulge = new QComboBox(this);
  BxRnaBulge->setObjectName("BxRnaBulge");
  BxRnaBulge->addItems({"rna 0", "rna 1", "rna 2"});
  BxRnaBulge->setToolTip("RNA bulge: guide letters with no genome partner");
  BxRnaBulge->setGeometry(786, 220, 70, 25);
  BxScores = new QCheckBox("scores CFD, MIT", this);
  BxScores->setObjectName("BxScores");
  BxScores->setGeometry(160, 250, 160, 22);
  TitAnnotate = InfoText("TitAnnotate", " annotation", {335, 250, 115, 22}, this);
  TitAnnotate->setToolTip("genes and their exons, UTRs: GTF, GFF3 or BED, gzipped or not");
  BxAnnotate = InfoText("BxAnnotate", "", {455, 250, 376, 22}, this);
  BxAnnotate->SetElided(true);
  BxAnnotate->setFocusPolicy(Qt::TabFocus);
  BtnNoAnnotate = new QPushButton("x", this);
  BtnNoAnnotate->setObjectName("BtnNoAnnotate");
  BtnNoAnnotate->setToolTip("no annotation");
  BtnNoAnnotate->setGeometry(834, 250, 22, 22);
  for (QWidget* w : std::initializer_list<QWidget*>{BxDnaBulge, BxRnaBulge, BxScores, BxAnnotate, BtnNoAnnotate}) {
    w->setEnabled(false);
  }

  // Long paths show their start and their file name; the tooltip holds
  // the whole path.
  for (StaticText* box : {BxInpGnm, BxInpRds, BxInpRds2, BxDiRes}) box->SetElided(true);

  // Every control that takes a click is reached with Tab and pressed with
  // Space or Enter. The keyboard visits the run's controls, the grid (one
  // stop), "set", the three path boxes, the buttons below them and the
  // mismatch box. Clicks on the path boxes, "set", "Cancel" and "accept
  // input Files" leave the focus where it was.
  for (QWidget* w : std::initializer_list<QWidget*>{BxSetMis, BxInpGnm, BxInpRds, BxInpRds2, BxDiRes}) {
    w->setFocusPolicy(Qt::TabFocus);
  }
  ClickOnEnter(BtnHelp);
  ClickOnEnter(BtnGo);
  QWidget* const order[] = {BtnHelp,       BxTime,     CountInpRds, BtnGo,    BxShowRdsMis, TbInpDat,
                            BxSetMis,      BxInpGnm,   BxInpRds,    BxInpRds2, BxDiRes,     BtnCancel,
                            BtnAcceptData, BxMisValue, BxMode,      BxPam,    BxPairs->BxMin, BxPairs->BxMax,
                            BxPairs->BxOrient, BxDnaBulge, BxRnaBulge, BxScores, BxAnnotate, BtnNoAnnotate};
  for (size_t i = 1; i < std::size(order); ++i) {
    QWidget::setTabOrder(order[i - 1], order[i]);
  }
}

void TFmTrelvix::WireHandlers() {
  connect(BtnAcceptData, &QPushButton::clicked, this, Guarded([this] { BtnAcceptDataClick(); }));
  connect(BtnCancel, &QPushButton::clicked, this, Guarded([this] { BtnCancelClick(); }));
  connect(BtnHelp, &QPushButton::clicked, this, Guarded([this] { BtnHelpClick(); }));
  connect(BtnGo, &QPushButton::clicked, this, Guarded([this] { BtnGoPosClick(); }));
  connect(BxSetMis, &Panel::clicked, this, Guarded([this] { BxSetMisClick(); }));
  connect(TbInpDat, &QTableWidget::clicked, this, Guarded([this] { TbInpDatClick(); }));
  connect(BxInpGnm, &StaticText::clicked, this, Guarded([this] { OpenFiClick(BxInpGnm); }));
  connect(BxInpRds, &StaticText::clicked, this, Guarded([this] { OpenFiClick(BxInpRds); }));
  connect(BxInpRds2, &StaticText::clicked, this, Guarded([this] { OpenFiClick(BxInpRds2); }));
  connect(BxDiRes, &StaticText::clicked, this, Guarded([this] { OpenDirClick(); }));
  // A new mismatch text after "set" opens the set state again, so that the
  // box never shows another limit than the one a run would use.
  connect(BxMisValue, &QComboBox::editTextChanged, this, [this] { OpenSetState(); });
  connect(BxMode, &QComboBox::currentIndexChanged, this, Guarded([this] { BxModeChange(); }));
  connect(BxPam, &QComboBox::editTextChanged, this, [this] { OpenSetState(); });
  connect(BxPairs, &PairFields::changed, this, [this] { OpenSetState(); });
  connect(BxDnaBulge, &QComboBox::currentIndexChanged, this, [this] { OpenSetState(); });
  connect(BxRnaBulge, &QComboBox::currentIndexChanged, this, [this] { OpenSetState(); });
  connect(BxAnnotate, &StaticText::clicked, this, Guarded([this] { BxAnnotateClick(); }));
  connect(BtnNoAnnotate, &QPushButton::clicked, this, Guarded([this] { BtnNoAnnotateClick(); }));
}

void TFmTrelvix::ResetMisValue() { BxMisValue->setEditText("misNu"); }

bool TFmTrelvix::event(QEvent* e) {
  if (e->type() == QEvent::WindowActivate && !activated_) RunHandler([this] { FormActivate(); });
  return QWidget::event(e);
}

void TFmTrelvix::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  // Where no window manager hands out activation, the first showing
  // counts as the first activation.
  QTimer::singleShot(0, this, [this] {
    if (!activated_) RunHandler([this] { FormActivate(); });
  });
}

void TFmTrelvix::closeEvent(QCloseEvent* e) {
  // During a run the user chooses: stop it and close once it has ended,
  // or let it go on. The run may end while the question is shown.
  if (running_) {
    e->ignore();
    if (closeAsked_ || !deps_.ask(this, kStopRunQuestion)) return;
    if (running_) {
      closeAsked_ = true;
      if (runObs_ != nullptr) runObs_->RequestStop();
      return;
    }
  }
  QWidget::closeEvent(e);
}

}  // namespace quorvane
