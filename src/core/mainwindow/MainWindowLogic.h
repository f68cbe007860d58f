#pragma once
// The logic of the main window (TfrmTansy) over plain data. It holds what
// the window holds for the whole run: startup.ini, the current training,
// the workbench's results, the settings panel's values and the command
// script, and it works on the one plot collection. The window binds its
// menus, tool buttons, caption and controls to it and hears of changes
// through OnChanged.
#include <climits>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/common/IniFile.h"
#include "core/mainwindow/CommandScript.h"
#include "core/mainwindow/ResultPages.h"
#include "core/mainwindow/Workbench.h"
#include "core/training/Training.h"

namespace sorrel {

class PlotCollection;

// The value of an integer spin edit, always within its limits.
class IntSpinValue {
 public:
  IntSpinValue(int min, int max, int value) : min_(min), max_(max) { SetValue(value); }
  int Value() const { return value_; }
  int Min() const { return min_; }
  int Max() const { return max_; }
  // The value is kept within Min and Max.
  void SetValue(int value);
  // A maximum below the minimum becomes the minimum; the value follows.
  void SetMax(int max);

 private:
  int min_, max_, value_ = 0;
};

// The controls of the settings panel bound to the training's fields.
struct SettingsPanel {
  static constexpr int kDefaultNLoadings = 5;
  static constexpr int kDefaultPrecPower = 3;
  static constexpr double kMaxIncSens = 5.0;
  bool Normalize = false;
  double IncSens = 0.0;  // 0 to 5
  IntSpinValue LowBound{INT_MIN, INT_MAX, 0};
  IntSpinValue HighBound{INT_MIN, INT_MAX, 0};
  IntSpinValue NLoadings{1, 100, kDefaultNLoadings};
  IntSpinValue PrecPower{1, 10, kDefaultPrecPower};
};

// What the enabling rules enable.
struct MainWindowEnabling {
  bool OpenSpec = false;       // Open Spectrum item and button, once a training is shown
  bool CloseSpectrum = false;  // at least one frame open
  bool PcaMenu = false;        // more than 2 frames open
  bool SaveTraining = false;   // a calculation has finished
};

// The status bar's text for a hint ("short|long"): a blank and the long
// part (the whole hint when it has no "|").
std::string StatusBarText(const std::string& hint);

class MainWindowLogic {
 public:
  // What changed, for the window (OnChanged).
  enum Change : unsigned {
    kCaption = 1,   // the caption
    kEnabling = 2,  // MainWindowEnabling
    kSettings = 4,  // the settings panel's values
    kResults = 8,   // the results area shown or hidden (hidden: its charts cleared)
    kLog = 16       // the command log
  };
  static constexpr const char* kCaptionBase = "Sorrel v2.1";

  explicit MainWindowLogic(PlotCollection& plots);
  MainWindowLogic(const MainWindowLogic&) = delete;
  MainWindowLogic& operator=(const MainWindowLogic&) = delete;

  // The window comes up: startup.ini is read, the remembered training (or
  // one made from the settings last used) is shown with its spectra, the
  // boundaries are taken from the training, and the enabling rules apply.
  void Start();

  // Puts the training into the window: its settings into the panel and,
  // with `reopenSpectra`, its spectra as mass-only frames on its template
  // (the frames open before are closed). Spectra that cannot be opened are
  // reported together in one error box and leave no frame. The caption
  // names the training's file.
  void ShowTraining(bool reopenSpectra);

  // The two boundary values of the panel. Without `recompute` the
  // training's own (those that are not 0); otherwise, and for a 0, the
  // largest first mass (truncated) and the smallest last mass (rounded up)
  // of the open frames' mass spectra. Does nothing with no frame open. The
  // number of loadings may not exceed the number of frames, and a training
  // with fewer than 2 loadings gets the number of frames less 3.
  void UnifyBounds(bool recompute);

  // Hides and clears the results area and disables Save Training.
  void ResetResults();

  // The PCA menu with more than 2 frames, Close Spectrum with at least one.
  void ApplyEnabling();

  // File > Close Spectrum > Active: deletes the active frame, resets the
  // results and applies the enabling rules (nothing is logged).
  void CloseActive();

  // Opens each file (a name relative to the working directory is made
  // absolute) in a frame of its own and of its kind, as files given to the
  // program by a shell or file manager. A file that cannot be opened is
  // reported and leaves no frame behind.
  void OpenFiles(const std::vector<std::string>& files);

  // The command script (CommandScript::Interpret).
  bool Interpret(const std::string& command) { return script_.Interpret(command); }
  const std::deque<std::string>& Log() const { return script_.Log(); }

  // The window closes: startup.ini and, when calculated, the training are
  // written (ShutDown of Startup.h; throws SorrelError naming what could not
  // be written).
  void ShutDown();

  // ---- for the command script
  // Adds a mass-only frame on the training's template and opens `path` in
  // it: the frame's index, or -1 when the collection refused a frame, the
  // file could not be opened (reported, or put into `*error`) or the frame
  // stayed empty; no frame is left behind then.
  int OpenSpectrumFrame(const std::string& path, std::string* error = nullptr);
  // After a command that ran to its end: UnifyBounds recomputing,
  // ResetResults and the enabling rules.
  void AfterCommand();
  void LogChanged() { Notify(kLog); }

  // ---- the workbench (WorkbenchCommands.cpp)
  // The open frames, in frame order.
  FrameList Frames() const;
  // The settings panel and the open frames into the training (its
  // template, bounds, preprocessing, loadings, precision and spectra);
  // nothing while the training is locked.
  void StoreSettings();
  // Calculate PC's: with more than one frame open, the results are reset,
  // the settings stored, the bounds checked and the frames decomposed;
  // then the results are shown and Save Training enabled. False when
  // nothing was calculated (one frame or none, a boundary problem).
  // Arithmetic faults throw; the results are then hidden.
  bool CalculatePCs();
  // New Traning: closes the spectra, asks for the new file (and before
  // overwriting one) and puts an empty training on it with the panel's
  // settings. False when the user gave no file.
  bool NewTraining();
  // Open Training: asks for a training file and shows it with its spectra.
  // False when the user gave none; a file that cannot be read is reported
  // and the training shown stays.
  bool OpenTraining();
  // Save Training: the training's statistics from the last results, then
  // `options` (the PCA options dialog; true for OK); with OK the training
  // is written and Save Training disabled. When the dialog changed the
  // number of loadings the statistics are computed again for it, so the
  // file's matrix always fits its loadings. True when written.
  bool SaveTraining(const std::function<bool(TTraining&)>& options);
  // Retrieve: the training's settings into the panel, and its spectra
  // reopened with `includingSpectra`.
  void Retrieve(bool includingSpectra);
  // The frame of each data-matrix row of the last results.
  std::vector<int> RowFrames() const;
  // Frame k preprocessed as a data-matrix row is (against frame 0).
  adouble CurrentRow(int k);
  // The "M.Dist" and "Compact" series (nothing when cancelled or when a
  // frame does not cover the bounds).
  std::optional<PageSeries> MDistSeries(int nf);
  std::optional<PageSeries> CompactSeries();

  // ---- state
  PlotCollection& Plots() { return plots_; }
  const PlotCollection& Plots() const { return plots_; }
  TTraining& Training() { return training_; }
  const TTraining& Training() const { return training_; }
  TMemIniFile& IniSet() { return iniSet_; }
  Workbench& Bench() { return workbench_; }
  SettingsPanel& Settings() { return settings_; }
  const SettingsPanel& Settings() const { return settings_; }
  const MainWindowEnabling& Enabling() const { return enabling_; }
  const std::string& Caption() const { return caption_; }
  bool ResultsVisible() const { return resultsVisible_; }

  std::function<void(unsigned changes)> OnChanged;

 private:
  void Notify(unsigned changes) {
    if (OnChanged) OnChanged(changes);
  }

  PlotCollection& plots_;
  TMemIniFile iniSet_;
  TTraining training_;
  Workbench workbench_;
  CommandScript script_;
  SettingsPanel settings_;
  MainWindowEnabling enabling_;
  std::string caption_ = kCaptionBase;
  bool resultsVisible_ = false;
};

}  // namespace sorrel
