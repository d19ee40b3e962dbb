// The main window's event handlers: activation, help, the choice of the
// inputs, the two set-up states and the run.
#include <algorithm>
#include <thread>

#include "common/file_msg.h"
#include "run/run_driver.h"
#include "setup/path_settings.h"
#include "ui/background_run.h"
#include "ui/dir_part.h"
#include "ui/fm_trelvix.h"
#include "ui/font_color.h"
#include "ui/window_run_view.h"

namespace quorvane {
namespace {

QString Shown(const std::string& s) { return QString::fromLocal8Bit(s.data(), static_cast<qsizetype>(s.size())); }

// Marks a size cell that the checks did not reach.
const char* const kUntouched = "\x01";

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
  in_.PthRds = ReadSetting(PthExe_ + kPthRdsSetting);
  BxInpRds->SetText(in_.PthRds);
  in_.PthGnm = ReadSetting(PthExe_ + kPthGnmSetting);
  BxInpGnm->SetText(in_.PthGnm);
  in_.DiRes = ReadSetting(PthExe_ + kDiResSetting);
  BxDiRes->SetText(in_.DiRes);
}

void TFmTrelvix::BtnHelpClick() {
  const std::string help = PthExe_ + "Help_Quorvane.txt";
  if (FileExists(help)) deps_.shell->OpenDocument(help);
}

void TFmTrelvix::OpenFiClick(StaticText* sender) {
  SetBackColor(sender, kClWhite);
  const std::optional<std::string> chosen = deps_.openFile(this, DirPart(sender->Text()));
  if (!chosen) {
    SetBackColor(sender, InfoColor());
    return;
  }
  sender->SetText(*chosen);
  WriteSetting(PthExe_ + (sender == BxInpRds ? kPthRdsSetting : kPthGnmSetting), sender->Text());
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
  WriteSetting(PthExe_ + kDiResSetting, target->Text());
  SetBackColor(target, InfoColor());
  BtnGo->setText("go");
  OpenSetState();
  ResetMisValue();
}

void TFmTrelvix::BtnAcceptDataClick() {
  InputBoxes boxes;
  boxes.gnm = BxInpGnm->Text();
  boxes.rds = BxInpRds->Text();
  boxes.diRes = BxDiRes->Text();
  boxes.titGnm = TitInpGnm->Text();
  boxes.titRds = TitInpRds->Text();
  boxes.titDiRes = TitDiRes->Text();
  // Only the cells of the steps that ran change.
  const std::string gnmCell = in_.gnmSizeCell, rdsCell = in_.rdsSizeCell;
  in_.gnmSizeCell = in_.rdsSizeCell = kUntouched;
  CheckInputs(boxes, in_);
  if (in_.gnmSizeCell == kUntouched) {
    in_.gnmSizeCell = gnmCell;
  } else {
    TbInpDat->SetCell(1, 1, Shown(in_.gnmSizeCell));
  }
  if (in_.rdsSizeCell == kUntouched) {
    in_.rdsSizeCell = rdsCell;
  } else {
    TbInpDat->SetCell(1, 2, Shown(in_.rdsSizeCell));
  }
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
  if (!ParseMisNu(BxMisValue->currentText().toStdString(), value)) return;
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

void TFmTrelvix::BtnGoPosClick() {
  if (running_) return;
  RunConfig cfg;
  cfg.PthGnm = in_.PthGnm;
  cfg.PthRds = in_.PthRds;
  cfg.DiRes = in_.DiRes;
  cfg.gnmLen = in_.gnmLen;
  cfg.misNu = misNu_;
  cfg.showRdsMis = BxShowRdsMis->isChecked();
  cfg.ProcNm = ProcNm_;
  cfg.threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  WindowRunView view(*this);
  // However the run ends: the window takes input again, and a close
  // asked for during the run is carried out.
  struct RunningFlag {
    TFmTrelvix& fm;
    ~RunningFlag() {
      fm.running_ = false;
      if (fm.closeAsked_) {
        fm.closeAsked_ = false;
        QMetaObject::invokeMethod(&fm, &QWidget::close, Qt::QueuedConnection);
      }
    }
  } flag{*this};
  running_ = true;
  RunInBackground(this, [&] { quorvane::BtnGoPosClick(cfg, view, *deps_.shell); });
}

}  // namespace quorvane
