#pragma once
// The property pages of a plot frame as plain data: every control that
// mirrors the frame's options (tSpOpt), the choices the options do not
// keep, the statistics and status labels, and which pages are shown. The
// frame (PlotFrame) holds this state and runs what a change of each control
// does; the window shows it and passes the user's changes in.
#include <cstdint>
#include <string>

namespace sorrel {

// The limits of the spin edits. The baseline, height and area thresholds
// are intensities: an automatic baseline level or a peak height of a run
// of 10^6 counts must fit (and so must the increments the frame adapts to
// the data, up to 10^4 for such a run).
struct SpinLimits {
  double min;
  double max;
};
inline constexpr SpinLimits kSGDegreeLimits{1, 10};
inline constexpr SpinLimits kSensitivityLimits{1, 11};
inline constexpr SpinLimits kThresholdLimits{0, 1e9};
inline constexpr SpinLimits kHeightLimits{0, 1e9};
inline constexpr SpinLimits kDistLimits{0, 1000};
inline constexpr SpinLimits kAreaLimits{0, 1e9};

// The pages of one view: chromatogram (…Chrom controls) or mass spectrum
// (…Mass controls).
struct ViewControls {
  // "Visual"
  int32_t XUnits =
      0;  // rgXUnits: chromatogram 0 "scan", 1 "sec", 2 "min"; mass 0 "raw", 1 "nominal"
  bool PercentY = false;  // rbPercY "%" checked (otherwise rbAbsY "abs.")
  bool FixY = true;       // chkFixY "Fixed Y"
  bool AutoY = false;     // the view's "Auto Y" button is down
  bool ShowData = false;  // rgShowChrom "Data" / rgShowMass "Data/Peak tables" (not "Chart")
  // "Smooth"
  int32_t SGDegree = 3;   // seSGDegree (group "Savitzky-Golay")
  bool SmoothOn = false;  // chkOSSmooth "Enabled", actSmooth, the view's "Smooth" button
  // "B-line"
  bool AutoTS = false;   // chkAutoTS "Auto" (group "Threshold")
  double Threshold = 0;  // seTSBline
  bool BLineOn = false;  // chkOSBline "Enabled", actBLine, the "Baseline" button
  // "Peaks" / "Peak"
  int32_t PeakMethod = 0;   // the page of pcPeakMethod
  int32_t Sensitivity = 5;  // sePeakSense "Sensitivity"
  double MinHeight = 0;     // sePeakHeight "Height"
  double MinDist = 0;       // sePeakDist "Dist./Width"
  double MinArea = 0;       // sePeakArea "Peak Area Threshold"
  bool PeaksOn = false;     // chkOSPeak "Enabled", actPeaks, the "Peaks" button
  bool SeeFD = false;       // chkSeeFD "Show First Dev." (first-derivative page)
  // Increments of the height and area spin edits, adapted to the data.
  double HeightIncrement = 1;
  double AreaIncrement = 1;
  // Sensitivity, height and distance take part (the mass spectrum's
  // adaptive method uses none of them).
  bool PeakParamsEnabled = true;
  // The ranges grid's "Clear" and "Update" work in range mode only.
  bool RangeCommands = false;
  // The letters of the processing steps that ran ("SBNP"), and what the
  // chain refused of the settings.
  std::string Status;
  std::string StatusDetail;
  // The property pages are shown, and which of them is in front.
  bool PagesShown = false;
  int32_t Page = 0;
};

// Page indices of the views' property pages.
enum FramePage { pgVisual = 0, pgSmooth = 1, pgBLine = 2, pgPeaks = 3, pgRanges = 4, pgStats = 5 };

struct FrameControls {
  ViewControls Chrom;
  ViewControls Mass;
  // rgChromatogram " Chromatogram ": 0 "TIC", 1 "BPI"; offered only while
  // the mass view is in zoom mode.
  int32_t ChromKind = 0;
  bool ChromKindEnabled = true;
  // "Stats" of the mass view.
  std::string lbRetTime, lbNPointsMass, lbFromMass, lbToMass, lbNPeaksMass, lbTotalMass;
  // "Stats" of the chromatogram view.
  std::string lbTotalChrom, lbNPointsChrom;
  // The common panel (pages "Properties" and "Files").
  bool CommonShown = false;
  // " GC/MS Chart Dimentions ": "Tabs Visible" and " Dimentions " ("2D",
  // "3D"), which chooses the frame's page and is offered only while the
  // tabs are hidden.
  bool TabsVisible = false;
  int32_t Page3D = 0;  // 0 "  2D" (the two views), 1 "  3D" (the waterfall)
};

}  // namespace sorrel
