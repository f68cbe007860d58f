#pragma once
// The logic of a plot frame (TfrmPlot): one spectrum store shown in a
// chromatogram view above a mass-spectrum view, with the frame's options
// read from a plot template. A run frame shows a GC/MS run; a mass-only
// frame one mass spectrum. The frame opens, saves and pastes data, switches
// between the two kinds, applies and saves templates, and lays out its two
// views. The window binds its widgets to this object; the preprocessing
// for PCA reaches it through PreprocFrame.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/common/Types.h"
#include "core/plots/ChartViewLogic.h"
#include "core/plots/PreprocFrame.h"
#include "core/plots/RangesGrid.h"
#include "core/plots/SpOpt.h"
#include "core/plots/TemplateName.h"
#include "core/spectrum/Spec.h"

namespace sorrel {

enum tWhatVis { wvChrom, wvMass, wvBoth };

class PlotFrame : public PreprocFrame {
 public:
  // What changed, for the window (OnChanged).
  enum Change : unsigned {
    kCaption = 1,   // the caption
    kKind = 2,      // run frame or mass-only frame
    kLayout = 4,    // which views are visible
    kFileInfo = 8,  // the file information grid
    kTemplate = 16  // the options or the template's name
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
  // The chromatogram kind: 0 total ion current, 1 base peak intensity.
  int ChromKind = 0;
  // "On close save changes in a template".
  bool SaveTemplateOnClose = false;

  // Opens a file (an empty name asks with a dialog); a name whose
  // directory does not exist is looked for in DataPath. A text spectrum
  // makes a mass-only frame, any other file a run frame. Throws SorrelError
  // "File <name> does not exist." for a named file that is not there.
  bool OpenData(const std::string& iFilename);
  // Saves the store (an empty name asks with a dialog).
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
  bool ShowSMass(int Idx);
  bool ShowChrom();
  void SetIniPos();
  void RefreshPlot();
  // The views' selection callbacks.
  void ChromSelect(int Idx);
  void MassSelect(int Idx);
  // The options into the views (and the frame's kind); the window adds
  // its controls.
  void UpdateFromOptions();

  // ---- PreprocFrame
  bool IsEmpty() const override;
  void TakeOptionsOf(const PreprocFrame& other) override;
  const tXYarray& CurrentMass() const override { return Spec.CMass; }
  std::string FileName() const override { return Spec.Filename(); }

  std::function<void(unsigned changes)> OnChanged;
  // A view's appearance file named in the options is to be loaded
  // (chromatogram view or mass view, file name).
  std::function<void(bool chromatogram, const std::string& fileName)> OnLoadAppearance;

 private:
  void Notify(unsigned changes);
  void FillFileInfo();
  void SetChromGridHeaders();
  tXYarray ProcessMass(const tXYarray& input) const { return input; }
  tXYarray ProcessChrom(const tXYarray& input) const { return input; }

  bool fDocked = false;
  std::string fTmplName;
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
