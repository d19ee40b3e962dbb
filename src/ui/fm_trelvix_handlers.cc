// The main window's event handlers: activation, help, the choice of the
// inputs, the two set-up states and the run.
#include <algorithm>
#include <initializer_list>
#include <thread>

#include "common/file_msg.h"
#include "common/show_msg.h"
#include "run/guide_run.h"
#include "run/map_run.h"
#include "setup/path_settings.h"
#include "setup/program_files.h"
#include "ui/background_run.h"
#include "ui/dir_part.h"
#include "ui/fm_trelvix.h"
#include "ui/font_color.h"
#include "ui/pam_presets.h"
#include "ui/window_run_observer.h"

namespace quorvane {
namespace {

QString Shown(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

bool TFmTrelvix::AcceptStateOpen() const { return FontColor(BtnAcceptData) == kClRed; }

bool TFmTrelvix::SetStateOpen() const { return FontColor(BxSetMis) == kClRed; }

void TFmTrelvix::OpenSetState() {
  SetFontColor(BxSetMis, kClRed);
  BxSetMis->SetBevelInner(Bevel::kRaised);
}

void TFmTrelvix::FormActivate() {
  activated_ = true;
  BxShowRdsMis->setChecked(false);
  BxProcNm->SetCaption(Shown("proc name::  " + ProcNm_));
  in_.PthRds = ReadSetting(PthCfg_ + kPthRdsSetting);
  BxInpRds->SetText(in_.PthRds);
  in_.PthGnm = ReadSetting(PthCfg_ + kPthGnmSetting);
  BxInpGnm->SetText(in_.PthGnm);
  in_.DiRes = ReadSetting(PthCfg_ + kDiResSetting);
  BxDiRes->SetText(in_.DiRes);
  BxInpRds2->SetText(ReadSetting(PthCfg_ + kPthRds2Setting));
  BxAnnotate->SetText(ReadSetting(PthCfg_ + kPthAnnSetting));
}

void TFmTrelvix::BxAnnotateClick() {
  SetBackColor(BxAnnotate, kClWhite);
  const std::optional<std::string> chosen = deps_.openFile(this, DirPart(BxAnnotate->Text()));
  if (chosen) {
    BxAnnotate->SetText(*chosen);
    WriteSetting(PthCfg_ + kPthAnnSetting, BxAnnotate->Text());
    BtnGo->setText("go");
  }
  SetBackColor(BxAnnotate, InfoColor());
}

void TFmTrelvix::BtnNoAnnotateClick() {
  BxAnnotate->SetText("");
  WriteSetting(PthCfg_ + kPthAnnSetting, "");
  BtnGo->setText("go");
}

void TFmTrelvix::BtnHelpClick() {
  const std::string help = HelpTextPath(PthExe_);
  if (!help.empty()) deps_.shell->OpenDocument(help);
}

void TFmTrelvix::OpenFiClick(StaticText* sender) {
  SetBackColor(sender, kClWhite);
  const std::optional<std::string> chosen = deps_.openFile(this, DirPart(sender->Text()));
  if (!chosen) {
    SetBackColor(sender, InfoColor());
    return;
  }
  sender->SetText(*chosen);
  const char* setting = sender == BxInpRds ? kPthRdsSetting : sender == BxInpRds2 ? kPthRds2Setting : kPthGnmSetting;
  WriteSetting(PthCfg_ + setting, sender->Text());
  SetBackColor(sender, InfoColor());
  BtnGo->setText("go");
  OpenSetState();
  ResetMisValue();
}

void TFmTrelvix::OpenDirClick() {
  if (FmDir == nullptr) return;
  FmDir->DirTarget = BxDiRes;
  SetBackColor(BxDiRes, kClWhite);
  const std::string& text = BxDiRes->Text();
  if (!text.empty() && DirExists(text)) {
    // Every folder lies on the root drive; the list opens on the parent,
    // with the stored folder selected among its subfolders.
    FmDir->BoxDisc->SetDrive("/");
    FmDir->BoxDir->SetDirectory(DirPart(text));
    FmDir->BoxDir->SelectFolder(text);
  }
  deps_.showDir(*FmDir);
  StaticText* target = FmDir->DirTarget;
  WriteSetting(PthCfg_ + kDiResSetting, target->Text());
  SetBackColor(target, InfoColor());
  BtnGo->setText("go");
  OpenSetState();
  ResetMisValue();
}

namespace {

// Writes each size cell of the grid as the checks measure it (both mates'
// files in one cell); messages go to the window's message box, the first
// is kept.
class GridCheckListener final : public CheckListener {
 public:
  explicit GridCheckListener(StringGrid* grid) : grid_(grid) {}
  void OnMessage(const Status& s) override {
    if (first.empty()) first = s.message();
    ShowMsg(s.message());
  }
  void OnGenomeSize(const std::string& text) override { grid_->SetCell(1, 1, Shown(text)); }
  void OnReadsSize(const std::string& text) override { grid_->SetCell(1, 2, Shown(text)); }
  void OnReads2Size(const std::string& text) override {
    grid_->SetCell(1, 2, grid_->Cell(1, 2) + " | " + Shown(text));
  }

  std::string first;  // the first message

 private:
  StringGrid* grid_;
};

}  // namespace

void TFmTrelvix::BtnAcceptDataClick() {
  GridCheckListener listener(TbInpDat);
  const std::string mates2 = PairsMode() ? BxInpRds2->Text() : std::string();
  const bool clean = CheckInputs(InputPaths{BxInpGnm->Text(), BxInpRds->Text(), BxDiRes->Text(), mates2}, in_, listener);
  // An empty mates 2 box names no file: a pair run has none to read.
  if (clean && PairsMode() && mates2.empty()) listener.OnMessage(Status::CantOpen(std::string(kTitInpMates2) + " does not exist"));
  acceptFailure_ = listener.first;
  SetFontColor(BtnAcceptData, kClBlack);
  BtnGo->setText("go");
}

void TFmTrelvix::BxSetMisClick() {
  if (!SetStateOpen()) {
    ResetMisValue();
    OpenSetState();
    return;
  }
  int32_t value = 0;
  const std::string text = BxMisValue->currentText().toStdString();
  Status st;
  if (GuidesMode()) {
    int mis = 0;
    st = ParseGuideMis(text, mis);
    value = mis;
    if (st.ok()) st = PamFromText(BxPam->currentText().toStdString(), pam_);
    if (st.ok()) {
      dnaBulge_ = BxDnaBulge->currentIndex();
      rnaBulge_ = BxRnaBulge->currentIndex();
    }
  } else {
    st = ParseMisNu(text, value);
    if (st.ok() && PairsMode()) st = BxPairs->Rule(pairRule_);
  }
  if (!st.ok()) {
    ShowMsg(st.message());
    return;
  }
  misNu_ = value;
  SetFontColor(BxSetMis, kClBlack);
  BxSetMis->SetBevelInner(Bevel::kLowered);
  TbInpDat->EndEditing();
  BtnGo->setText("go");
}

void TFmTrelvix::BtnCancelClick() {
  SetFontColor(BtnAcceptData, kClRed);
  OpenSetState();
}

void TFmTrelvix::TbInpDatClick() { TbInpDat->EndEditing(); }

void TFmTrelvix::BxModeChange() {
  const bool guides = GuidesMode();
  const bool pairs = PairsMode();
  BxPam->setEnabled(guides);
  BxPam->setVisible(!pairs);
  BxPairs->setVisible(pairs);
  // The bulge, scores and annotation boxes belong to a guide search; the
  // pair fields take their row in pairs mode.
  for (QWidget* w : std::initializer_list<QWidget*>{BxDnaBulge, BxRnaBulge, BxScores, BxAnnotate, BtnNoAnnotate}) {
    w->setEnabled(guides);
    w->setVisible(!pairs);
  }
  TitAnnotate->setVisible(!pairs);
  BxShowRdsMis->setEnabled(!guides && !pairs);
  BxInpRds->setGeometry(154, 25, pairs ? 348 : 700, 20);
  BxInpRds2->setVisible(pairs);
  // A guide search counts its sites where a mapping counts its reads.
  CountInpRds->EditLabel()->setText(guides ? " found sitesNu " : " processed readsNu ");
  CountInpRds->EditLabel()->adjustSize();
  TitInpRds->SetText(guides ? std::string(" file of Guides") : pairs ? std::string(" files of Mates 1, 2") : std::string(kTitInpRds));
  TbInpDat->SetCell(0, 2, guides ? "guides file Size( byte)" : pairs ? "mates files Size( byte)" : "reads file Size( byte)");
  BxMisValue->clear();
  BxMisValue->addItems(guides ? QStringList{"0", "1", "2", "3", "4", "5"} : QStringList{"0", "1", "2", "3"});
  ResetMisValue();
  BtnCancelClick();
  BtnGo->setText("go");
}

void TFmTrelvix::BtnGoPosClick() {
  if (running_) return;
  if (SetStateOpen() || AcceptStateOpen()) {
    ShowMsg("red button");
    return;
  }
  // A run uses what the boxes showed at the last accept, or nothing: an
  // input that accept refused is refused again before anything is written.
  if (!acceptFailure_.empty()) {
    ShowMsg(acceptFailure_);
    return;
  }
  const int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  GuideOptions guides;
  guides.PthGnm = in_.PthGnm;
  guides.PthGuides = in_.PthRds;
  guides.DiRes = in_.DiRes;
  guides.pam = pam_;
  guides.mis = misNu_;
  guides.dnaBulge = dnaBulge_;
  guides.rnaBulge = rnaBulge_;
  guides.scores = BxScores->isChecked();
  guides.PthAnnotation = BxAnnotate->Text();
  guides.ProcNm = ProcNm_;
  guides.threads = threads;
  const bool guideRun = GuidesMode();
  MapOptions opt;
  opt.PthGnm = in_.PthGnm;
  opt.gnmLen = in_.gnmLen;
  opt.PthRds = in_.PthRds;
  opt.PthRds2 = in_.PthRds2;
  opt.pairRule = pairRule_;
  opt.DiRes = in_.DiRes;
  opt.misNu = misNu_;
  opt.showRdsMis = BxShowRdsMis->isChecked() && opt.PthRds2.empty();
  opt.ProcNm = ProcNm_;
  opt.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  opt.shell = deps_.shell;
  WindowRunObserver obs(*this);
  // However the run ends: the window takes input again, and a close
  // asked for during the run is carried out.
  struct RunningFlag {
    TFmTrelvix& fm;
    ~RunningFlag() {
      fm.running_ = false;
      fm.runObs_ = nullptr;
      if (fm.closeAsked_) {
        fm.closeAsked_ = false;
        QMetaObject::invokeMethod(&fm, &QWidget::close, Qt::QueuedConnection);
      }
    }
  } flag{*this};
  running_ = true;
  runObs_ = &obs;
  RunInBackground(this, [&] {
    if (guideRun) {
      RunGuides(guides, obs);
    } else {
      RunMapping(opt, obs);
    }
  });
}

}  // namespace quorvane
