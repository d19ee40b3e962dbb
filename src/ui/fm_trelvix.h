// The main window: the three input paths, the measured sizes, the
// mismatch setting, the two set-up states, the run button with the run's
// progress and time, and help.
//
// The set-up states live in the controls: the accept state is the font
// colour of BtnAcceptData, the set state the font colour of BxSetMis (red:
// open, any other colour: done) with its inner bevel (raised while open).
#ifndef QUORVANE_UI_FM_TRELVIX_H_
#define QUORVANE_UI_FM_TRELVIX_H_

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

#include "common/show_msg.h"
#include "guides/guide_query.h"
#include "pairs/pair_rule.h"
#include "setup/input_checks.h"
#include "setup/program_path.h"
#include "ui/bevel_panel.h"
#include "ui/fm_dir.h"
#include "ui/labeled_edit.h"
#include "ui/pair_fields.h"
#include "ui/speed_button.h"
#include "ui/static_text.h"
#include "ui/string_grid.h"
#include "ui/window_deps.h"

namespace quorvane {

class WindowRunObserver;

// The question that closing the window during a run asks.
inline constexpr const char* kStopRunQuestion = "a run is in progress; stop it and close?";

class TFmTrelvix : public QWidget {
  Q_OBJECT

 public:
  // Builds the window and its controls: 900 x 275 at the top of the
  // screen, centred. program gives PthExe and ProcNm; the settings files
  // lie in SettingsFolder(PthExe), the help text is HelpTextPath(PthExe)
  // (setup/program_files.h). While the window lives, every
  // message of the system goes to deps.showMsg on the GUI thread.
  TFmTrelvix(const ProgramPath& program, WindowDeps deps, QWidget* parent = nullptr);
  ~TFmTrelvix() override;

  // Names the directory chooser that OpenDirClick shows.
  void SetChooser(TFmDir* chooser) { FmDir = chooser; }

  SpeedButton* BtnAcceptData;  // "accept input Files"; carries the accept state
  SpeedButton* BtnCancel;      // "Cancel": opens both states
  Panel* PnlExe;               // holds the run's controls
  QPushButton* BtnHelp;        // "?"
  LabeledEdit* BxTime;         // the run's seconds
  LabeledEdit* CountInpRds;    // the run's progress count
  QPushButton* BtnGo;          // "go"; "done" after a run
  QCheckBox* BxShowRdsMis;     // write each hit's read with its mismatches marked
  StringGrid* TbInpDat;        // the measured sizes
  Panel* BxSetMis;             // "set"; carries the set state
  StaticText* TitInpGnm;       // " file of Genome"
  StaticText* TitInpRds;       // " file of Reads"
  StaticText* TitDiRes;        // " dir of Results"
  StaticText* BxInpGnm;        // genome file path; a click chooses a file
  StaticText* BxInpRds;        // reads file path (pairs: the mates 1); a click chooses a file
  StaticText* BxInpRds2;       // pairs mode: the mates 2 file path beside it; a click chooses a file
  StaticText* BxDiRes;         // results folder; a click opens the chooser
  QComboBox* BxMisValue;       // the mismatch limit as typed or picked
  Panel* BxProcNm;             // "proc name::  " + ProcNm
  QComboBox* BxMode;           // "reads" maps the reads file, "guides" finds the sites of the guides in it,
                               // "pairs" maps the pairs of the mates 1 and mates 2 files
  QComboBox* BxPam;            // the PAM of a guide search, a preset or typed; enabled for guides
  PairFields* BxPairs;         // the fragment limits and orientation of a pair run; shown for pairs
  QComboBox* BxDnaBulge;       // "dna 0".."dna 2": DNA-bulged letters a guide search allows; enabled for guides
  QComboBox* BxRnaBulge;       // "rna 0".."rna 2": RNA-bulged letters; enabled for guides
  QCheckBox* BxScores;         // the CFD and MIT scores in the sites file; enabled for guides
  StaticText* TitAnnotate;     // " annotation"
  StaticText* BxAnnotate;      // the annotation file of a guide search, remembered; a click chooses a file
  QPushButton* BtnNoAnnotate;  // "x": no annotation

  // The program's folder (with its "/") and file name.
  const std::string& PthExe() const { return PthExe_; }
  const std::string& ProcNm() const { return ProcNm_; }
  // The folder of the three settings files, with its "/".
  const std::string& PthCfg() const { return PthCfg_; }
  // The paths and sizes as the last input check (or the start-up) took
  // them over; what a run uses.
  const AcceptedInputs& Inputs() const { return in_; }
  // The mismatch limit as the last valid "set" stored it.
  int32_t MisNu() const { return misNu_; }
  // Whether "go" runs a guide search rather than the mapping.
  bool GuidesMode() const { return BxMode->currentIndex() == 1; }
  // Whether "go" maps read pairs.
  bool PairsMode() const { return BxMode->currentIndex() == 2; }
  // The pair rule as the last valid "set" in pairs mode stored it.
  const PairRule& Rule() const { return pairRule_; }
  // The PAM as the last valid "set" in guides mode stored it.
  const Pam& GuidePam() const { return pam_; }
  // The bulge limits as the last valid "set" in guides mode stored them.
  int DnaBulge() const { return dnaBulge_; }
  int RnaBulge() const { return rnaBulge_; }

  // The set-up states, read from the controls.
  bool AcceptStateOpen() const;
  bool SetStateOpen() const;
  // Whether a run started by "go" is in progress.
  bool Running() const { return running_; }

 public slots:
  // First activation: clears BxShowRdsMis, shows ProcNm and loads the
  // three remembered paths into their boxes. Runs once.
  void FormActivate();
  // Opens the help text beside the program or else the installed one,
  // when it is there.
  void BtnHelpClick();
  // sender is BxInpGnm or BxInpRds: lets the user choose a file, stores
  // it in the box and its settings file and opens the set state.
  void OpenFiClick(StaticText* sender);
  // Shows the directory chooser on BxDiRes, then stores the box's text in
  // its settings file and opens the set state.
  void OpenDirClick();
  // Takes the boxes over and checks them; the accept state becomes done
  // whatever the checks found, and a run refuses to start with the first
  // message they gave until the next accept.
  void BtnAcceptDataClick();
  // Sets a valid mismatch limit, or opens the set state when it was set.
  void BxSetMisClick();
  // Opens both set-up states.
  void BtnCancelClick();
  // Ends in-place editing of the grid.
  void TbInpDatClick();
  // Performs one run with the inputs taken over, off the GUI thread, or
  // refuses it with the message of the last accept's failed check; the
  // window paints but takes no input until the run has ended. Closing the
  // window meanwhile asks whether to stop the run: yes stops it at its
  // next batch (the earlier results stay as they were) and closes the
  // window once it has ended; no lets it go on.
  void BtnGoPosClick();
  // Opens the set state alone: red font, raised bevel.
  void OpenSetState();
  // The mode changed: the second path box holds reads or guides, or
  // splits into the mates 1 and 2 boxes; the mismatch box offers 0..3 or
  // 0..5, the PAM, bulge, scores and annotation boxes are enabled for
  // guides, the pair fields shown for pairs; both states open, as the
  // inputs now mean something else.
  void BxModeChange();
  // Lets the user choose the annotation file, stores it in its box and its
  // settings file; a cancelled choice keeps the box as it was.
  void BxAnnotateClick();
  // Empties the annotation box and its settings file: no annotation.
  void BtnNoAnnotateClick();

 protected:
  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  void BuildControls();
  void WireHandlers();
  void ResetMisValue();

  TFmDir* FmDir = nullptr;     // the chooser OpenDirClick shows
  WindowDeps deps_;            // dialogs and shell
  std::string PthExe_;         // the program's folder, with its "/"
  std::string ProcNm_;         // the program's file name
  std::string PthCfg_;         // the settings files' folder, with its "/"
  AcceptedInputs in_;          // paths taken over, sizes measured
  int32_t misNu_ = 0;          // the mismatch limit of the last valid "set"
  Pam pam_;                    // the PAM of the last valid "set" in guides mode
  PairRule pairRule_;          // the pair rule of the last valid "set" in pairs mode
  std::string acceptFailure_;  // the first message of the last accept's checks; "" when they all passed
  int dnaBulge_ = 0;           // the DNA bulge limit of the last valid "set" in guides mode
  int rnaBulge_ = 0;           // the RNA bulge limit of the last valid "set" in guides mode
  bool activated_ = false;     // FormActivate has run
  bool running_ = false;       // a run is in progress
  bool closeAsked_ = false;    // the window was closed during a run, and its run asked to stop
  WindowRunObserver* runObs_ = nullptr;  // the run in progress hears a stop through it
  std::unique_ptr<ScopedMsgSink> sink_;  // messages go to deps_.showMsg
};

}  // namespace quorvane

#endif  // QUORVANE_UI_FM_TRELVIX_H_
