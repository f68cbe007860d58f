// What the two views of a plot frame show: the mass spectrum of a scan or
// of the chromatogram ranges, the chromatogram of the run, each through the
// view's processing chain, with their statistics, peak labels and the
// waterfall of the 3D page.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <optional>

#include "core/common/ErrorBox.h"
#include "core/common/Errors.h"
#include "core/common/NumberText.h"
#include "core/common/ProgressIndicator.h"
#include "core/common/Rounding.h"
#include "core/common/UiHooks.h"
#include "core/plots/Extraction.h"
#include "core/plots/PlotFrame.h"
#include "core/plots/ViewProcessing.h"
#include "core/spectrum/Conversions.h"
#include "core/spectrum/SpecText.h"

namespace sorrel {

namespace {

// Scans read from a file (the disk cache or an HD run) beyond this count
// show the progress window while they are summed or turned into a
// chromatogram.
constexpr int32_t kProgressScans = 2000;

// The busy cursor while a spectrum or chromatogram is computed; unlike
// BusyCursor it lets no window event in, so that a mouse gesture is never
// handled in the middle of another.
class BusyWhile {
 public:
  BusyWhile() { Ui().SetBusyCursor(true); }
  ~BusyWhile() { Ui().SetBusyCursor(false); }
  BusyWhile(const BusyWhile&) = delete;
  BusyWhile& operator=(const BusyWhile&) = delete;
};

// Runs an extraction of `scans` scans. Over a run read from a file with
// more than kProgressScans of them it runs under the progress window: the
// main window is disabled meanwhile (nothing can reach the frame while it
// works), the window is kept painted, and Cancel stops the work
// (WorkCancelled).
template <class Work>
tXYarray Extract(const TSpec& spec, size_t scans, const std::string& text, Work work) {
  if (spec.ScanPlace() == TSpec::tScanPlace::Memory || scans <= kProgressScans) return work({});
  TProgressIndicator progress;
  progress.TextString = text;
  progress.WaitTillFinish = true;
  const int32_t every = std::max<int32_t>(1, static_cast<int32_t>(scans / 100));
  std::optional<tXYarray> result;
  progress.OnProcessItem = [&] {
    result = work([&progress, every](int32_t done, int32_t total) {
      if (done % every == 0 || done == total) progress.SetPosition(done, total);
      return !progress.UserCanceled();
    });
  };
  progress.StartProgress(true);
  if (!result) throw WorkCancelled();
  return std::move(*result);
}

// v rounded to one decimal, halves to even.
double RoundOneDecimal(double v) {
  const double scaled = v * 10.0;
  if (!std::isfinite(scaled)) return v;
  return RoundHalfEven(scaled) / 10.0;
}

double Clamp(double v, const SpinLimits& limits) {
  return std::clamp(v, limits.min, limits.max);
}

// The run's chromatogram as a diagnostic file after a floating-point error
// while building the chromatogram shown; the user hears of both.
void WriteChromException(const tXYarray& chrom, const MathError& e) {
  const char* const kFile = "exception2.txt";
  std::string where;
  try {
    SaveXYList(chrom, kFile);
    std::error_code ec;
    const auto path = std::filesystem::absolute(kFile, ec);
    where = "The run's chromatogram was written to " + (ec ? std::string(kFile) : path.string());
  } catch (const std::exception& w) {
    where =
        "The run's chromatogram could not be written to " + std::string(kFile) + ": " + w.what();
  }
  ShowErrorBox("The chromatogram could not be built: " + std::string(e.what()) + ".\n" + where);
}

}  // namespace

// ---- processing

void PlotFrame::AfterProcessing(bool chromatogram, const ChainResult& r) {
  ChartViewLogic& view = chromatogram ? chrChrom : chrMass;
  view.Peaks = r.Peaks;
  view.PeaksChanged();
  ViewControls& c = ViewOf(chromatogram);
  c.Status = r.Flags;
  c.StatusDetail.clear();
  for (const ChainProblem& p : r.Problems)
    c.StatusDetail += (c.StatusDetail.empty() ? "" : "; ") + p.Text + ": " + p.Detail;
}

tXYarray PlotFrame::ProcessMass(const tXYarray& input) {
  // The adaptive labels are laid out on the chart once the spectrum is
  // shown (MarkPeaksAdaptive), not by the chain.
  ChainResult r = ProcessView(input, *fSpOpt, false, Controls.Mass.SeeFD);
  AfterProcessing(false, r);
  return std::move(r.Output);
}

tXYarray PlotFrame::ProcessChrom(const tXYarray& input) {
  ChainResult r = ProcessView(input, *fSpOpt, true, Controls.Chrom.SeeFD);
  AfterProcessing(true, r);
  return std::move(r.Output);
}

void PlotFrame::AdaptIncrements(bool chromatogram) {
  const ChartViewLogic& view = chromatogram ? chrChrom : chrMass;
  if (view.IsEmpty()) return;
  const double largest = *std::max_element(view.Y().begin(), view.Y().end());
  const double i = RoundHalfEven(LowerDecade(largest) / 100);
  if (!(i > 0)) return;
  ViewControls& c = ViewOf(chromatogram);
  c.HeightIncrement = i;
  c.AreaIncrement = i;
}

bool PlotFrame::AdaptiveLabels() const {
  return fSpOpt->oMass.Peak.Enabled && fSpOpt->oMass.Peak.Method == 2;
}

// ---- the mass spectrum

bool PlotFrame::ShowSMass(int Idx) {
  const int q = Idx == -1 ? LastMassIdx : Idx;
  if (!fMassOnly && (q < 0 || q >= Spec.NSpec())) return false;
  LastMassIdx = q;
  BusyWhile busy;
  tXYarray source;
  if (fMassOnly) {
    source = Spec.CMass;
  } else if (chrChrom.ZoomMode()) {
    source = Spec.GetMass(q);
  } else {
    const std::vector<ScanPick> picks =
        PickScans(chrChrom.X(), Spec.NSpec(), sgRangesChrom.Ranges(true, chrChrom.X()));
    try {
      source = Extract(Spec, picks.size(), "Summing the scans of the ranges...",
                       [&](const ScanProgress& p) { return SumScans(Spec, picks, p); });
    } catch (const WorkCancelled&) {
      return false;  // the view keeps what it showed
    }
    Spec.CMass = source;
  }
  const tXYarray processed = ProcessMass(source);
  currentMass_ = Controls.Mass.SeeFD ? ProcessView(source, *fSpOpt, false).Output : processed;
  const ToView& o = fSpOpt->oMass;
  ViewControls& c = Controls.Mass;
  if (o.BLine.Enabled && o.BLine.AutoTS) c.Threshold = Clamp(o.BLine.Threshold, kThresholdLimits);
  chrMass.SetMarksShown(o.Peak.Enabled);

  if (processed.empty()) {
    chrMass.SetSeries({0, 1}, {0, 0});
    if (!chrMass.ChartVis()) chrMass.UpdateDataTable();
    Notify(kControls);
    return true;
  }

  const size_t n = processed.size();
  std::vector<double> x(n), y(n);
  double smallest = processed[0][1], largest = processed[0][1];
  for (const dPoint& p : processed) {
    smallest = std::min(smallest, static_cast<double>(p[1]));
    largest = std::max(largest, static_cast<double>(p[1]));
  }
  // Percent of the largest intensity. A spectrum whose intensities are all
  // equal, or whose largest is 0 (a derivative curve below the zero line),
  // has no such percentage and shows its intensities as they are.
  const bool percent = o.YUnits && largest != smallest && largest != 0;
  for (size_t i = 0; i < n; ++i) {
    x[i] = processed[i][0];
    y[i] = percent ? processed[i][1] * 100.0 / largest : processed[i][1];
  }
  const auto [lowX, highX] = std::minmax_element(x.begin(), x.end());
  const double fromMass = *lowX, toMass = *highX;
  chrMass.SetSeries(std::move(x), std::move(y));
  if (!chrMass.ChartVis()) chrMass.UpdateDataTable();
  if (!fMassOnly)
    Controls.lbRetTime =
        chrChrom.ZoomMode()
            ? "Ret.Time= " + FormatValue(Spec.Chrom[static_cast<size_t>(LastMassIdx)][0])
            : "Ret.Time= <multi-range>";
  Controls.lbNPointsMass = "N.Points= " + std::to_string(n);
  Controls.lbFromMass = "From " + FormatValue(RoundOneDecimal(fromMass));
  Controls.lbToMass = "To " + FormatValue(RoundOneDecimal(toMass)) + " [m/z]";
  chrMass.SetZoomMode(chrMass.ZoomMode());
  if (AdaptiveLabels()) MarkPeaksAdaptive();
  double total = 0;
  for (double v : chrMass.Y())
    total += v;
  Controls.lbTotalMass = "Total= " + FormatValue(total);
  Controls.lbNPeaksMass = "N.Peaks= " + std::to_string(chrMass.Peaks.Count());
  if (o.Peak.Enabled) AdaptIncrements(false);
  Notify(kControls);
  return true;
}

void PlotFrame::MarkPeaksAdaptive() {
  chrMass.Peaks.Clear();
  chrMass.PeaksChanged();
  if (chrMass.IsEmpty()) return;
  tXYarray shown(static_cast<size_t>(chrMass.Count()));
  for (size_t i = 0; i < shown.size(); ++i)
    shown[i] = {static_cast<float>(chrMass.X()[i]), static_cast<float>(chrMass.Y()[i])};
  const ChartScale scale =
      MassChartScale ? MassChartScale(shown) : WholeSpectrumScale(shown, 800, 400, 8);
  sorrel::MarkPeaksAdaptive(shown, scale, chrMass.Peaks);
  chrMass.PeaksChanged();
}

std::string PlotFrame::MarkText(bool chromatogram, int index) const {
  if (IsEmpty()) return {};
  for (const tPeak& p : (chromatogram ? chrChrom : chrMass).Peaks.bPeaks)
    if (p.Index == index) return FormatValue(RoundOneDecimal(p.X));
  return {};
}

// ---- the chromatogram

PlotFrame::ChromKey PlotFrame::CurrentChromKey() const {
  ChromKey k;
  k.massZoom = chrMass.ZoomMode();
  k.kind = Controls.ChromKind;
  if (!k.massZoom) k.ranges = sgRangesMass.Ranges(false, {});
  return k;
}

tXYarray PlotFrame::RawChrom() {
  const size_t scans = static_cast<size_t>(Spec.NSpec());
  if (!chrMass.ZoomMode()) {
    const std::vector<WeightedRange> ranges = sgRangesMass.Ranges(false, {});
    return Extract(Spec, ranges.empty() ? 0 : scans, "Building the ion chromatogram...",
                   [&](const ScanProgress& p) { return BuildSIC(Spec, ranges, p); });
  }
  if (Controls.ChromKind == 1)
    return Extract(Spec, scans, "Building the base peak chromatogram...",
                   [&](const ScanProgress& p) { return BuildBPI(Spec, p); });
  return Spec.Chrom;
}

bool PlotFrame::ShowChrom() {
  if (Spec.NSpec() == 0) return false;
  BusyWhile busy;
  tXYarray processed;
  try {
    const ChromKey key = CurrentChromKey();
    tXYarray raw = RawChrom();
    builtKey_ = key;
    chromBuilt_ = true;
    if (fSpOpt->oChrom.YUnits) {
      // Percent of the run's largest total ion current, for the BPI and the
      // ion chromatogram as well: only the TIC reaches 100.
      const double top = HighestPoint(Spec.Chrom)[1];
      if (top == 0) return false;
      for (dPoint& p : raw)
        p[1] = CheckFiniteF(static_cast<float>(p[1] * 100.0 / top), "the chromatogram in percent");
    }
    processed = ProcessChrom(raw);
  } catch (const WorkCancelled&) {
    chromBuilt_ = false;
    return false;
  } catch (const MathError& e) {
    chromBuilt_ = false;
    WriteChromException(Spec.Chrom, e);
    return false;
  }
  const ToView& o = fSpOpt->oChrom;
  if (o.BLine.Enabled && o.BLine.AutoTS)
    Controls.Chrom.Threshold = Clamp(o.BLine.Threshold, kThresholdLimits);
  chrChrom.SetMarksShown(o.Peak.Enabled);
  const int units = o.XUnits;
  std::vector<double> x(processed.size()), y(processed.size());
  for (size_t i = 0; i < processed.size(); ++i) {
    const double t = processed[i][0];
    x[i] = units == 0 ? static_cast<double>(i) : units == 1 ? t : t / 60.0;
    y[i] = processed[i][1];
  }
  chrChrom.SetSeries(std::move(x), std::move(y));
  if (!chrChrom.ChartVis()) chrChrom.UpdateDataTable();
  chrChrom.SetZoomMode(chrChrom.ZoomMode());
  double total = 0;
  for (double v : chrChrom.Y())
    total += v;
  Controls.lbTotalChrom = "Total= " + FormatValue(total);
  Controls.lbNPointsChrom = "N.Points= " + std::to_string(chrChrom.Count());
  if (o.Peak.Enabled) AdaptIncrements(true);
  Notify(kControls);
  return true;
}

// ---- opening position, refresh, selections

void PlotFrame::SetIniPos() {
  // The waterfall on the 3D page shows the run as it is now.
  if (Controls.Page3D == 1) FillWaterfall();
  if (!fMassOnly) ShowChrom();
  const int scan = InitialScan(Spec.Chrom);
  ShowSMass(scan);
  if (!chrChrom.IsEmpty()) chrChrom.SetCursorIndex(scan);
  Ui().ProcessMessages();
  chrMass.RequestExpand();
  Ui().ProcessMessages();
}

void PlotFrame::RefreshPlot() {
  if (!Spec.AutoRefresh()) return;
  chromBuilt_ = false;
  if (Controls.Page3D == 1) FillWaterfall();
  if (!fMassOnly) ShowChrom();
  ShowSMass(-1);
  chrMass.SetNearestActive(true);
}

void PlotFrame::SyncModes() {
  FrameControls before = Controls;
  Controls.Chrom.RangeCommands = !chrChrom.ZoomMode();
  Controls.Mass.RangeCommands = !fMassOnly && !chrMass.ZoomMode();
  // The ion chromatogram of the mass ranges takes the place of the TIC.
  if (!chrMass.ZoomMode()) Controls.ChromKind = 0;
  Controls.ChromKindEnabled = chrMass.ZoomMode();
  if (before.Chrom.RangeCommands != Controls.Chrom.RangeCommands ||
      before.Mass.RangeCommands != Controls.Mass.RangeCommands ||
      before.ChromKind != Controls.ChromKind ||
      before.ChromKindEnabled != Controls.ChromKindEnabled)
    Notify(kControls);
}

void PlotFrame::ChromSelect(int Idx) {
  if (Idx < 0) SyncModes();
  ShowSMass(Idx);
  if (LastMassIdx >= 0 && chrChrom.ZoomMode() && Idx >= 0 && Idx < Spec.NSpec()) {
    const double t = Spec.Chrom[static_cast<size_t>(Idx)][0];
    chrChrom.SetHint("|GC ret.time [s] = " +
                     (chrChrom.AxisText ? chrChrom.AxisText(t) : FormatValue(t)));
  } else {
    chrChrom.SetHint({});
  }
}

void PlotFrame::MassSelect(int) {
  SyncModes();
  // The chromatogram depends on the mass view's mode and ranges, not on
  // its zoom: it is built again only when they changed.
  if (!chromBuilt_ || !(CurrentChromKey() == builtKey_)) ShowChrom();
  if (AdaptiveLabels()) MarkPeaksAdaptive();
}

void PlotFrame::MassButton(bool pressed) {
  if (!AdaptiveLabels()) return;
  // The labels are hidden while a button is down and laid out again for
  // the chart as it is when it comes up.
  if (pressed) {
    chrMass.SetMarksShown(false);
  } else {
    chrMass.SetMarksShown(true);
    MarkPeaksAdaptive();
  }
}

// ---- the 3D page

void PlotFrame::SetPage3D(int32_t page) {
  page = page == 1 && !fMassOnly ? 1 : 0;
  if (Controls.Page3D == page) return;
  Controls.Page3D = page;
  FillWaterfall();
  Notify(kControls);
}

void PlotFrame::FillWaterfall() {
  Waterfall.clear();
  if (Controls.Page3D == 1) {
    BusyWhile busy;
    for (int32_t scan : WaterfallScans(Spec.NSpec()))
      Waterfall.push_back({scan, Spec.GetMass(scan)});
  }
  Notify(kWaterfall);
}

void PlotFrame::SetTabsVisible(bool visible) {
  if (Controls.TabsVisible == visible) return;
  Controls.TabsVisible = visible;
  Notify(kControls);
}

}  // namespace sorrel
