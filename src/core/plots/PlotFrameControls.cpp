// The property pages of a plot frame: the options into the controls and
// back, what a change of each control does, the ranges grids' commands,
// the data-table toggles and the property tool bar.
#include <algorithm>

#include "core/common/NumberText.h"
#include "core/plots/PlotFrame.h"

namespace sorrel {

namespace {

// Stores `value` in `field`; false when it was there already (a control
// set to its own value tells nobody).
template <class T>
bool SetIfNew(T& field, T value) {
  if (field == value) return false;
  field = value;
  return true;
}

double Limit(double v, const SpinLimits& limits) {
  return std::clamp(v, limits.min, limits.max);
}

int32_t Limit(int32_t v, const SpinLimits& limits) {
  return std::clamp(v, static_cast<int32_t>(limits.min), static_cast<int32_t>(limits.max));
}

}  // namespace

// ---- options <-> controls

void PlotFrame::UpdateFromOptions() {
  tSpOpt& o = *fSpOpt;
  const bool wasLocked = o.Locked;
  o.Locked = true;
  ++updating_;
  SetMassOnly(o.MassOnly);
  for (bool chrom : {true, false}) {
    // A copy: the handlers below cannot write the options (they are
    // locked), but the copy says so plainly.
    const ToView v = o.View(chrom);
    ChartViewLogic& view = chrom ? chrChrom : chrMass;
    // The mass spectrum's units follow the options as the chromatogram's
    // do, so that the next store of the mass half cannot put back units
    // the options no longer hold.
    SetXUnits(chrom, v.XUnits);
    if (!v.TeeFile.empty() && OnLoadAppearance) OnLoadAppearance(chrom, v.TeeFile);
    SetAutoY(chrom, v.AutoY);
    SetFixY(chrom, v.FixY);
    // "Auto Y" and "Fixed Y" are applied to the view whether they changed
    // or not, as a click would.
    view.SetFixY(v.FixY);
    view.SetAutoY(v.AutoY);
    SetPercentY(chrom, v.YUnits);
    SetSGDegree(chrom, v.Smooth.SGDegree);
    SetSmoothOn(chrom, v.Smooth.Enabled);
    SetAutoTS(chrom, v.BLine.AutoTS);
    SetThreshold(chrom, v.BLine.Threshold);
    SetBLineOn(chrom, v.BLine.Enabled);
    SetPeakMethod(chrom, v.Peak.Method);
    SetSensitivity(chrom, v.Peak.Sensiv);
    SetMinHeight(chrom, v.Peak.MinHeight);
    SetMinDist(chrom, v.Peak.MinDist);
    SetMinArea(chrom, v.Peak.MinArea);
    SetPeaksOn(chrom, v.Peak.Enabled);
    view.PeaksDown = v.Peak.Enabled;
  }
  Controls.Mass.PeakParamsEnabled = Controls.Mass.PeakMethod != 2;
  SetChromGridHeaders();
  --updating_;
  o.Locked = wasLocked;
  if (updating_ == 0) RunPendingRedraws();
  Notify(kTemplate | kControls);
}

void StoreViewControls(const ViewControls& c, ToView& v) {
  v.XUnits = c.XUnits;
  v.AutoY = c.AutoY;
  v.FixY = c.FixY;
  v.YUnits = c.PercentY;
  v.Smooth.SGDegree = c.SGDegree;
  v.Smooth.Enabled = c.SmoothOn;
  v.BLine.AutoTS = c.AutoTS;
  v.BLine.Threshold = c.Threshold;
  v.BLine.Enabled = c.BLineOn;
  v.Peak.Method = c.PeakMethod;
  v.Peak.Sensiv = c.Sensitivity;
  v.Peak.MinHeight = c.MinHeight;
  v.Peak.MinDist = c.MinDist;
  v.Peak.MinArea = c.MinArea;
  v.Peak.Enabled = c.PeaksOn;
}

void PlotFrame::StoreOptions(bool chromatogram) {
  tSpOpt& o = *fSpOpt;
  if (o.Locked) return;
  o.MassOnly = fMassOnly;
  const ViewControls& c = ViewOf(chromatogram);
  StoreViewControls(c, o.View(chromatogram));
  if (!chromatogram) Controls.Mass.PeakParamsEnabled = c.PeakMethod != 2;
}

// ---- redraws asked for by the controls

bool PlotFrame::HasData() const {
  return fMassOnly ? !Spec.CMass.empty() : Spec.NSpec() > 0;
}

void PlotFrame::RedrawChrom() {
  if (updating_ > 0) {
    pendingChrom_ = true;
    return;
  }
  if (HasData()) ShowChrom();
}

void PlotFrame::RedrawMass() {
  if (updating_ > 0) {
    pendingMass_ = true;
    return;
  }
  if (HasData()) ShowSMass(-1);
}

void PlotFrame::AfterUnitsChange(bool chromatogram) {
  if (!Showing) return;
  if (updating_ > 0) {
    pendingIniPos_ = true;
    return;
  }
  if (!HasData()) return;
  (chromatogram ? chrChrom : chrMass).RequestExpand();
  SetIniPos();
}

void PlotFrame::RunPendingRedraws() {
  const bool chrom = pendingChrom_, mass = pendingMass_, iniPos = pendingIniPos_;
  pendingChrom_ = pendingMass_ = pendingIniPos_ = false;
  if (!HasData()) return;
  if (iniPos) {
    chrChrom.RequestExpand();
    chrMass.RequestExpand();
    SetIniPos();
    return;
  }
  if (chrom) ShowChrom();
  if (mass) ShowSMass(-1);
}

// ---- what a change of each control does

void PlotFrame::SetXUnits(bool chromatogram, int32_t units) {
  units = std::clamp(units, 0, chromatogram ? 2 : 1);
  if (!SetIfNew(ViewOf(chromatogram).XUnits, units)) return;
  Notify(kControls);
  StoreOptions(chromatogram);
  // Ranges in the old units mean nothing in the new ones.
  ClearRanges(chromatogram);
  if (chromatogram) {
    SetChromGridHeaders();
    RedrawChrom();
  } else {
    RedrawMass();
  }
  AfterUnitsChange(chromatogram);
}

void PlotFrame::SetPercentY(bool chromatogram, bool percent) {
  if (!SetIfNew(ViewOf(chromatogram).PercentY, percent)) return;
  Notify(kControls);
  StoreOptions(chromatogram);
  // The ranges are masses or times: the intensity units leave them as
  // they are, in both views.
  if (chromatogram)
    RedrawChrom();
  else
    RedrawMass();
  AfterUnitsChange(chromatogram);
}

void PlotFrame::SetFixY(bool chromatogram, bool fixY) {
  if (!SetIfNew(ViewOf(chromatogram).FixY, fixY)) return;
  Notify(kControls);
  (chromatogram ? chrChrom : chrMass).SetFixY(fixY);
  StoreOptions(chromatogram);
}

void PlotFrame::SetAutoY(bool chromatogram, bool down) {
  if (!SetIfNew(ViewOf(chromatogram).AutoY, down)) return;
  Notify(kControls);
  (chromatogram ? chrChrom : chrMass).SetAutoY(down);
  StoreOptions(chromatogram);
}

void PlotFrame::SetSmoothOn(bool chromatogram, bool on) {
  if (!SetIfNew(ViewOf(chromatogram).SmoothOn, on)) return;
  Notify(kControls);
  StoreOptions(chromatogram);
  chromatogram ? RedrawChrom() : RedrawMass();
}

void PlotFrame::SetBLineOn(bool chromatogram, bool on) {
  if (!SetIfNew(ViewOf(chromatogram).BLineOn, on)) return;
  Notify(kControls);
  StoreOptions(chromatogram);
  chromatogram ? RedrawChrom() : RedrawMass();
}

void PlotFrame::SetPeaksOn(bool chromatogram, bool on) {
  if (!SetIfNew(ViewOf(chromatogram).PeaksOn, on)) return;
  Notify(kControls);
  (chromatogram ? chrChrom : chrMass).PeaksDown = on;
  StoreOptions(chromatogram);
  chromatogram ? RedrawChrom() : RedrawMass();
}

void PlotFrame::SetSGDegree(bool chromatogram, int32_t degree) {
  if (!SetIfNew(ViewOf(chromatogram).SGDegree, Limit(degree, kSGDegreeLimits))) return;
  Notify(kControls);
  StoreOptions(chromatogram);
}

void PlotFrame::SetAutoTS(bool chromatogram, bool automatic) {
  if (!SetIfNew(ViewOf(chromatogram).AutoTS, automatic)) return;
  Notify(kControls);
  StoreOptions(chromatogram);
  const rBLine& b = fSpOpt->View(chromatogram).BLine;
  if (b.Enabled) chromatogram ? RedrawChrom() : RedrawMass();
  if (b.AutoTS) ViewOf(chromatogram).Threshold = Limit(b.Threshold, kThresholdLimits);
}

void PlotFrame::SetThreshold(bool chromatogram, double threshold) {
  if (!SetIfNew(ViewOf(chromatogram).Threshold, Limit(threshold, kThresholdLimits))) return;
  Notify(kControls);
  StoreOptions(chromatogram);
}

void PlotFrame::SetPeakMethod(bool chromatogram, int32_t method) {
  method = std::clamp(method, 0, chromatogram ? 1 : 2);
  if (!SetIfNew(ViewOf(chromatogram).PeakMethod, method)) return;
  if (!chromatogram) Controls.Mass.PeakParamsEnabled = method != 2;
  Notify(kControls);
  StoreOptions(chromatogram);
  chromatogram ? RedrawChrom() : RedrawMass();
}

void PlotFrame::SetSensitivity(bool chromatogram, int32_t sensitivity) {
  if (!SetIfNew(ViewOf(chromatogram).Sensitivity, Limit(sensitivity, kSensitivityLimits))) return;
  Notify(kControls);
  StoreOptions(chromatogram);
}

void PlotFrame::SetMinHeight(bool chromatogram, double height) {
  if (!SetIfNew(ViewOf(chromatogram).MinHeight, Limit(height, kHeightLimits))) return;
  Notify(kControls);
  StoreOptions(chromatogram);
}

void PlotFrame::SetMinDist(bool chromatogram, double dist) {
  if (!SetIfNew(ViewOf(chromatogram).MinDist, Limit(dist, kDistLimits))) return;
  Notify(kControls);
  StoreOptions(chromatogram);
}

void PlotFrame::SetMinArea(bool chromatogram, double area) {
  if (!SetIfNew(ViewOf(chromatogram).MinArea, Limit(area, kAreaLimits))) return;
  Notify(kControls);
  StoreOptions(chromatogram);
}

void PlotFrame::SetSeeFD(bool chromatogram, bool see) {
  if (!SetIfNew(ViewOf(chromatogram).SeeFD, see)) return;
  Notify(kControls);
  StoreOptions(chromatogram);
  chromatogram ? RedrawChrom() : RedrawMass();
}

void PlotFrame::SetChromKind(int32_t kind) {
  if (!Controls.ChromKindEnabled) return;
  if (!SetIfNew(Controls.ChromKind, kind == 1 ? 1 : 0)) return;
  Notify(kControls);
  if (!IsEmpty()) RefreshPlot();
}

// ---- data tables

void PlotFrame::SetShowData(bool chromatogram, bool data) {
  (chromatogram ? chrChrom : chrMass).SetChartVis(!data);
}

void PlotFrame::ChartVisChanged(bool chromatogram, bool chartVis) {
  ViewOf(chromatogram).ShowData = !chartVis;
  Notify(kControls);
  if (!chromatogram) {
    if (!chartVis) chrMass.UpdateDataTable();
    return;
  }
  if (chartVis) {
    // Back to the chart: the cursor goes to the X of the table's current
    // row, and the mass view shows the scan there.
    const auto x = ParseNumber(chrChrom.DataCell(chrChrom.DataRow(), 0));
    if (!x) return;
    chrChrom.SetCursorAt(*x);
    if (chrChrom.CursorIndex() >= 0) ShowSMass(chrChrom.CursorIndex());
    return;
  }
  // The table: on the row of the point under the cursor, whose scan the
  // mass view shows; the chromatogram goes to zoom mode.
  chrChrom.UpdateDataTable();
  const int row = chrChrom.CursorIndex();
  chrChrom.SelectDataRow(row);
  if (row >= 0) ShowSMass(row);
  chrChrom.SetZoomMode(true);
}

// ---- ranges grids

void PlotFrame::ClearRanges(bool chromatogram) {
  (chromatogram ? sgRangesChrom : sgRangesMass).ClearStarts();
  UpdateRanges(chromatogram);
}

void PlotFrame::UpdateRanges(bool chromatogram) {
  if (chromatogram) {
    chrChrom.UpdateFromTable();
    RedrawMass();
  } else {
    chrMass.UpdateFromTable();
    RedrawChrom();
  }
}

// ---- the property tool bar and the pages

void PlotFrame::ChromBarClicked() {
  if (fWhatVis == wvMass) return;
  Controls.Chrom.PagesShown = !Controls.Chrom.PagesShown;
  Notify(kControls);
}

void PlotFrame::MassBarClicked() {
  if (fWhatVis == wvChrom) return;
  Controls.Mass.PagesShown = !Controls.Mass.PagesShown;
  Notify(kControls);
}

void PlotFrame::ChromBarRightClicked() {
  if (fMassOnly) return;
  if (fWhatVis == wvMass)
    SetWhatVis(wvBoth);
  else if (fWhatVis == wvBoth)
    SetWhatVis(wvMass);
}

void PlotFrame::MassBarRightClicked() {
  if (fWhatVis == wvChrom)
    SetWhatVis(wvBoth);
  else if (fWhatVis == wvBoth)
    SetWhatVis(wvChrom);
}

void PlotFrame::CommonBarClicked() {
  Controls.CommonShown = !Controls.CommonShown;
  Notify(kControls);
}

void PlotFrame::ToolPageRequested(bool chromatogram, int32_t page) {
  ViewControls& c = ViewOf(chromatogram);
  c.PagesShown = chromatogram ? !c.PagesShown : true;
  if (c.PagesShown) c.Page = std::clamp(page, 0, static_cast<int32_t>(pgStats));
  Notify(kControls);
}

void PlotFrame::PropertyBarResized() {
  if (AdaptiveLabels()) MarkPeaksAdaptive();
}

PlotFrame::WaterfallLayout PlotFrame::LayOutWaterfall(const std::vector<WaterfallTrace>& traces) {
  WaterfallLayout l;
  float lowX = 0, highX = 0, highY = 0;
  bool any = false;
  for (const auto& t : traces)
    for (const dPoint& p : t.points) {
      lowX = any ? std::min(lowX, p[0]) : p[0];
      highX = any ? std::max(highX, p[0]) : p[0];
      highY = std::max(highY, p[1]);
      any = true;
    }
  const double n = static_cast<double>(std::max<size_t>(traces.size(), 1));
  l.LowX = lowX;
  l.HighX = highX;
  l.StepX = (highX > lowX ? highX - lowX : 1.0) / 3.0 / n;
  l.StepY = (highY > 0 ? highY : 1.0) * 1.2 / n;
  return l;
}

}  // namespace sorrel
