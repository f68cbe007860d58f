#include "core/plots/PlotFrame.h"

#include <cmath>

#include "core/common/Directories.h"
#include "core/common/ErrorBox.h"
#include "core/common/Errors.h"
#include "core/common/FrameLabels.h"
#include "core/common/NumberText.h"
#include "core/common/Paths.h"
#include "core/common/UiHooks.h"
#include "core/plots/Extraction.h"
#include "core/spectrum/NetCDF.h"
#include "core/spectrum/SpecPaste.h"

namespace sorrel {

namespace {

const char* const kEmptyTml = "empty.tml";

// dir and name joined by one "/"; the name alone without a directory.
std::string JoinPath(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

// A raw directory named by itself opens as the file inside it that the
// reader looks for first.
std::string RawDirectoryFile(const std::string& name) {
  std::string dir = name;
  if (!dir.empty() && dir.back() == '/') dir.pop_back();
  if (!DirectoryExists(dir) || UpperCase(ExtractFileExt(dir)) != ".RAW") return name;
  return dir + "/_FUNCTNS.INF";
}

// Rounds to the nearest whole number, halves to even.
int RoundPercent(double v) {
  return static_cast<int>(std::nearbyint(v));
}

}  // namespace

PlotFrame::PlotFrame() : fSpOpt(std::make_unique<tSpOpt>(std::string())) {
  // The views work on their grids from the start; Initialise sets them up
  // properly.
  chrChrom.Initialise(true, &sgRangesChrom);
  chrMass.Initialise(false, &sgRangesMass);
}

PlotFrame::~PlotFrame() {
  // Spectrum callbacks must not reach a frame that is going.
  Spec.RefreshPlot = nullptr;
  for (ChartViewLogic* v : {&chrChrom, &chrMass}) {
    v->OnSelect = nullptr;
    v->OnChartVis = nullptr;
    v->OnButton = nullptr;
    v->MarkText = nullptr;
  }
  if (SaveTemplateOnClose && fSpOpt && ExtractFileName(fSpOpt->FileName()) != kEmptyTml) {
    try {
      fSpOpt->Save();
    } catch (const std::exception& e) {
      // The user asked for the changes to be kept: say that they were not.
      ShowErrorBox(e.what());
    }
  }
}

void PlotFrame::Notify(unsigned changes) {
  if (OnChanged) OnChanged(changes);
}

bool PlotFrame::Initialise(const std::string& tml) {
  LastMassIdx = -1;
  Spec.Initialise();
  Spec.Number = fNumber;
  Spec.RefreshPlot = [this] { RefreshPlot(); };
  Spec.SetAutoRefresh(true);
  chrChrom.Initialise(true, &sgRangesChrom);
  chrMass.Initialise(false, &sgRangesMass);
  chrChrom.OnSelect = [this](int idx) { ChromSelect(idx); };
  chrMass.OnSelect = [this](int idx) { MassSelect(idx); };
  chrChrom.OnChartVis = [this](bool vis) { ChartVisChanged(true, vis); };
  chrMass.OnChartVis = [this](bool vis) { ChartVisChanged(false, vis); };
  chrMass.OnButton = [this](bool pressed) { MassButton(pressed); };
  chrChrom.MarkText = [this](int index) { return MarkText(true, index); };
  chrMass.MarkText = [this](int index) { return MarkText(false, index); };
  Controls = FrameControls();
  fWhatVis = wvBoth;
  VisRatio = 40;
  fGardeRatio = true;
  sgRangesChrom.SetCell(RangesGrid::kWeight, 0, "W");
  sgRangesMass.SetCell(RangesGrid::kWeight, 0, "W");
  sgRangesMass.SetCell(RangesGrid::kStart, 0, "Start m/z");
  sgRangesMass.SetCell(RangesGrid::kEnd, 0, "End m/z");

  const std::string resolved = ResolveTemplateName(tml);
  fSpOpt = std::make_unique<tSpOpt>(resolved.empty() ? TemplateFileOf(tml) : resolved);
  fSpOpt->Open();
  chrChrom.SpOpt = fSpOpt.get();
  chrMass.SpOpt = fSpOpt.get();
  UpdateFromOptions();
  chrChrom.SetZoomMode(true);
  chrMass.SetZoomMode(true);
  templateCaption_ = " Base Template (" +
                     (resolved.empty() ? std::string("<none>") : ExtractFileName(resolved)) + ")";
  Controls.ChromKind = 0;
  SyncModes();
  fTmplName = resolved;
  Notify(kTemplate | kLayout | kControls);
  return true;
}

// ---- number, caption, layout

void PlotFrame::SetNumber(int value) {
  fNumber = value;
  Spec.Number = value;
}

void PlotFrame::SetCaption(std::string value) {
  fCaption = std::move(value);
  (fMassOnly ? chrMass : chrChrom).SetTitle(fCaption);
  Notify(kCaption);
}

void PlotFrame::SetWhatVis(tWhatVis value) {
  fWhatVis = value;
  if (value != wvChrom && (VisRatio == 0 || VisRatio > 100)) VisRatio = 33;
  Notify(kLayout);
}

void PlotFrame::SetGardeRatio(bool value) {
  fGardeRatio = value;
  Notify(kLayout);
}

int PlotFrame::ChromHeightAfterWhatVis(int height) const {
  switch (fWhatVis) {
    case wvChrom:
      return height;
    case wvMass:
      return 0;
    case wvBoth:
      break;
  }
  return RoundPercent(height * 33 / 100.0);
}

int PlotFrame::ChromHeightAfterResize(int height) const {
  if (fWhatVis != wvBoth || !fGardeRatio) return -1;
  return RoundPercent(height * VisRatio / 100.0);
}

void PlotFrame::SplitterMoved(int chromHeight, int height) {
  if (fWhatVis != wvBoth || height <= 0) return;
  VisRatio = RoundPercent(100.0 * chromHeight / height);
}

// ---- options and templates

void PlotFrame::SetSpOpt(const tSpOpt& source) {
  fSpOpt->Assign(source);
  UpdateFromOptions();
  fTmplName = fSpOpt->FileName();
  templateCaption_ = "Template (" + ExtractFileName(fSpOpt->FileName()) + ")";
  Notify(kTemplate);
}

std::string PlotFrame::TmplName() const {
  std::string part = ExtractFileName(fTmplName);
  part = part.substr(0, part.size() - ExtractFileExt(part).size());
  return UpperCase(part) == "EMPTY" ? std::string() : fTmplName;
}

void PlotFrame::SetChromGridHeaders() {
  const bool scans = fSpOpt->oChrom.XUnits == 0;
  sgRangesChrom.SetCell(RangesGrid::kStart, 0, scans ? "Start idx" : "Start time");
  sgRangesChrom.SetCell(RangesGrid::kEnd, 0, scans ? "End index" : "End time");
}

bool PlotFrame::OpenTemplate() {
  FileDialogRequest r;
  r.title = "Open template";
  r.filters = {{"Template", "*.tml"}};
  r.defaultExt = "tml";
  r.initialDir = ConfigDir();
  auto files = Ui().OpenFileDialog(r);
  if (files.empty()) return false;
  tSpOpt opened(files.front());
  opened.Open(fSpOpt.get());
  fSpOpt->Assign(opened);
  UpdateFromOptions();
  return true;
}

bool PlotFrame::SaveTemplateAs() {
  FileDialogRequest r;
  r.title = "Save template as";
  r.filters = {{"Plot Template (*.tml)", "*.tml"}};
  r.defaultExt = "tml";
  r.initialDir = ConfigDir();
  std::string file = Ui().SaveFileDialog(r);
  if (file.empty()) return false;
  if (ExtractFileExt(file).empty()) file += ".tml";
  tSpOpt copy(file);
  copy.Assign(*fSpOpt);
  return copy.Save();
}

// ---- kind and current spectrum

void PlotFrame::SetMassOnly(bool value) {
  if (value == fMassOnly) return;
  tXYarray kept;
  if (value) kept = GetCMass();
  Clear();
  fMassOnly = value;
  fWhatVis = value ? wvMass : wvBoth;
  // A run frame starts without its common panel; a mass-only frame has
  // no 3D page (nor the Properties page that chooses it).
  if (!value) Controls.CommonShown = false;
  if (value) Controls.Page3D = 0;
  Spec.SetMassOnly(value);
  fSpOpt->MassOnly = value;
  if (kept.size() > 1) {
    SetCMass(kept);
    RefreshPlot();
    chrMass.SetNearestActive(true);
  }
  Notify(kKind | kLayout);
}

tXYarray PlotFrame::GetCMass() {
  if (fMassOnly) return Spec.CMass;
  if (LastMassIdx >= 0) return Spec.GetMass(LastMassIdx);
  return {};
}

void PlotFrame::SetCMass(const tXYarray& value) {
  if (!fMassOnly) return;
  Spec.CMass = value;
  ShowSMass(-1);
}

// ---- data files

bool PlotFrame::OpenData(const std::string& iFilename) {
  Clear();
  const std::string given = RawDirectoryFile(iFilename);
  std::string name = DirectoryExists(ExtractFilePath(given))
                         ? given
                         : JoinPath(fSpOpt->DataPath, ExtractFileName(given));
  if (!iFilename.empty() && !FileExists(name))
    throw SorrelError("File <" + name + "> does not exist.");
  if (iFilename.empty()) {
    FileDialogRequest r;
    r.title = "Open data file";
    r.filters = {{"Text XY(*.txt)", "*.txt"},  {"Text Y-only(*.prn)", "*.prn"},
                 {"netCDF (*.cdf)", "*.cdf"},  {"HD(*.R*)", "*.R*"},
                 {"MassLynx(*.dat)", "*.dat"}, {"All Files (*.*)", "*.*"}};
    r.initialDir = fSpOpt->DataPath;
    r.filterIndex = fMassOnly ? 1 : 2;
    auto files = Ui().OpenFileDialog(r);
    if (files.empty()) return false;
    name = RawDirectoryFile(files.front());
  }
  SetMassOnly(FileKindOf(name) == fkTxt);
  const bool ok = Spec.OpenFile(name);
  if (fMassOnly) {
    ShowSMass(-1);
  } else {
    SetIniPos();
    if (Spec.FileKind() == fkNetCDF) FillFileInfo();
    chrChrom.SetTitle(name);
  }
  // The readout of the mass view works on what was opened, as it does
  // after a paste or a refresh.
  if (!IsEmpty()) chrMass.SetNearestActive(true);
  SetCaption(name + " (" + Name + ")");
  return ok;
}

void PlotFrame::FillFileInfo() {
  fileInfo_.clear();
  const TnetCDF* n = Spec.netCDF.get();
  auto value = [n](const std::string TnetCDF::*field) { return n ? n->*field : std::string(); };
  fileInfo_ = {{"instr.name", value(&TnetCDF::instrument_name)},
               {"instr.id", value(&TnetCDF::instrument_id)},
               {"instr.mfr", value(&TnetCDF::instrument_mfr)},
               {"instr.model", value(&TnetCDF::instrument_model)},
               {"instr.os_ver.", value(&TnetCDF::instrument_os_version)},
               {"instr.sw_ver.", value(&TnetCDF::instrument_sw_version)}};
  Notify(kFileInfo);
}

bool PlotFrame::SaveData(const std::string& iFilename) {
  std::string name;
  if (!iFilename.empty()) {
    if (FileExists(iFilename) && !Ui().Confirm("File already exists. Overwrite ?")) return false;
    std::string dir = ExtractFilePath(iFilename);
    if (dir.empty()) dir = fSpOpt->DataPath;
    if (!DirectoryExists(dir)) {
      ShowErrorBox("Directory does not exist.");
      return false;
    }
    return SaveSpecAs(JoinPath(dir, ExtractFileName(iFilename)));
  }
  FileDialogRequest r;
  r.title = "Save file as";
  r.filters = {{"Text (*.txt)", "*.txt"}, {"netCDF (*.cdf)", "*.cdf"}, {"HD(*.R*)", "*.R*"}};
  r.initialDir = fSpOpt->DataPath;
  switch (Spec.FileKind()) {
    case fkNetCDF:
      r.filterIndex = 2;
      break;
    case fkHD:
      r.filterIndex = 3;
      break;
    default:
      r.filterIndex = 1;
  }
  int chosen = r.filterIndex;
  name = Ui().SaveFileDialog(r, &chosen);
  if (name.empty()) return false;
  if (ExtractFileExt(name).empty()) {
    static const char* const kExt[] = {".txt", ".cdf", ".R01"};
    name += kExt[chosen >= 1 && chosen <= 3 ? chosen - 1 : 0];
    // The dialog asked about the name without the extension: a file of the
    // full name is not replaced unasked.
    if (FileExists(name) && !Ui().Confirm("File already exists. Overwrite ?")) return false;
  }
  return SaveSpecAs(name);
}

// The file is written all the same; what its format could not keep of the
// run is said once.
bool PlotFrame::SaveSpecAs(const std::string& name) {
  if (!Spec.SaveFile(name)) return false;
  if (Spec.LastSaveLosses().Any()) Ui().ShowMessage(SaveLossText(Spec.LastSaveLosses()));
  return true;
}

bool PlotFrame::PasteMass() {
  SetMassOnly(true);
  return PasteSpectrum(Ui().ClipboardText(), Spec);
}

void PlotFrame::FillWithSamples() {
  // A synthetic run needs a run frame to be seen.
  SetMassOnly(false);
  Clear();
  Spec.FillSampleValues(200);
  SetIniPos();
}

void PlotFrame::ForcedCashe() {
  Spec.SetCasheOn(true);
}

void PlotFrame::Clear() {
  sgRangesChrom.ClearStarts();
  chrChrom.UpdateFromTable();
  sgRangesMass.ClearStarts();
  chrMass.UpdateFromTable();
  Spec.Clear();
  currentMass_.clear();
  LastMassIdx = -1;
  chromBuilt_ = false;
  chrChrom.Peaks.Clear();
  chrChrom.PeaksChanged();
  chrChrom.ClearSeries();
  chrMass.Peaks.Clear();
  chrMass.PeaksChanged();
  chrMass.SetNearestActive(false);
  chrMass.ClearSeries();
  if (!Waterfall.empty()) {
    Waterfall.clear();
    Notify(kWaterfall);
  }
  // The instrument of the file that was shown is no longer the frame's.
  if (!fileInfo_.empty()) {
    fileInfo_.clear();
    Notify(kFileInfo);
  }
}

// ---- PreprocFrame

bool PlotFrame::IsEmpty() const {
  return chrChrom.IsEmpty() && chrMass.IsEmpty();
}

void PlotFrame::TakeOptionsOf(const PreprocFrame& other) {
  if (&other == this) return;
  if (const auto* frame = dynamic_cast<const PlotFrame*>(&other)) {
    // The options say whether a frame is mass-only; switching kind would
    // empty a run frame (or a spectrum frame taking a run's options).
    tSpOpt options(frame->SpOpt().FileName());
    options.Assign(frame->SpOpt());
    options.MassOnly = fMassOnly;
    SetSpOpt(options);
    RefreshPlot();
  }
}

}  // namespace sorrel
