#pragma once
// The logic of a plot frame (TfrmPlot): one spectrum store shown in a
// chromatogram view above a mass-spectrum view, with the frame's options
// read from a plot template. A run frame shows a GC/MS run; a mass-only
// frame one mass spectrum. The frame opens, saves and pastes data, switches
// between the two kinds, applies and saves templates, and lays out its two
// views; it computes what the views show (one scan or the weighted sum of
// the chromatogram ranges, the TIC, BPI or selected-ion chromatogram, each
// through the view's processing chain) with their statistics and peak
// labels, and runs what each control of its property pages does. The
// window binds its widgets to this object; the preprocessing for PCA
// reaches it through PreprocFrame.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/common/Types.h"
#include "core/plots/ChartViewLogic.h"
#include "core/plots/FrameControls.h"
#include "core/plots/PreprocFrame.h"
#include "core/plots/RangesGrid.h"
#include "core/plots/SpOpt.h"
#include "core/plots/TemplateName.h"
#include "core/processing/ProcessingChain.h"
#include "core/spectrum/Spec.h"

namespace sorrel {

enum tWhatVis { wvChrom, wvMass, wvBoth };

// The controls of one view's property pages into that view's options
// (units, Y scaling, smoothing, baseline and peak search); the options'
// other settings stay as they are.
void StoreViewControls(const ViewControls& c, ToView& v);

class PlotFrame : public PreprocFrame {
 public:
  // What changed, for the window (OnChanged).
  enum Change : unsigned {
    kCaption = 1,    // the caption
    kKind = 2,       // run frame or mass-only frame
    kLayout = 4,     // which views are visible
    kFileInfo = 8,   // the file information grid
    kTemplate = 16,  // the options or the template's name
    kControls = 32,  // the property pages (Controls)
    kWaterfall = 64  // the 3D page's traces
  };

  PlotFrame();
  // With "On close save changes in a template" ticked, the options are
  // written to their template first (never to the defaults file).
  ~PlotFrame() override;
  PlotFrame(const PlotFrame&) = delete;
  PlotFrame& operator=(const PlotFrame&) = delete;

  // Prepares the frame once, on the template `tml` (ResolveTemplateName);
  // always true.
  bool Initialise(const std::string& tml);

  // ---- number, name, caption, docking
  int Number() const { return fNumber; }
  void SetNumber(int value);
  std::string Name;  // "Sp" and the frame's label, given by the collection
  const std::string& Caption() const { return fCaption; }
  void SetCaption(std::string value);
  bool Docked() const { return fDocked; }
  void SetDocked(bool value) { fDocked = value; }

  // ---- layout of the two views
  tWhatVis WhatVis() const { return fWhatVis; }
  void SetWhatVis(tWhatVis value);
  int VisRatio = 40;  // the chromatogram's share of the height, percent
  bool GardeRatio() const { return fGardeRatio; }
  void SetGardeRatio(bool value);
  // The chromatogram panel's height in a frame `height` pixels high: just
  // after WhatVis changed (33% while both views show), and after a resize
  // (VisRatio% while GardeRatio is set; -1 for no change).
  int ChromHeightAfterWhatVis(int height) const;
  int ChromHeightAfterResize(int height) const;
  // The user moved the splitter: VisRatio follows while both views show.
  void SplitterMoved(int chromHeight, int height);

  // ---- the data
  TSpec Spec;
  tSpOpt& SpOpt() { return *fSpOpt; }
  const tSpOpt& SpOpt() const { return *fSpOpt; }
  // Takes over the settings of `source` (its file name stays the frame's).
  void SetSpOpt(const tSpOpt& source);
  // The base template's name as a training stores it; empty on the
  // defaults file.
  std::string TmplName() const;
  // The caption of the template group (" Base Template (gc.tml)").
  const std::string& TemplateCaption() const { return templateCaption_; }
  bool MassOnly() const { return fMassOnly; }
  void SetMassOnly(bool value);
  // The current spectrum: the store's in a mass-only frame, the selected
  // scan's in a run frame (empty without one). Writing it works only in a
  // mass-only frame.
  tXYarray GetCMass();
  void SetCMass(const tXYarray& value);
  int LastMassIdx = -1;
  // "On close save changes in a template".
  bool SaveTemplateOnClose = false;

  // Opens a file (an empty name asks with a dialog); a name whose
  // directory does not exist is looked for in DataPath. A text spectrum
  // makes a mass-only frame, any other file a run frame. Throws SorrelError
  // "File <name> does not exist." for a named file that is not there.
  bool OpenData(const std::string& iFilename);
  // Saves the store (an empty name asks with a dialog). What the file's
  // format cannot keep of the run (an HD file's whole-number intensities,
  // say) is shown in a message; the file is written all the same.
  bool SaveData(const std::string& iFilename);
  // Pastes a mass spectrum from the clipboard; the frame becomes mass-only.
  bool PasteMass();
  // Clears the frame and fills it with a synthetic run.
  void FillWithSamples();
  // Switches the store's disk cache on.
  void ForcedCashe();
  // Template commands: open one over the frame's settings, or save the
  // settings as a new template (each asks for the file).
  bool OpenTemplate();
  bool SaveTemplateAs();
  // Empties the frame.
  void Clear();

  // The file information grid: shown for netCDF runs, rows of parameter
  // and value.
  bool FileInfoVisible() const { return !fileInfo_.empty(); }
  const std::vector<std::pair<std::string, std::string>>& FileInfo() const { return fileInfo_; }

  // ---- the views
  RangesGrid sgRangesChrom;
  RangesGrid sgRangesMass;
  ChartViewLogic chrChrom;
  ChartViewLogic chrMass;
  // Shows the spectrum of scan Idx (-1: the scan shown before) or, with the
  // chromatogram in range mode, the weighted sum of its ranges, which also
  // becomes the store's CMass; in a mass-only frame the store's CMass.
  // False for a scan outside the run, and when the user stopped a long sum.
  bool ShowSMass(int Idx);
  // Shows the TIC or the BPI, or with the mass view in range mode the
  // selected-ion chromatogram of its ranges. False without scans, when the
  // run's largest total is 0 in percent, when a floating-point error stops
  // the building (the run's chromatogram is then written to
  // "exception2.txt" in the current directory and the user told), and when
  // the user stopped it.
  bool ShowChrom();
  void SetIniPos();
  void RefreshPlot();
  // The views' selection callbacks.
  void ChromSelect(int Idx);
  void MassSelect(int Idx);
  // The processing chain of each view with the frame's options; the view's
  // peak list and status letters follow.
  tXYarray ProcessMass(const tXYarray& input);
  tXYarray ProcessChrom(const tXYarray& input);
  // Labels the peaks of the mass spectrum shown so that their labels do
  // not crowd at the chart's scale (MassChartScale).
  void MarkPeaksAdaptive();
  // The text of the mark at point `index` of a view: the X of the first
  // peak of the view's list at that point, rounded to one decimal; empty
  // for a point that is no peak and in an empty frame.
  std::string MarkText(bool chromatogram, int index) const;
  // The chart's scale for the adaptive labels, asked with the spectrum
  // shown; without it, a chart of 800 x 400 pixels showing it whole.
  std::function<ChartScale(const tXYarray& shown)> MassChartScale;
  // The frame is on screen: a change of units then also expands the view
  // and selects the opening scan again.
  bool Showing = false;

  // ---- the property pages
  FrameControls Controls;
  ViewControls& ViewOf(bool chromatogram) { return chromatogram ? Controls.Chrom : Controls.Mass; }
  // The options into the controls. Each control that changes does what a
  // user's change would; the options are locked meanwhile, so that no
  // handler writes a half-copied state back, and the views are redrawn
  // once at the end.
  void UpdateFromOptions();
  // The controls of one half into the options; nothing while they are
  // locked.
  void StoreOptions(bool chromatogram);
  // What a user's change of a control does (nothing when the value is the
  // control's already). Spin edits reach the options at once but start no
  // recomputation; they act from the next one on.
  void SetXUnits(bool chromatogram, int32_t units);
  void SetPercentY(bool chromatogram, bool percent);
  void SetFixY(bool chromatogram, bool fixY);
  void SetAutoY(bool chromatogram, bool down);
  void SetSmoothOn(bool chromatogram, bool on);
  void SetBLineOn(bool chromatogram, bool on);
  void SetPeaksOn(bool chromatogram, bool on);
  void SetSGDegree(bool chromatogram, int32_t degree);
  void SetAutoTS(bool chromatogram, bool automatic);
  void SetThreshold(bool chromatogram, double threshold);
  void SetPeakMethod(bool chromatogram, int32_t method);
  void SetSensitivity(bool chromatogram, int32_t sensitivity);
  void SetMinHeight(bool chromatogram, double height);
  void SetMinDist(bool chromatogram, double dist);
  void SetMinArea(bool chromatogram, double area);
  void SetSeeFD(bool chromatogram, bool see);
  void SetChromKind(int32_t kind);
  // "Chart" or "Data" of a view (the radio group and the view's "Data
  // Table" button).
  void SetShowData(bool chromatogram, bool data);
  // The ranges grid's "Clear" (empty every start, then "Update") and
  // "Update" (the view takes the grid over and the other view follows).
  void ClearRanges(bool chromatogram);
  void UpdateRanges(bool chromatogram);

  // ---- the property tool bar and the pages
  // tbChrom and tbMass clicked: the view's pages are shown or hidden,
  // unless only the other view is visible. Right button: the view itself.
  void ChromBarClicked();
  void MassBarClicked();
  void ChromBarRightClicked();
  void MassBarRightClicked();
  void CommonBarClicked();
  // The right button released over a view's "Data Table", "Smooth",
  // "Baseline" or "Peaks" button: that view's pages open on page 0 .. 3
  // (the chromatogram's are shown or hidden by turns).
  void ToolPageRequested(bool chromatogram, int32_t page);
  // The property tool bar was resized: adaptive labels are laid out anew.
  void PropertyBarResized();
  // "Tabs Visible" and the page of the frame (0 "  2D", 1 "  3D", by the
  // tabs or by " Dimentions "). A mass-only frame has no 3D page; the
  // waterfall follows the run while the 3D page is in front.
  void SetTabsVisible(bool visible);
  void SetPage3D(int32_t page);
  // The waterfall of the 3D page: every step-th scan (WaterfallScans).
  struct WaterfallTrace {
    int32_t scan = 0;
    tXYarray points;
  };
  std::vector<WaterfallTrace> Waterfall;
  // How the traces are drawn one behind the other: trace k is shifted by
  // k * StepX in mass and k * StepY in intensity, so that together they
  // climb 1.2 times the largest intensity and lean right by a third of the
  // mass range; each trace's baseline runs from LowX to HighX.
  struct WaterfallLayout {
    double LowX = 0, HighX = 0;
    double StepX = 0, StepY = 0;
  };
  static WaterfallLayout LayOutWaterfall(const std::vector<WaterfallTrace>& traces);

  // ---- PreprocFrame
  bool IsEmpty() const override;
  // Takes over the other plot frame's processing options; the frame keeps
  // its kind (a run stays a run, a spectrum a spectrum) and what it shows.
  void TakeOptionsOf(const PreprocFrame& other) override;
  // The mass spectrum the mass view shows, through the frame's processing
  // (never the first derivative the view may show instead): the spectrum
  // a training is made of and a classification judges.
  const tXYarray& CurrentMass() const override { return currentMass_; }
  std::string FileName() const override { return Spec.Filename(); }

  std::function<void(unsigned changes)> OnChanged;
  // A view's appearance file named in the options is to be loaded
  // (chromatogram view or mass view, file name).
  std::function<void(bool chromatogram, const std::string& fileName)> OnLoadAppearance;

 private:
  bool SaveSpecAs(const std::string& name);
  void Notify(unsigned changes);
  void FillFileInfo();
  void SetChromGridHeaders();
  // Redraws asked for by the controls: at once, or once at the end of
  // UpdateFromOptions.
  void RedrawChrom();
  void RedrawMass();
  void AfterUnitsChange(bool chromatogram);
  void RunPendingRedraws();
  bool HasData() const;
  void AfterProcessing(bool chromatogram, const ChainResult& r);
  void AdaptIncrements(bool chromatogram);
  bool AdaptiveLabels() const;
  void ChartVisChanged(bool chromatogram, bool chartVis);
  void MassButton(bool pressed);
  void FillWaterfall();
  void SyncModes();
  // The raw chromatogram (TIC, BPI or selected-ion chromatogram).
  tXYarray RawChrom();
  // The selection the raw chromatogram was last built for; a change of the
  // mass view that leaves it as it was (a zoom) does not build it again.
  struct ChromKey {
    bool massZoom = true;
    int32_t kind = 0;
    std::vector<WeightedRange> ranges;
    bool operator==(const ChromKey&) const = default;
  };
  ChromKey CurrentChromKey() const;
  bool chromBuilt_ = false;
  ChromKey builtKey_;
  int updating_ = 0;
  bool pendingChrom_ = false, pendingMass_ = false, pendingIniPos_ = false;

  bool fDocked = false;
  std::string fTmplName;
  tXYarray currentMass_;  // CurrentMass
  tWhatVis fWhatVis = wvBoth;
  bool fGardeRatio = true;
  bool fMassOnly = false;
  int fNumber = 0;
  std::string fCaption;
  std::unique_ptr<tSpOpt> fSpOpt;
  std::string templateCaption_;
  std::vector<std::pair<std::string, std::string>> fileInfo_;
};

}  // namespace sorrel
